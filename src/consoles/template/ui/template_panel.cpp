#include "consoles/template/ui/template_panel.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "consoles/machines/ui/run_result_window.h"
#include "consoles/template/machine_creator.h"
#include "consoles/template/template_lookups.h"
#include "consoles/template/ui/instance_type_window.h"
#include "service/text/text.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) {
  return text.toStdString();
}

QString Name(std::string_view kindPrefix, ProviderKind kind, std::string_view role) {
  return Q(WidgetName(kindPrefix, kind, role));
}

}  // namespace

TemplatePanel::TemplatePanel(ProviderKind kind, TemplateEnvironment environment, QWidget* parent)
    : QWidget(parent), kind_(kind), env_(std::move(environment)) {
  if (env_.state == nullptr) {
    ApplyFixedStartValues(fallbackState_, kind_);
    env_.state = &fallbackState_;
  }
  BuildWidgets();
  ResetDestroyTimer();
  FillState(*env_.state);
}

void TemplatePanel::BuildWidgets() {
  const ProviderInfo& info = Info(kind_);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  int row = 0;
  // One caption and its box per line: the template sits in a narrow frame beside the grid.
  auto addRow = [&](const QString& caption, QWidget* field, QWidget* extra = nullptr,
                    int fieldStretch = 1) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    if (extra == nullptr) {
      grid->addWidget(field, row, 1);
    } else {
      auto* line = new QHBoxLayout;
      line->setContentsMargins(0, 0, 0, 0);
      line->addWidget(field, fieldStretch);
      line->addWidget(extra);
      if (fieldStretch == 0) line->addStretch(1);
      grid->addLayout(line, row, 1);
    }
    ++row;
    return label;
  };

  zoneBox_ = new QComboBox(this);
  zoneBox_->setObjectName(Name("组合框", kind_, "可用分区"));
  zoneBox_->addItem(Q(kZonePlaceholder));
  imageTypeBox_ = new QComboBox(this);
  imageTypeBox_->setObjectName(Name("组合框", kind_, "镜像类型"));
  for (std::string_view item : kImageTypeItems) imageTypeBox_->addItem(Q(item));
  addRow(QStringLiteral("可用区域:"), zoneBox_);
  addRow(QStringLiteral("镜像类型:"), imageTypeBox_);

  imageBox_ = new QComboBox(this);
  imageBox_->setObjectName(Name("组合框", kind_, "镜像列表"));
  imageBox_->addItem(Q(kImagePlaceholder));
  imageBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  imageBox_->setMinimumContentsLength(12);
  addRow(QStringLiteral("镜像列表:"), imageBox_);

  instanceTypeBox_ = new QLineEdit(Q(info.instanceTypeDefault), this);
  instanceTypeBox_->setObjectName(Name("编辑框", kind_, "机型资源"));
  instanceTypeButton_ = new QPushButton(QStringLiteral("…"), this);
  instanceTypeButton_->setObjectName(Q(info.instanceTypeButtonName));
  instanceTypeButton_->setFixedSize(24, 24);
  instanceTypeButton_->setToolTip(QStringLiteral("查看可用区域的机型资源"));
  diskBox_ = new QComboBox(this);
  diskBox_->setObjectName(Name("组合框", kind_, "磁盘类型"));
  for (std::string_view item : info.diskTypeItems) diskBox_->addItem(Q(item));
  addRow(QStringLiteral("机型资源:"), instanceTypeBox_, instanceTypeButton_);
  addRow(QStringLiteral("硬盘选择:"), diskBox_);

  bandwidthBox_ = new QComboBox(this);
  bandwidthBox_->setObjectName(Name("组合框", kind_, "网络带宽"));
  for (const BandwidthItem& item : BandwidthItems())
    bandwidthBox_->addItem(Q(item.text), item.value);
  passwordBox_ = new QLineEdit(Q(kDefaultMachinePassword), this);
  passwordBox_->setObjectName(Name("编辑框", kind_, "机器密码"));
  addRow(QStringLiteral("网络带宽:"), bandwidthBox_);
  addRow(QStringLiteral("系统密码:"), passwordBox_);

  countBox_ = new QLineEdit(QStringLiteral("1"), this);
  countBox_->setObjectName(Name("编辑框", kind_, "机器数量"));
  countBox_->setMaxLength(4);
  countBox_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), countBox_));
  destroyBox_ = new QComboBox(this);
  destroyBox_->setObjectName(Name("组合框", kind_, "定时销毁"));
  destroyBox_->setEditable(true);
  destroyBox_->setInsertPolicy(QComboBox::NoInsert);
  destroyBox_->addItem(Q(kDestroyOff));
  // Two characters for the hours; the item text itself is longer and must still show, so
  // the limit is a validator on typing rather than a maximum length, which would cut it.
  destroyBox_->lineEdit()->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("不开启|.{0,2}")), destroyBox_));
  auto* hours = new QLabel(QStringLiteral("小时"), this);
  destroyBox_->setMinimumWidth(90);
  addRow(QStringLiteral("机器数量:"), countBox_);
  QLabel* destroyLabel = addRow(QStringLiteral("定时销毁:"), destroyBox_, hours, 0);
  if (kind_ == ProviderKind::Huawei) {
    destroyBox_->hide();
    destroyLabel->hide();
    hours->hide();
  }

  if (kind_ == ProviderKind::Tencent) {
    chargeBox_ = new QComboBox(this);
    chargeBox_->setObjectName(Name("组合框", kind_, "计费类型"));
    for (std::string_view item : ChargeTypeItems()) chargeBox_->addItem(Q(item));
    addRow(QStringLiteral("计费类型:"), chargeBox_);
  }

  progress_ = new QLabel(this);
  progress_->setObjectName(Name("标签", kind_, "创建进度"));
  createButton_ = new QPushButton(QStringLiteral("创建主机"), this);
  createButton_->setObjectName(Name("按钮", kind_, "创建主机"));
  progress_->setWordWrap(true);
  grid->addWidget(createButton_, row++, 1, Qt::AlignRight);
  grid->addWidget(progress_, row++, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);

  // Keyboard order follows the visual order.
  QWidget* order[] = {zoneBox_,         imageTypeBox_,       imageBox_,
                      instanceTypeBox_, instanceTypeButton_, diskBox_,
                      bandwidthBox_,    passwordBox_,        countBox_,
                      destroyBox_,      chargeBox_,          createButton_};
  QWidget* previous = nullptr;
  for (QWidget* widget : order) {
    if (widget == nullptr) continue;
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }

  for (QObject* watched :
       {static_cast<QObject*>(instanceTypeBox_), static_cast<QObject*>(passwordBox_),
        static_cast<QObject*>(countBox_), static_cast<QObject*>(destroyBox_),
        static_cast<QObject*>(destroyBox_->lineEdit())}) {
    watched->installEventFilter(this);
  }

  connect(zoneBox_, &QComboBox::activated, this, [this](int index) {
    if (zoneBox_->itemText(index) == Q(kZonePlaceholder)) return;
    const QVariant code = zoneBox_->itemData(index);
    env_.state->zoneCode = code.isValid()                   ? S(code.toString())
                           : kind_ == ProviderKind::Tencent ? itemCode(S(zoneBox_->itemText(index)))
                                                            : S(zoneBox_->itemText(index));
  });
  connect(imageTypeBox_, &QComboBox::activated, this, [this](int index) {
    if (auto code = ImageTypeCode(kind_, S(imageTypeBox_->itemText(index)))) {
      env_.state->imageType = std::string(*code);
    }
    LoadImages();
  });
  connect(imageBox_, &QComboBox::activated, this, [this](int index) {
    if (imageBox_->itemText(index) == Q(kImagePlaceholder)) return;
    const QVariant code = imageBox_->itemData(index);
    env_.state->imageId =
        code.isValid() ? S(code.toString()) : itemCode(S(imageBox_->itemText(index)));
  });
  connect(diskBox_, &QComboBox::activated, this,
          [this](int index) { env_.state->diskType = itemCode(S(diskBox_->itemText(index))); });
  connect(bandwidthBox_, &QComboBox::activated, this,
          [this](int index) { env_.state->bandwidth = bandwidthBox_->itemData(index).toInt(); });
  if (chargeBox_ != nullptr) {
    connect(chargeBox_, &QComboBox::activated, this, [this](int index) {
      env_.state->chargeType = itemCode(S(chargeBox_->itemText(index)));
    });
  }
  if (kind_ == ProviderKind::Huawei) {
    connect(passwordBox_, &QLineEdit::textChanged, this,
            [this](const QString& text) { env_.state->password = TrimSpaces(S(text)); });
  }
  connect(instanceTypeButton_, &QPushButton::clicked, this, &TemplatePanel::ShowInstanceTypes);
  connect(createButton_, &QPushButton::clicked, this, &TemplatePanel::CreateMachines);
}

void TemplatePanel::ResetDestroyTimer() {
  destroyBox_->setCurrentIndex(0);
}

void TemplatePanel::FillState(ProviderState& state) const {
  state.instanceType = S(instanceTypeBox_->text());
  state.diskType = itemCode(S(diskBox_->currentText()));
  state.password = S(passwordBox_->text());
}

bool TemplatePanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    ProviderState& state = *env_.state;
    if (watched == instanceTypeBox_) {
      state.instanceType = TrimSpaces(S(instanceTypeBox_->text()));
    } else if (watched == passwordBox_) {
      state.password = TrimSpaces(S(passwordBox_->text()));
    } else if (watched == countBox_) {
      state.machineCount = TextToInt(TrimSpaces(S(countBox_->text())));
    } else if (watched == destroyBox_ || watched == destroyBox_->lineEdit()) {
      ReadDestroyTimer();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TemplatePanel::ReadDestroyTimer() {
  if (kind_ == ProviderKind::Huawei) return;  // hidden: Huawei always sends 0 and 0
  const DestroyChoice choice = DestroyChoiceFromText(S(destroyBox_->currentText()));
  env_.state->destroyTimer = choice.destroyTimer;
  env_.state->destroyHours = choice.destroyHours;
}

AccessKeys TemplatePanel::ReadKeys() const {
  if (env_.readKeys) return env_.readKeys();
  auto box = [this](std::string_view role) {
    auto* edit = window()->findChild<QLineEdit*>(Name("编辑框", kind_, role));
    return edit != nullptr ? S(edit->text()) : std::string();
  };
  return AccessKeys::FromBoxes(box("secretid"), box("secretkey"));
}

void TemplatePanel::OnRegionChosen() {
  LoadZones();
  LoadImages();
}

void TemplatePanel::LoadZones() {
  if (env_.client == nullptr || env_.prompter == nullptr) return;
  const int generation = ++zoneGeneration_;
  const ProviderKind kind = kind_;
  const AccessKeys keys = ReadKeys();
  const std::string region = env_.state->regionCode;
  BackendClient* client = env_.client;
  Prompter* prompter = env_.prompter;
  const WindowRef owner = env_.owner;
  const QPointer<QObject> guard(this);
  StartTask(env_.tasks, [=] {
    TemplateLookups lookups(*client, *prompter, owner);
    std::optional<ZoneList> zones = lookups.LoadZones(kind, keys, region);
    if (!zones) return;
    PostToUi(guard, [guard, generation, zones = std::move(*zones)] {
      if (auto* panel = qobject_cast<TemplatePanel*>(guard.data())) {
        panel->ApplyZones(generation, zones);
      }
    });
  });
}

void TemplatePanel::ApplyZones(int generation, const ZoneList& zones) {
  if (generation != zoneGeneration_) return;
  zoneBox_->clear();
  for (const CodedItem& item : zones.items) zoneBox_->addItem(Q(item.text), Q(item.code));
  if (zones.firstZone) env_.state->zoneCode = *zones.firstZone;
  if (zoneBox_->count() > 0) zoneBox_->setCurrentIndex(0);
  emit ZonesApplied();
}

void TemplatePanel::LoadImages() {
  if (env_.client == nullptr || env_.prompter == nullptr) return;
  const int generation = ++imageGeneration_;
  const ProviderKind kind = kind_;
  const AccessKeys keys = ReadKeys();
  const std::string region = env_.state->regionCode;
  const std::string imageType = env_.state->imageType;
  BackendClient* client = env_.client;
  Prompter* prompter = env_.prompter;
  const WindowRef owner = env_.owner;
  const QPointer<QObject> guard(this);
  StartTask(env_.tasks, [=] {
    TemplateLookups lookups(*client, *prompter, owner);
    std::optional<ImageList> images = lookups.LoadImages(kind, keys, region, imageType);
    if (!images) return;
    PostToUi(guard, [guard, generation, images = std::move(*images)] {
      if (auto* panel = qobject_cast<TemplatePanel*>(guard.data())) {
        panel->ApplyImages(generation, images);
      }
    });
  });
}

void TemplatePanel::ApplyImages(int generation, const ImageList& images) {
  if (generation != imageGeneration_) return;
  imageBox_->clear();
  for (const CodedItem& item : images.items) imageBox_->addItem(Q(item.text), Q(item.code));
  if (images.firstImage) env_.state->imageId = *images.firstImage;
  if (imageBox_->count() > 0) imageBox_->setCurrentIndex(0);
  emit ImagesApplied();
}

void TemplatePanel::ShowInstanceTypes() {
  auto* window = new InstanceTypeWindow(this->window());
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->StartLoad(kind_, env_);
  OpenModal(env_.openModal, window);
}

void TemplatePanel::ShowProgress(int index, int total) {
  progress_->setText(QStringLiteral("正在发送第%1个创建请求，共%2个").arg(index).arg(total));
}

BlockingRunner TemplatePanel::Runner() const {
  return env_.runBlocking
             ? env_.runBlocking
             : BlockingRunner([](const std::function<void()>& work) { RunBlocking(work); });
}

void TemplatePanel::CreateMachines() {
  if (creating_ || env_.client == nullptr || env_.prompter == nullptr || env_.uiPauser == nullptr) {
    return;
  }
  // A second click during the pause would send the whole creation again.
  creating_ = true;
  createButton_->setEnabled(false);
  const QPointer<TemplatePanel> self(this);
  MachineCreator creator(*env_.client, *env_.prompter, *env_.uiPauser, env_.owner);
  CreationHooks hooks;
  hooks.runBlocking = Runner();
  hooks.progress = [this](int index, int total) { ShowProgress(index, total); };
  hooks.reload = env_.reloadMachines;
  const ProviderState asClicked = *env_.state;
  hooks.report = [this, asClicked](const RunReport& report) { ReportCreation(report, asClicked); };
  const std::int64_t delay = env_.batchDelay ? env_.batchDelay() : 100;
  creator.CreateMachines(kind_, S(countBox_->text()), ReadKeys(), *env_.state, delay, hooks);
  if (!self) return;
  progress_->clear();
  creating_ = false;
  createButton_->setEnabled(true);
  emit CreationFinished();
}

void TemplatePanel::ReportCreation(const RunReport& report, const ProviderState& asClicked) {
  LogRunSummary(env_.client->Log(), report);
  const QPointer<TemplatePanel> self(this);
  const std::string title = report.title;
  ShowRunResult(
      report,
      [self, asClicked, title](const std::vector<RequestOutcome>& failed) {
        return self ? self->RetryCreation(asClicked, title, failed) : std::nullopt;
      },
      window());
}

std::optional<RunReport> TemplatePanel::RetryCreation(const ProviderState& asClicked,
                                                      const std::string& title,
                                                      const std::vector<RequestOutcome>& failed) {
  if (creating_ || env_.client == nullptr || env_.prompter == nullptr || env_.uiPauser == nullptr) {
    return std::nullopt;
  }
  creating_ = true;
  createButton_->setEnabled(false);
  std::vector<int> counts;
  for (const RequestOutcome& outcome : failed) counts.push_back(TextToInt(outcome.subject));
  const QPointer<TemplatePanel> self(this);
  MachineCreator creator(*env_.client, *env_.prompter, *env_.uiPauser, env_.owner);
  CreationHooks hooks;
  hooks.runBlocking = Runner();
  hooks.progress = [this, self](int index, int total) {
    if (self) ShowProgress(index, total);
  };
  // The keys as they stand: a missing or wrong key may be what failed.
  RunReport report = creator.SendCreateRequests(kind_, ReadKeys(), asClicked, counts, hooks);
  report.title = title + "（重试）";
  env_.uiPauser->Pause((env_.batchDelay ? env_.batchDelay() : 100) + 1250);
  if (!self) return report;
  if (env_.reloadMachines) env_.reloadMachines();
  LogRunSummary(env_.client->Log(), report);
  progress_->clear();
  creating_ = false;
  createButton_->setEnabled(true);
  return report;
}

}  // namespace ydt
