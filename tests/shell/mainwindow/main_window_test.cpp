#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "consoles/account/ui/key_pair_panel.h"
#include "service/backend/backend_client.h"
#include "service/text/text.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "sim_process.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "support/qt/shown_text.h"
#include "ui/app_context.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class FakeProcessTable : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override {
    return {{7, "yunduotai", 1000}, {8, "yunduotai-helper", 1000}, {100, "yunduotai", 1000}};
  }
  bool Terminate(int pid) override {
    terminated.push_back(pid);
    return true;
  }
  int OwnPid() override { return 100; }
  unsigned OwnUid() override { return 1000; }
  std::vector<int> terminated;
};

// One console as the program builds it, with the prompts scripted, the pauses recorded
// and the process list faked; requests go to the stand-in.
struct Console {
  explicit Console(const std::string& baseUrl) : backend(*pane, prompter, baseUrl) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ydt-window-XXXXXX").string();
    docs = ::mkdtemp(pattern.data());
    settings = std::make_unique<SettingsStore>(docs);
    context = std::make_unique<AppContext>(
        AppContext{backend, prompter, pauser, tasks, *settings, running, processes, "yunduotai"});
  }
  ~Console() {
    window.reset();
    std::error_code ignored;
    std::filesystem::remove_all(docs, ignored);
  }
  MainWindow& Open() {
    window = std::make_unique<MainWindow>(*context, pane);
    window->RunCreationSequence();
    return *window;
  }
  template <typename T>
  T* Find(std::string_view name) const {
    return window->findChild<T*>(Q(name));
  }
  KeyPairPanel* KeyPair(ProviderKind kind) const { return window->Page(kind)->KeyPair(); }

  std::string docs;
  LogPane* pane = new LogPane;  // taken over by the window
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  ThreadTaskRunner tasks;
  FakeProcessTable processes;
  RunningValues running;
  BackendClient backend;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<AppContext> context;
  std::unique_ptr<MainWindow> window;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(sim_.Started(), sim_.StartError().c_str());
    // The login cookie lands in the process-wide cookie store and serves every later call.
    RecordingLogSink log;
    ScriptedPrompter prompter;
    BackendClient client(log, prompter, sim_.BaseUrl());
    const std::string form = "username=" + UrlEncode("demo") + "&password=" + Md5Hex("demo123") +
                             "&verifycode=" + test::SimProcess::kCaptcha + "&type=yunduotai";
    QCOMPARE(client.CallBackend("/login/", kPost, form, nullptr, WindowRef{}, false, ""), 0);
  }

  void init() {
    sim_.ClearFaults();
    console_ = std::make_unique<Console>(sim_.BaseUrl());
  }

  void cleanup() {
    // Let late worker results land before the window goes.
    QTest::qWait(50);
    console_.reset();
  }

  void everyControlCarriesItsFormName() {
    MainWindow& window = console_->Open();
    QCOMPARE(window.windowTitle().left(9), QStringLiteral("云舵台 V3.5"));
    auto* tabs = console_->Find<QTabWidget>("高级选择夹1");
    QVERIFY(tabs != nullptr);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("腾讯云"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("阿里云"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("华为云"));
    QCOMPARE(console_->Find<QGroupBox>("分组框8")->title(), QStringLiteral("日志输出"));
    QVERIFY(console_->Find<LogPane>("编辑框_腾讯云_日志输出") != nullptr);
    QVERIFY(console_->Find<QStatusBar>("状态条1") != nullptr);
    auto* clock = console_->Find<QTimer>("时间_时钟");
    QVERIFY(clock != nullptr);
    QCOMPARE(clock->interval(), 1000);
    QVERIFY(clock->isActive());
    QVERIFY(console_->Find<QLabel>("状态条1_时间")
                ->text()
                .startsWith(QStringLiteral("当前系统时间：")));
    QCOMPARE(console_->Find<QLabel>("状态条1_被控服务器")->text(),
             QStringLiteral("当前选择的被控服务器："));
    auto* tray = console_->Find<QSystemTrayIcon>("托盘图标1");
    QVERIFY(tray != nullptr);
    QCOMPARE(tray->toolTip(), QStringLiteral("云舵台"));
    QVERIFY(!tray->icon().isNull());
    QVERIFY(console_->Find<QMenu>("托盘菜单") != nullptr);

    const char* groups[3][3] = {{"分组框2", "分组框4", "分组框1"},
                                {"分组框3", "分组框6", "分组框13"},
                                {"分组框14", "分组框15", "分组框19"}};
    for (ProviderKind kind : kAllProviders) {
      const ProviderInfo& info = Info(kind);
      for (const char* group : groups[ProviderIndex(kind)]) {
        QVERIFY2(console_->Find<QGroupBox>(group) != nullptr, group);
      }
      QCOMPARE(console_->Find<QGroupBox>(groups[ProviderIndex(kind)][0])->title(),
               Q(info.keyHintCaption));
      QStringList boxes = {Q(WidgetName("编辑框", kind, "secretid")),
                           Q(WidgetName("编辑框", kind, "secretkey"))};
      if (info.HasNetworkIds()) {
        boxes << Q(WidgetName("编辑框", kind, info.netIdRoleA))
              << Q(WidgetName("编辑框", kind, info.netIdRoleB));
      }
      for (const QString& name : boxes) {
        auto* box = window.findChild<QLineEdit*>(name);
        QVERIFY2(box != nullptr, qPrintable(name));
        // Every box is reachable from the keyboard through its caption.
        bool hasBuddy = false;
        for (QLabel* label : window.findChildren<QLabel*>()) hasBuddy |= label->buddy() == box;
        QVERIFY2(hasBuddy, qPrintable(name));
      }
      auto* button = console_->Find<QPushButton>(info.testButtonName);
      QVERIFY(button != nullptr);
      QCOMPARE(button->text(), QStringLiteral("测试登录"));
      QCOMPARE(console_->Find<QLabel>(WidgetName("透明标签", kind, "余额"))->text(),
               QStringLiteral("余额："));
      auto* region = console_->Find<QComboBox>(WidgetName("组合框", kind, "区域"));
      QVERIFY(region != nullptr);
      QCOMPARE(region->count(), static_cast<int>(info.regionItems.size()));
    }
    QCOMPARE(console_->Find<QLabel>("透明标签_腾讯云_QQ")->text(), QStringLiteral("QQ："));
    QVERIFY(console_->Find<QLabel>("透明标签_阿里云_QQ") == nullptr);
    QVERIFY(QRegularExpression(QStringLiteral("^sg-[a-z0-9]{20}$"))
                .match(console_->Find<QLineEdit>("编辑框_阿里云_安全组ID")->text())
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^vsw-[a-z0-9]{21}$"))
                .match(console_->Find<QLineEdit>("编辑框_阿里云_交换机ID")->text())
                .hasMatch());
    const QRegularExpression uuid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    QVERIFY(uuid.match(console_->Find<QLineEdit>("编辑框_华为云_VPCID")->text()).hasMatch());
    QVERIFY(uuid.match(console_->Find<QLineEdit>("编辑框_华为云_SUBNETID")->text()).hasMatch());
    QTRY_VERIFY(window.windowTitle().contains(QStringLiteral("登录用户")));
  }

  void tabKeyFollowsTheScreenOrder() {
    console_->Open();
    QStringList order;
    QWidget* widget = console_->Find<QLineEdit>("编辑框_阿里云_secretid");
    for (int i = 0; i < 6; ++i, widget = widget->nextInFocusChain()) {
      while (widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
      order << widget->objectName();
    }
    QCOMPARE(
        order,
        (QStringList{QStringLiteral("编辑框_阿里云_secretid"),
                     QStringLiteral("编辑框_阿里云_secretkey"), QStringLiteral("按钮_阿里云_登录"),
                     QStringLiteral("组合框_阿里云_区域"), QStringLiteral("编辑框_阿里云_安全组ID"),
                     QStringLiteral("编辑框_阿里云_交换机ID")}));
  }

  void creationRestoresTheSettingsAndLoadsNothing() {
    SettingsStore& settings = *console_->settings;
    settings.writeSetting("config", "batch_delay", "50");
    settings.writeSetting("config", "rebuild_password", "abcdef");
    settings.writeSetting("qcloud", "secretid", "AKID-stored");
    settings.writeSetting("qcloud", "secretkey", "");
    settings.writeSetting("qcloud", "selected_region", "11");
    settings.writeSetting("aliyun", "securitygroupid", "");
    settings.writeSetting("aliyun", "vswitchid", "vsw-stored");
    settings.writeSetting("aliyun", "selected_region", "99");
    settings.writeSetting("huawei", "vpcid", "vpc-stored");
    settings.writeSetting("huawei", "selected_region", "3");
    const int requestsBefore = sim_.Stats()["counts"].value("total", 0);

    MainWindow& window = console_->Open();
    // The login information arrives on a worker and extends the title.
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("云舵台 V3.5    登录用户：demo"));

    QCOMPARE(console_->running.BatchDelay(), 100);
    QCOMPARE(QString::fromStdString(console_->running.RebuildPassword()),
             QStringLiteral("Qzt.Hv731.Nep"));
    QCOMPARE(console_->Find<QLineEdit>("编辑框_腾讯云_secretid")->text(),
             QStringLiteral("AKID-stored"));
    QCOMPARE(console_->Find<QLineEdit>("编辑框_腾讯云_secretkey")->text(), QString());
    QCOMPARE(console_->Find<QLineEdit>("编辑框_阿里云_安全组ID")->text(),
             Q(Info(ProviderKind::Aliyun).netIdSampleA));
    QCOMPARE(console_->Find<QComboBox>("组合框_腾讯云_区域")->currentIndex(), 11);
    QCOMPARE(console_->Find<QComboBox>("组合框_阿里云_区域")->currentIndex(), -1);
    QCOMPARE(console_->Find<QComboBox>("组合框_华为云_区域")->currentIndex(), 3);

    const ProviderState& tencent = console_->context->State(ProviderKind::Tencent);
    const ProviderState& aliyun = console_->context->State(ProviderKind::Aliyun);
    const ProviderState& huawei = console_->context->State(ProviderKind::Huawei);
    QCOMPARE(QString::fromStdString(tencent.regionCode), QStringLiteral("eu-frankfurt"));
    QCOMPARE(QString::fromStdString(aliyun.regionCode), QString());
    QCOMPARE(QString::fromStdString(huawei.regionCode), QStringLiteral("cn-south-1"));
    QCOMPARE(QString::fromStdString(tencent.chargeType), QStringLiteral("POSTPAID_BY_HOUR"));
    QCOMPARE(QString::fromStdString(tencent.diskType), QStringLiteral("CLOUD_PREMIUM"));
    QCOMPARE(QString::fromStdString(aliyun.vswitchId), QStringLiteral("vsw-stored"));
    QCOMPARE(QString::fromStdString(aliyun.securityGroupId),
             Q(Info(ProviderKind::Aliyun).netIdSampleA));
    QCOMPARE(QString::fromStdString(huawei.vpcId), QStringLiteral("vpc-stored"));
    QCOMPARE(QString::fromStdString(huawei.imageType), QStringLiteral("private"));
    QCOMPARE(huawei.bandwidth, 1);
    QCOMPARE(huawei.machineCount, 1);

    // Only the login information was asked for: no list, zone or image load at start.
    QCOMPARE(sim_.Stats()["counts"].value("total", 0), requestsBefore + 1);
    // The file is not corrected by loading.
    QCOMPARE(QString::fromStdString(settings.readSetting("config", "batch_delay", "")),
             QStringLiteral("50"));
  }

  void typedKeysAreSavedOnLeavingAndSentTrimmedByTestLogin() {
    MainWindow& window = console_->Open();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* id = console_->Find<QLineEdit>("编辑框_腾讯云_secretid");
    auto* key = console_->Find<QLineEdit>("编辑框_腾讯云_secretkey");
    QTest::mouseClick(id, Qt::LeftButton);
    QTest::keyClicks(id, QStringLiteral("demo-qcloud-id"));
    QTest::mouseClick(key, Qt::LeftButton);
    QTest::keyClicks(key, QStringLiteral("demo-qcloud-key "));
    QCOMPARE(key->text(), QStringLiteral("demo-qcloud-key "));
    // No focus change in between: the click itself takes the focus from the key box.
    QTest::mouseClick(console_->Find<QPushButton>("按钮_腾讯云_测试登录"), Qt::LeftButton);

    SettingsStore& settings = *console_->settings;
    QCOMPARE(QString::fromStdString(settings.readSetting("qcloud", "secretid", "")),
             QStringLiteral("demo-qcloud-id"));
    // The file keeps the key exactly as typed, trailing space included.
    QFile file(QString::fromStdString(settings.settingsPath()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("secretkey=demo-qcloud-key \r\n"));
    auto* balance = console_->Find<QLabel>("透明标签_腾讯云_余额");
    QTRY_COMPARE(balance->text(), QStringLiteral("余额：123.45元"));
    QCOMPARE(console_->Find<QLabel>("透明标签_腾讯云_QQ")->text(),
             QStringLiteral("QQ：100012345678"));
    const auto last = sim_.RecentRequests(1).at(0);
    QCOMPARE(QString::fromStdString(last.value("body", "")),
             QStringLiteral("secretid=demo-qcloud-id&secretkey=demo-qcloud-key"));
    QCOMPARE(QString::fromStdString(last.value("target", "")),
             QStringLiteral("/api/v1/lxinterface/yunduotai/qcloud/accountbalance/"));
    QTRY_VERIFY(console_->pane->toPlainText()
                    .section(QLatin1Char('\n'), 0, 0)
                    .contains(QStringLiteral("] [腾讯云 - 测试登录] 成功！")));
    QVERIFY(console_->prompter.Boxes().empty());
  }

  void networkIdsAreTrimmedIntoTheRecordAndTheFileOnLeaving() {
    MainWindow& window = console_->Open();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.findChild<QTabWidget*>(QStringLiteral("高级选择夹1"))->setCurrentIndex(2);
    auto* vpc = console_->Find<QLineEdit>("编辑框_华为云_VPCID");
    QTest::mouseClick(vpc, Qt::LeftButton);
    vpc->selectAll();
    QTest::keyClicks(vpc, QStringLiteral("  vpc-typed "));
    QTest::mouseClick(console_->Find<QLineEdit>("编辑框_华为云_SUBNETID"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(console_->context->State(ProviderKind::Huawei).vpcId),
             QStringLiteral("vpc-typed"));
    QCOMPARE(QString::fromStdString(console_->settings->readSetting("huawei", "vpcid", "")),
             QStringLiteral("vpc-typed"));
    // Leaving an untouched box writes it too.
    QTest::mouseClick(vpc, Qt::LeftButton);
    QCOMPARE(QString::fromStdString(console_->settings->readSetting("huawei", "subnetid", "")),
             Q(Info(ProviderKind::Huawei).netIdSampleB));
  }

  void balanceCaptionsOfAliyunAndHuawei() {
    console_->Open();
    for (ProviderKind kind : {ProviderKind::Aliyun, ProviderKind::Huawei}) {
      const std::string segment(Info(kind).segment);
      console_->KeyPair(kind)->SecretIdBox()->setText(Q("demo-" + segment + "-id"));
      console_->KeyPair(kind)->SecretKeyBox()->setText(Q(" demo-" + segment + "-key"));
      console_->Find<QPushButton>(Info(kind).testButtonName)->click();
    }
    QTRY_COMPARE(console_->Find<QLabel>("透明标签_阿里云_余额")->text(),
                 QStringLiteral("余额：1.23457e+06元"));
    QTRY_COMPARE(console_->Find<QLabel>("透明标签_华为云_余额")->text(),
                 QStringLiteral("余额：88.000元"));
  }

  // The Huawei amount and the Tencent account number are shown as the backend wrote them.
  void balanceCaptionsShowTheBackendsTextAsWritten() {
    console_->Open();
    const QString balance = QStringLiteral("余额：") + test::kMarkup + QStringLiteral("元");
    const QString account = QStringLiteral("QQ：") + test::kMarkup;
    console_->KeyPair(ProviderKind::Tencent)
        ->ApplyCaptions({balance.toStdString(), account.toStdString()});
    for (const auto& [name, text] :
         {std::pair{"透明标签_腾讯云_余额", balance}, std::pair{"透明标签_腾讯云_QQ", account}}) {
      const QLabel* label = console_->Find<QLabel>(name);
      QCOMPARE(test::ShownText(label->text(), label->textFormat()), text);
    }
  }

  void failedTestsShowTheFailureCaptionsWithoutABox() {
    console_->Open();
    console_->KeyPair(ProviderKind::Tencent)->SecretIdBox()->setText(QStringLiteral("wrong"));
    console_->KeyPair(ProviderKind::Tencent)->SecretKeyBox()->setText(QStringLiteral("wrong"));
    QVERIFY(sim_.SetFault({{"kind", "nonjson"}, {"op", "aliyun/accountbalance"}}));
    console_->KeyPair(ProviderKind::Aliyun)
        ->SecretIdBox()
        ->setText(QStringLiteral("demo-aliyun-id"));
    console_->KeyPair(ProviderKind::Aliyun)
        ->SecretKeyBox()
        ->setText(QStringLiteral("demo-aliyun-key"));
    auto* tencentBalance = console_->Find<QLabel>("透明标签_腾讯云_余额");
    console_->Find<QPushButton>("按钮_腾讯云_测试登录")->click();
    console_->Find<QPushButton>("按钮_阿里云_登录")->click();
    QTRY_COMPARE(tencentBalance->text(), QStringLiteral("余额：读取失败"));
    QCOMPARE(console_->Find<QLabel>("透明标签_腾讯云_QQ")->text(), QStringLiteral("QQ：读取失败"));
    QTRY_COMPARE(console_->Find<QLabel>("透明标签_阿里云_余额")->text(),
                 QStringLiteral("余额：读取失败"));
    QTRY_VERIFY(console_->pane->toPlainText().contains(
        QStringLiteral("[阿里云 - 测试登录] 服务器繁忙，请稍后再试！")));
    QVERIFY(console_->prompter.Boxes().empty());
  }

  void missingKeysAreRefusedBeforeAnyRequest() {
    MainWindow& window = console_->Open();
    QTRY_VERIFY(window.windowTitle().contains(QStringLiteral("登录用户")));
    const int before = sim_.Stats()["counts"].value("total", 0);
    console_->KeyPair(ProviderKind::Huawei)->SecretIdBox()->setText(QStringLiteral("id"));
    console_->KeyPair(ProviderKind::Huawei)->SecretKeyBox()->setText(QStringLiteral("   "));
    console_->Find<QPushButton>("按钮_华为云_登录")->click();
    QCOMPARE(console_->Find<QLabel>("透明标签_华为云_余额")->text(),
             QStringLiteral("余额：正在读取"));
    QTRY_COMPARE(console_->prompter.Boxes().size(), size_t{1});
    const auto box = console_->prompter.Boxes().front();
    QCOMPARE(QString::fromStdString(box.text), QStringLiteral("请先填写SecretId和SecretKey！"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QTest::qWait(50);
    QCOMPARE(console_->Find<QLabel>("透明标签_华为云_余额")->text(),
             QStringLiteral("余额：正在读取"));
    QCOMPARE(sim_.Stats()["counts"].value("total", 0), before);
  }

  void choosingARegionSetsTheCodeWritesTheIndexAndTellsThePanels() {
    MainWindow& window = console_->Open();
    ProviderPage* page = window.Page(ProviderKind::Aliyun);
    QSignalSpy chosen(page, &ProviderPage::regionChosen);
    QComboBox* region = page->RegionBox();
    region->setCurrentIndex(3);
    QCOMPARE(chosen.count(), 0);  // set by the program, not chosen
    QTest::keyClick(region, Qt::Key_Down);
    QCOMPARE(region->currentIndex(), 4);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).value<ProviderKind>(), ProviderKind::Aliyun);
    QCOMPARE(QString::fromStdString(console_->context->State(ProviderKind::Aliyun).regionCode),
             QStringLiteral("cn-hangzhou"));
    QCOMPARE(
        QString::fromStdString(console_->settings->readSetting("aliyun", "selected_region", "")),
        QStringLiteral("4"));
  }

  void tabChangesUpdateTheCurrentProvider() {
    MainWindow& window = console_->Open();
    QSignalSpy changed(&window, &MainWindow::currentProviderChanged);
    window.Tabs()->setCurrentIndex(2);
    QCOMPARE(console_->context->currentProvider, 2);
    window.Tabs()->setCurrentIndex(1);
    QCOMPARE(console_->context->currentProvider, 1);
    QCOMPARE(changed.count(), 2);
  }

  void aboutBoxNamesTheWebHost() {
    MainWindow& window = console_->Open();
    auto* about = window.findChild<QAction*>(QStringLiteral("关于本软件"));
    QVERIFY(about != nullptr);
    about->trigger();
    QCOMPARE(console_->prompter.Boxes().size(), size_t{1});
    const std::string text = console_->prompter.Boxes().front().text;
    QVERIFY(text.starts_with("【关于软件】\r\n\r\n1.本软件直接请求服务器接口"));
    QVERIFY(text.ends_with(std::string("澜星科技") + YUNDUOTAI_WEB_HOST +
                           "\r\n为您提供专业的软件定制开发方案！"));
  }

  // Runs last: an accepted exit asks the application to quit.
  void exitConfirmationCancelledKeepsEverythingAcceptedEndsOwnCopiesLast() {
    MainWindow& window = console_->Open();
    window.show();
    console_->prompter.QueueAnswer(MessageAnswer::Cancel);
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QVERIFY(console_->processes.terminated.empty());
    const auto box = console_->prompter.Boxes().back();
    QCOMPARE(QString::fromStdString(box.text), QStringLiteral("确定要退出云舵台？"));
    QCOMPARE(box.icon, MessageIcon::None);
    QCOMPARE(box.buttons, MessageButtons::OkCancel);

    console_->prompter.QueueAnswer(MessageAnswer::Ok);
    window.findChild<QAction*>(QStringLiteral("退出程序"))->trigger();
    QCOMPARE(console_->processes.terminated, (std::vector<int>{7, 100}));
  }

 private:
  test::SimProcess sim_;
  std::unique_ptr<Console> console_;
};

}  // namespace ydt

QTEST_MAIN(ydt::MainWindowTest)
#include "main_window_test.moc"
