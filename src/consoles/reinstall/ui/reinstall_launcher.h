// ReinstallLauncher opens a provider's reinstall dialog, for the grid's selected machine
// (the popup entry "重装") or for every listed machine (the button "全部重装").
#pragma once

#include <QObject>

#include "consoles/catalogue/catalogue.h"
#include "consoles/reinstall/rebuilder.h"
#include "consoles/reinstall/ui/reinstall_environment.h"

class QPushButton;
class QWidget;

namespace ydt {

class ReinstallLauncher : public QObject {
  Q_OBJECT

 public:
  ReinstallLauncher(ProviderKind kind, ReinstallEnvironment environment, QWidget* dialogParent,
                    QObject* parent = nullptr);

  // The button 按钮_<p>_全部重装, wired to OpenForAll.
  QPushButton* NewReinstallAllButton(QWidget* parent);

  ReinstallMode reinstallMode() const { return reinstallMode_; }

 public slots:
  // The selected machine, or every selected machine when several are.
  void OpenForSelected();
  void OpenForAll();

 private:
  void OpenDialog();

  ProviderKind kind_;
  ReinstallEnvironment env_;
  QWidget* dialogParent_;
  ReinstallMode reinstallMode_ = ReinstallMode::SelectedMachine;
};

}  // namespace ydt
