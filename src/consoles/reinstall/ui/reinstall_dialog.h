// ReinstallDialog: the operator picks an image type and an image, and "执行重装" reinstalls
// the grid's selected machine or every listed machine with the configured password.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/reinstall/rebuilder.h"
#include "consoles/reinstall/ui/reinstall_environment.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace ydt {

class ReinstallDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Phase { Loading, Ready, Running };

  ReinstallDialog(ProviderKind kind, ReinstallEnvironment environment, ReinstallMode mode,
                  QWidget* parent = nullptr);

  Phase CurrentPhase() const { return phase_; }
  // Whether the close button is offered (it is withdrawn while loading and running).
  bool CloseAllowed() const { return phase_ == Phase::Ready; }

  static QString Title();

 public slots:
  void reject() override;

 signals:
  void PhaseChanged(ydt::ReinstallDialog::Phase phase);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ResetForLoading();
  void LoadRebuildImages();
  void ExecuteReinstall();
  void RunRebuild();
  RunReport Rebuild(const RebuildJob& job);
  // The summary line of a run of many machines and, when one failed, the result window.
  void ReportRun(const RebuildJob& job, const RunReport& report);
  std::optional<RunReport> RetryFailed(RebuildJob job, const std::string& title,
                                       const std::vector<RequestOutcome>& failed);
  void SetPhase(Phase phase);
  void ApplyCloseButton();
  AccessKeys ReadKeys() const;
  BlockingRunner Runner() const;

  ProviderKind kind_;
  ReinstallEnvironment env_;
  ReinstallMode reinstallMode_;
  Phase phase_ = Phase::Loading;
  bool filling_ = false;

  QComboBox* imageTypeBox_ = nullptr;
  QListWidget* imageList_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QLabel* progress_ = nullptr;
  QTimer* loadClock_ = nullptr;
  QTimer* rebuildClock_ = nullptr;
};

}  // namespace ydt
