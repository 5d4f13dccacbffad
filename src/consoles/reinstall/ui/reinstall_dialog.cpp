#include "consoles/reinstall/ui/reinstall_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "consoles/machines/ui/run_result_window.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) {
  return text.toStdString();
}

constexpr int kTickMs = 1000;

}  // namespace

QString ReinstallDialog::Title() {
  return QStringLiteral("重装镜像选择（重装密码请到系统参数中设置）(如重装失败请先关机）");
}

ReinstallDialog::ReinstallDialog(ProviderKind kind, ReinstallEnvironment environment,
                                 ReinstallMode mode, QWidget* parent)
    : QDialog(parent), kind_(kind), env_(std::move(environment)), reinstallMode_(mode) {
  setWindowTitle(Title());
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* typeGroup = new QGroupBox(QStringLiteral("镜像类型"), this);
  imageTypeBox_ = new QComboBox(typeGroup);
  imageTypeBox_->setObjectName(QStringLiteral("组合框_镜像类型"));
  // The group's caption names the box for a screen reader, as a buddy label would.
  imageTypeBox_->setAccessibleName(typeGroup->title());
  for (std::string_view item : kImageTypeItems) imageTypeBox_->addItem(Q(item));
  (new QVBoxLayout(typeGroup))->addWidget(imageTypeBox_);

  auto* listGroup = new QGroupBox(QStringLiteral("镜像列表"), this);
  imageList_ = new QListWidget(listGroup);
  imageList_->setObjectName(QStringLiteral("列表框_镜像列表"));
  imageList_->setAccessibleName(listGroup->title());
  imageList_->setSelectionMode(QAbstractItemView::SingleSelection);
  (new QVBoxLayout(listGroup))->addWidget(imageList_);

  runButton_ = new QPushButton(QStringLiteral("执行重装"), this);
  runButton_->setObjectName(QStringLiteral("按钮1"));
  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("标签_重装进度"));

  loadClock_ = new QTimer(this);
  loadClock_->setObjectName(QStringLiteral("时钟_加载"));
  rebuildClock_ = new QTimer(this);
  rebuildClock_->setObjectName(QStringLiteral("时钟_重装"));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(progress_, 1);
  bottom->addWidget(runButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(typeGroup);
  layout->addWidget(listGroup, 1);
  layout->addLayout(bottom);
  resize(560, 400);

  connect(loadClock_, &QTimer::timeout, this, &ReinstallDialog::LoadRebuildImages);
  connect(rebuildClock_, &QTimer::timeout, this, &ReinstallDialog::RunRebuild);
  connect(imageTypeBox_, &QComboBox::activated, this, [this](int index) {
    env_.state->reinstallImageType =
        std::string(Info(kind_).imageTypeCodes[static_cast<std::size_t>(index)]);
    ResetForLoading();
  });
  connect(imageList_, &QListWidget::itemSelectionChanged, this, [this] {
    if (filling_) return;
    const QList<QListWidgetItem*> chosen = imageList_->selectedItems();
    if (chosen.isEmpty()) return;
    const QVariant code = chosen.front()->data(Qt::UserRole);
    env_.state->reinstallImageId =
        code.isValid() ? S(code.toString()) : itemCode(S(chosen.front()->text()));
  });
  connect(runButton_, &QPushButton::clicked, this, &ReinstallDialog::ExecuteReinstall);

  env_.state->reinstallImageType = std::string(Info(kind_).imageTypeCodes[0]);
  ResetForLoading();
}

void ReinstallDialog::SetPhase(Phase phase) {
  phase_ = phase;
  const bool ready = phase == Phase::Ready;
  imageTypeBox_->setEnabled(ready);
  imageList_->setEnabled(ready);
  runButton_->setEnabled(ready);
  runButton_->setText(phase == Phase::Running ? QStringLiteral("正在重装")
                                              : QStringLiteral("执行重装"));
  ApplyCloseButton();
  emit PhaseChanged(phase);
}

void ReinstallDialog::ApplyCloseButton() {
  // Changing the widget's flags would hide the dialog and end its modal loop, so the hint
  // goes to the native window directly; closing is refused meanwhile in any case.
  if (QWindow* native = windowHandle()) {
    native->setFlag(Qt::WindowCloseButtonHint, CloseAllowed());
  }
}

void ReinstallDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ApplyCloseButton();
}

void ReinstallDialog::closeEvent(QCloseEvent* event) {
  if (!CloseAllowed()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void ReinstallDialog::reject() {
  if (CloseAllowed()) QDialog::reject();
}

void ReinstallDialog::ResetForLoading() {
  SetPhase(Phase::Loading);
  filling_ = true;
  imageList_->clear();
  imageList_->addItem(Q(kRebuildLoadingItem));
  filling_ = false;
  loadClock_->start(kTickMs);
}

AccessKeys ReinstallDialog::ReadKeys() const {
  return env_.readKeys ? env_.readKeys() : AccessKeys{};
}

BlockingRunner ReinstallDialog::Runner() const {
  if (env_.runBlocking) return env_.runBlocking;
  return [](const std::function<void()>& work) { RunBlocking(work); };
}

void ReinstallDialog::LoadRebuildImages() {
  loadClock_->stop();
  if (env_.client != nullptr && env_.prompter != nullptr && env_.uiPauser != nullptr) {
    const QPointer<ReinstallDialog> self(this);
    Rebuilder rebuilder(*env_.client, *env_.prompter, *env_.uiPauser, env_.owner);
    const std::optional<std::vector<CodedItem>> items = rebuilder.LoadRebuildImages(
        kind_, ReadKeys(), env_.state->regionCode, env_.state->reinstallImageType, Runner());
    if (!self) return;
    if (items) {
      filling_ = true;
      imageList_->clear();
      for (const CodedItem& item : *items) {
        auto* entry = new QListWidgetItem(Q(item.text), imageList_);
        entry->setData(Qt::UserRole, Q(item.code));
      }
      imageList_->setCurrentItem(nullptr);
      imageList_->clearSelection();
      filling_ = false;
    }
  }
  SetPhase(Phase::Ready);
}

void ReinstallDialog::ExecuteReinstall() {
  if (phase_ != Phase::Ready || env_.prompter == nullptr || env_.uiPauser == nullptr) return;
  if (std::optional<std::string> refusal = RebuildImageRefusal(env_.state->reinstallImageId)) {
    env_.prompter->Show(WindowRef{}, *refusal, MessageIcon::Information);
    return;
  }
  const int count = reinstallMode_ == ReinstallMode::ChosenMachines && env_.selectedMachineIds
                        ? static_cast<int>(env_.selectedMachineIds().size())
                        : 1;
  if (env_.prompter->Show(WindowRef{}, RebuildQuestion(reinstallMode_, count),
                          MessageIcon::Question, MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return;
  }
  rebuildClock_->start(kTickMs);
  SetPhase(Phase::Running);
  // The run itself happens in the clock's tick, during this wait or while the notice is up.
  Prompter* prompter = env_.prompter;
  env_.uiPauser->Pause(1000);
  prompter->Show(WindowRef{}, "已执行操作！", MessageIcon::Information);
}

void ReinstallDialog::RunRebuild() {
  rebuildClock_->stop();
  const QPointer<ReinstallDialog> self(this);
  if (env_.client != nullptr && env_.prompter != nullptr && env_.uiPauser != nullptr) {
    RebuildJob job;
    job.kind = kind_;
    job.mode = reinstallMode_;
    job.keys = ReadKeys();
    job.regionCode = env_.state->regionCode;
    job.imageId = env_.state->reinstallImageId;
    job.password = env_.rebuildPassword ? env_.rebuildPassword() : std::string();
    job.batchDelay = env_.batchDelay ? env_.batchDelay() : 100;
    if (reinstallMode_ == ReinstallMode::SelectedMachine) {
      // A grid emptied by a reload since the dialog opened has no machine to reinstall;
      // sending an empty ID would only ask the backend to guess.
      if (std::optional<std::string> id =
              env_.selectedMachineId ? env_.selectedMachineId() : std::nullopt) {
        job.machineIds.push_back(*id);
      }
    } else if (reinstallMode_ == ReinstallMode::ChosenMachines) {
      if (env_.selectedMachineIds) job.machineIds = env_.selectedMachineIds();
    } else if (env_.machineIds) {
      job.machineIds = env_.machineIds();
    }
    const RunReport report = Rebuild(job);
    if (!self) return;
    ReportRun(job, report);
  }
  if (!self) return;
  progress_->clear();
  SetPhase(Phase::Ready);
}

RunReport ReinstallDialog::Rebuild(const RebuildJob& job) {
  const QPointer<ReinstallDialog> self(this);
  Rebuilder rebuilder(*env_.client, *env_.prompter, *env_.uiPauser, env_.owner);
  RebuildHooks hooks;
  hooks.runBlocking = Runner();
  hooks.progress = [this, self](int index, int total) {
    if (self) progress_->setText(QStringLiteral("正在重装第%1台，共%2台").arg(index).arg(total));
  };
  RunReport report = rebuilder.RunRebuild(job, hooks);
  if (env_.afterRun) env_.afterRun();
  return report;
}

void ReinstallDialog::ReportRun(const RebuildJob& job, const RunReport& report) {
  // One machine's own log line says it all; a run of many is summed up.
  if (report.title.empty()) return;
  LogRunSummary(env_.client->Log(), report);
  const QPointer<ReinstallDialog> self(this);
  ShowRunResult(
      report,
      [self, job, title = report.title](const std::vector<RequestOutcome>& failed) {
        return self ? self->RetryFailed(job, title, failed) : std::nullopt;
      },
      this);
}

std::optional<RunReport> ReinstallDialog::RetryFailed(RebuildJob job, const std::string& title,
                                                      const std::vector<RequestOutcome>& failed) {
  if (phase_ != Phase::Ready) return std::nullopt;
  job.mode = ReinstallMode::ChosenMachines;
  job.keys = ReadKeys();  // a missing or wrong key may be what failed
  job.machineIds.clear();
  for (const RequestOutcome& outcome : failed) job.machineIds.push_back(outcome.subject);
  const QPointer<ReinstallDialog> self(this);
  SetPhase(Phase::Running);
  RunReport report = Rebuild(job);
  report.title = title + "（重试）";
  if (env_.client != nullptr) LogRunSummary(env_.client->Log(), report);
  if (!self) return report;
  progress_->clear();
  SetPhase(Phase::Ready);
  return report;
}

}  // namespace ydt
