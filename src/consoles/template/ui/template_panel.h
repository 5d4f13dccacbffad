// TemplatePanel: a provider tab's creation template (the page frames it in the group
// "主机创建模板"). Its boxes
// write the tab's running record as the operator edits them, its lookups fill the zone and
// image boxes for the chosen region, and "创建主机" creates machines from the record.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/run_report.h"
#include "consoles/template/lookup_replies.h"
#include "consoles/template/ui/template_environment.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ydt {

class TemplatePanel : public QWidget {
  Q_OBJECT

 public:
  TemplatePanel(ProviderKind kind, TemplateEnvironment environment, QWidget* parent = nullptr);

  ProviderKind Kind() const { return kind_; }

  // Once the settings are in, the main window puts timed destruction back to "不开启".
  void ResetDestroyTimer();
  // The record's instance type, disk type and password taken from the boxes as they stand.
  void FillState(ProviderState& state) const;

  bool CreationRunning() const { return creating_; }

 public slots:
  // The operator picked a region: the zones (Huawei: the built-in table) and the images of
  // the region are looked up on workers.
  void OnRegionChosen();
  void LoadZones();
  void LoadImages();
  void CreateMachines();
  void ShowInstanceTypes();

 signals:
  // A lookup's result has reached the boxes (tests wait for these).
  void ZonesApplied();
  void ImagesApplied();
  void CreationFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void ApplyZones(int generation, const ZoneList& zones);
  void ApplyImages(int generation, const ImageList& images);
  void ReadDestroyTimer();
  void ShowProgress(int index, int total);
  BlockingRunner Runner() const;
  // The summary line and, when a request failed, the result window whose retry sends the
  // failed requests again with the template as it was at the click.
  void ReportCreation(const RunReport& report, const ProviderState& asClicked);
  std::optional<RunReport> RetryCreation(const ProviderState& asClicked, const std::string& title,
                                         const std::vector<RequestOutcome>& failed);
  AccessKeys ReadKeys() const;

  ProviderKind kind_;
  TemplateEnvironment env_;
  ProviderState fallbackState_;  // only when no record was given

  QComboBox* zoneBox_ = nullptr;
  QComboBox* imageTypeBox_ = nullptr;
  QComboBox* imageBox_ = nullptr;
  QLineEdit* instanceTypeBox_ = nullptr;
  QPushButton* instanceTypeButton_ = nullptr;
  QComboBox* diskBox_ = nullptr;
  QComboBox* bandwidthBox_ = nullptr;
  QLineEdit* passwordBox_ = nullptr;
  QLineEdit* countBox_ = nullptr;
  QComboBox* destroyBox_ = nullptr;
  QComboBox* chargeBox_ = nullptr;
  QLabel* progress_ = nullptr;
  QPushButton* createButton_ = nullptr;

  // Only the newest lookup of each kind may fill its box: a slow reply for an image type
  // the operator has already left must not overwrite the list of the type now chosen.
  int zoneGeneration_ = 0;
  int imageGeneration_ = 0;
  bool creating_ = false;
};

}  // namespace ydt
