// ProviderPage is one provider tab of the main window, built from the catalogue: the
// key-pair group with the region box, and two frames where the machine grid and the
// creation template plug in.
#pragma once

#include <QWidget>

#include "consoles/catalogue/catalogue.h"
#include "consoles/catalogue/provider_state.h"
#include "ui/section_settings.h"

class QComboBox;
class QGroupBox;

namespace ydt {

struct AppContext;
class KeyPairPanel;
class SettingsStore;

// The provider's section of the settings file, for the panels of its tab.
SectionSettings SectionSettingsOf(SettingsStore& store, ProviderKind kind);

class ProviderPage : public QWidget {
  Q_OBJECT
 public:
  ProviderPage(AppContext& context, ProviderKind kind, QWidget* parent = nullptr);

  ProviderKind Kind() const { return kind_; }
  KeyPairPanel* KeyPair() const { return keyPair_; }
  QComboBox* RegionBox() const { return regionBox_; }

  // Plug-in frames. The panel is put inside an existing group box (the machine frame
  // "机器管理", the template frame "主机创建模板"), so it should bring no frame of its own.
  // The page takes ownership; a second call replaces the first panel.
  void SetMachinesPanel(QWidget* panel);
  void SetTemplatePanel(QWidget* panel);
  QGroupBox* MachinesFrame() const { return machinesFrame_; }
  QGroupBox* TemplateFrame() const { return templateFrame_; }

  // Creation sequence steps for this tab, called by the main window in order:
  // stored keys, network IDs and region index into the boxes (nothing is started) ...
  void LoadSettings();
  // ... then the record filled from the boxes as they stand.
  void FillState();

 signals:
  // After the operator picked a region: regionCode is set and selected_region written.
  // The machine grid and the template start their loads from here.
  void regionChosen(ydt::ProviderKind kind);
  // Emitted by LoadSettings once the stored values are in the boxes; the template sets
  // its timed-destruction box to "不开启" here.
  void settingsLoaded(ydt::ProviderKind kind);
  // Emitted by FillState after the page's own fields and the fixed start values are set;
  // the template copies instance type, disk type and password from its controls.
  void stateFilling(ydt::ProviderKind kind, ydt::ProviderState& state);

 private:
  void OnRegionActivated(int index);
  static void PutInFrame(QGroupBox* frame, QWidget* panel);

  AppContext& context_;
  ProviderKind kind_;
  KeyPairPanel* keyPair_ = nullptr;
  QComboBox* regionBox_ = nullptr;
  QGroupBox* machinesFrame_ = nullptr;
  QGroupBox* templateFrame_ = nullptr;
};

}  // namespace ydt
