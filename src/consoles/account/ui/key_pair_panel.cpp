#include "consoles/account/ui/key_pair_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "service/text/text.h"
#include "ui/app_context.h"
#include "ui/focus_out.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

KeyPairPanel::KeyPairPanel(AppContext& context, ProviderKind kind, SectionSettings settings,
                           QWidget* parent)
    : QGroupBox(Q(Info(kind).keyHintCaption), parent),
      context_(context),
      kind_(kind),
      settings_(std::move(settings)) {
  const ProviderInfo& info = Info(kind);
  auto* column = new QVBoxLayout(this);
  auto* keyRow = new QHBoxLayout;
  column->addLayout(keyRow);

  // Created in visual order, so the keyboard's tab order follows the screen.
  secretId_ = new QLineEdit(this);
  secretId_->setObjectName(Q(WidgetName("编辑框", kind, "secretid")));
  keyRow->addWidget(Caption(QStringLiteral("AccessId："), secretId_, this));
  keyRow->addWidget(secretId_, 2);
  secretKey_ = new QLineEdit(this);
  secretKey_->setObjectName(Q(WidgetName("编辑框", kind, "secretkey")));
  keyRow->addWidget(Caption(QStringLiteral("AccessKey："), secretKey_, this));
  keyRow->addWidget(secretKey_, 3);
  testButton_ = new QPushButton(QStringLiteral("测试登录"), this);
  testButton_->setObjectName(Q(info.testButtonName));
  keyRow->addWidget(testButton_);
  // Both captions carry the backend's texts as they came.
  balance_ = new QLabel(Q(kBalanceInitial), this);
  balance_->setObjectName(Q(WidgetName("透明标签", kind, "余额")));
  balance_->setTextFormat(Qt::PlainText);
  balance_->setMinimumWidth(150);
  keyRow->addWidget(balance_);
  if (kind == ProviderKind::Tencent) {
    account_ = new QLabel(Q(kAccountInitial), this);
    account_->setObjectName(Q(WidgetName("透明标签", kind, "QQ")));
    account_->setTextFormat(Qt::PlainText);
    account_->setMinimumWidth(130);
    keyRow->addWidget(account_);
  }

  secondRow_ = new QHBoxLayout;
  column->addLayout(secondRow_);
  if (info.HasNetworkIds()) {
    netRowA_ = new QHBoxLayout;
    netRowB_ = new QHBoxLayout;
    secondRow_->addLayout(netRowA_, 1);
    secondRow_->addLayout(netRowB_, 1);
    netIdA_ = AddNetworkIdBox(netRowA_, 0);
    netIdB_ = AddNetworkIdBox(netRowB_, 1);
  } else {
    secondRow_->addStretch(1);
  }

  OnFocusOut(secretId_, [this] { SaveCredential(secretId_, "secretid"); });
  OnFocusOut(secretKey_, [this] { SaveCredential(secretKey_, "secretkey"); });
  connect(testButton_, &QPushButton::clicked, this, &KeyPairPanel::TestLogin);
}

QLineEdit* KeyPairPanel::AddNetworkIdBox(QHBoxLayout* row, int which) {
  const ProviderInfo& info = Info(kind_);
  auto* box = new QLineEdit(Q(which == 0 ? info.netIdSampleA : info.netIdSampleB), this);
  box->setObjectName(
      Q(WidgetName("编辑框", kind_, which == 0 ? info.netIdRoleA : info.netIdRoleB)));
  row->addWidget(Caption(Q(which == 0 ? info.netIdCaptionA : info.netIdCaptionB), box, this));
  row->addWidget(box, 1);
  OnFocusOut(box, [this, box, which] { SaveNetworkId(box, which); });
  return box;
}

std::pair<std::string, std::string> KeyPairPanel::Credentials() const {
  return {TrimSpaces(secretId_->text().toStdString()),
          TrimSpaces(secretKey_->text().toStdString())};
}

void KeyPairPanel::SaveCredential(QLineEdit* box, const char* key) {
  // Written exactly as typed; operations trim when they send.
  settings_.Write(key, box->text().toStdString());
}

void KeyPairPanel::SaveNetworkId(QLineEdit* box, int which) {
  const ProviderInfo& info = Info(kind_);
  const std::string text = TrimSpaces(box->text().toStdString());
  ProviderState& state = context_.State(kind_);
  if (kind_ == ProviderKind::Aliyun) {
    (which == 0 ? state.securityGroupId : state.vswitchId) = text;
  } else {
    (which == 0 ? state.vpcId : state.subnetId) = text;
  }
  settings_.Write(which == 0 ? info.netIdKeyA : info.netIdKeyB, text);
}

void KeyPairPanel::LoadSettings() {
  const ProviderInfo& info = Info(kind_);
  auto restore = [&](QLineEdit* box, std::string_view key) {
    if (box == nullptr) return;
    const std::string value = settings_.Read(key, "");
    if (!value.empty()) box->setText(QString::fromStdString(value));
  };
  restore(secretId_, "secretid");
  restore(secretKey_, "secretkey");
  if (info.HasNetworkIds()) {
    restore(netIdA_, info.netIdKeyA);
    restore(netIdB_, info.netIdKeyB);
  }
}

void KeyPairPanel::CopyNetworkIdsToState() {
  if (!Info(kind_).HasNetworkIds()) return;
  ProviderState& state = context_.State(kind_);
  const std::string a = netIdA_->text().toStdString();
  const std::string b = netIdB_->text().toStdString();
  if (kind_ == ProviderKind::Aliyun) {
    state.securityGroupId = a;
    state.vswitchId = b;
  } else {
    state.vpcId = a;
    state.subnetId = b;
  }
}

void KeyPairPanel::ApplyCaptions(const BalanceCaptions& captions) {
  if (captions.balance) balance_->setText(QString::fromStdString(*captions.balance));
  if (captions.account && account_ != nullptr) {
    account_->setText(QString::fromStdString(*captions.account));
  }
}

void KeyPairPanel::TestLogin() {
  balance_->setText(Q(kBalanceReading));
  const auto [id, key] = Credentials();
  const QPointer<QObject> guard(this);
  const WindowRef owner = WindowRefOf(window());
  BackendClient& backend = context_.backend;
  Prompter& prompter = context_.prompter;
  const ProviderKind kind = kind_;
  context_.tasks.Start([=, &backend, &prompter] {
    const BalanceCaptions captions = RunTestLogin(backend, prompter, kind, id, key, owner);
    PostToUi(guard, [guard, captions] {
      if (auto* panel = qobject_cast<KeyPairPanel*>(guard.data())) panel->ApplyCaptions(captions);
    });
  });
}

}  // namespace ydt
