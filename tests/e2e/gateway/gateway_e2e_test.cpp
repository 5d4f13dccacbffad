// The real console through the gateway to the providers' fakes: one login through the login
// window, then on each tab the operator's day in brief — a region of 250 machines, one
// machine stopped, two created, one reinstalled, the balance read — checked both on screen
// and in what the provider's fake received.
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machine_filter_proxy.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/reinstall/ui/reinstall_dialog.h"
#include "consoles/template/ui/template_panel.h"
#include "e2e/faults/fault_console.h"
#include "faked_clouds.h"
#include "gateway_process.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "support/modal_driver.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

constexpr int kMachines = 250;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Exactly one request titled `title` (a prefix) said success in the log.
bool OneSuccessLine(LogPane& log, const std::string& title) {
  return test::CountLogLines(log, title, "成功！") == 1;
}

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

// Types into a box and leaves it, which is when the template takes a box's text.
void TypeAndLeave(QLineEdit* box, const QString& text) {
  box->setText(text);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(box, &out);
}

QAction* MenuAction(MachinesPanel& panel, const QString& text) {
  for (QAction* action : panel.PopupMenu()->actions()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

// Selects a row as a click would; the machine ID it holds, or empty.
std::string SelectRow(MachinesPanel& panel, int row) {
  panel.Grid()->selectionModel()->clearSelection();
  panel.Grid()->selectRow(row);
  const int selected = panel.SelectedRow();
  if (selected < 0) return {};
  return panel.Model().Rows()[static_cast<std::size_t>(selected)].Cell(MachineColumn::Id);
}

// Selects the row of machine `id` wherever the grid now shows it; false when it does not.
bool SelectMachine(MachinesPanel& panel, const std::string& id) {
  for (int shown = 0; shown < panel.Proxy().rowCount(); ++shown) {
    if (SelectRow(panel, shown) == id) return true;
  }
  return false;
}

// What each provider's fake must have received for the console's four actions.
struct Expected {
  std::string stop;    // the provider's stop action, as a substring of the request
  std::string create;  // its creation action
  std::string reinstall;
  std::string balance;       // the balance caption
  std::string instanceType;  // one the fake sells in the region's first zone
};

Expected ExpectedOf(const std::string& provider) {
  if (provider == "qcloud") {
    return {"StopInstances", "RunInstances", "ResetInstance",
            "余额：" + std::to_string(test::FakedClouds::kQcloudBalanceCents / 100) + "." +
                std::to_string(test::FakedClouds::kQcloudBalanceCents % 100) + "元",
            "S5.SMALL2"};
  }
  if (provider == "aliyun") {
    return {"StopInstances", "RunInstances", "ReplaceSystemDisk",
            std::string("余额：") + test::FakedClouds::kAliyunCash + "元", "ecs.s6-c1m1.small"};
  }
  return {"os-stop", "/cloudservers {", "/changeos", "余额：88.5元", "s6.small.1"};
}

// The text a request shows of itself for matching: action header, query, path and body.
std::string Described(const live::ProviderRequest& request) {
  std::string text = request.method + " " + request.path + " ";
  for (const auto& [name, value] : request.headers) {
    if (QString::fromStdString(name).compare(QStringLiteral("X-TC-Action"), Qt::CaseInsensitive) ==
            0 ||
        QString::fromStdString(name).compare(QStringLiteral("x-acs-action"), Qt::CaseInsensitive) ==
            0)
      text += value + " ";
  }
  for (const auto& [name, value] : request.query) text += name + "=" + value + " ";
  return text + request.body;
}

std::vector<std::string> ReceivedMatching(test::FakeProvider& fake, const std::string& what,
                                          const std::string& method = "") {
  std::vector<std::string> found;
  for (const auto& request : fake.Received()) {
    if (!method.empty() && request.method != method) continue;
    const std::string text = Described(request);
    if (text.find(what) != std::string::npos) found.push_back(text);
  }
  return found;
}

}  // namespace

class GatewayEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    clouds_ = std::make_unique<test::FakedClouds>(kMachines);
    QVERIFY(clouds_->Started());
    gateway_ = std::make_unique<test::GatewayProcess>(clouds_->EndpointFlags());
    QVERIFY2(gateway_->Started(), gateway_->StartError().c_str());

    // The gateway has no web host; the update check is never asked for here.
    run_ = std::make_unique<test::LoginRun>(gateway_->BaseUrl(), "127.0.0.1:9");
    QVERIFY(run_->start->Open());
    QVERIFY(run_->CaptchaShown());
    run_->TypeEverything();
    run_->ClickLogin();
    QTRY_VERIFY_WITH_TIMEOUT(run_->start->Main() != nullptr, 10000);
    main_ = run_->start->Main();
    QTRY_COMPARE(main_->windowTitle(), QStringLiteral("云舵台 V3.5    登录用户：demo"));
  }

  void cleanupTestCase() {
    if (QTest::currentTestFailed() && gateway_) qWarning("%s", gateway_->LogText().c_str());
    run_.reset();
    gateway_.reset();
    clouds_.reset();
  }

  void operatorDrivesTheTab_data() {
    QTest::addColumn<int>("tab");
    QTest::newRow("腾讯云") << 0;
    QTest::newRow("阿里云") << 1;
    QTest::newRow("华为云") << 2;
  }

  void operatorDrivesTheTab() {
    QFETCH(int, tab);
    const ProviderKind kind = *ProviderFromIndex(tab);
    const std::string provider = test::FakedClouds::Providers()[static_cast<std::size_t>(tab)];
    const Expected expected = ExpectedOf(provider);
    test::FakeProvider& fake = clouds_->Fake(provider);
    LogPane& log = run_->services.Log();
    ScriptedPrompter& prompter = run_->services.prompter;

    main_->Tabs()->setCurrentIndex(tab);
    ProviderPage& page = *main_->Page(kind);
    MachinesPanel* grid = nullptr;
    for (MachinesPanel* panel : main_->findChildren<MachinesPanel*>()) {
      if (panel->Kind() == kind) grid = panel;
    }
    TemplatePanel* templ = nullptr;
    for (TemplatePanel* panel : main_->findChildren<TemplatePanel*>()) {
      if (panel->Kind() == kind) templ = panel;
    }
    QVERIFY(grid != nullptr && templ != nullptr);

    const auto [secretId, secretKey] = clouds_->Keys(provider);
    TypeAndLeave(page.KeyPair()->SecretIdBox(), Q(secretId));
    TypeAndLeave(page.KeyPair()->SecretKeyBox(), Q(secretKey));

    // The region of 250 machines: every row, with the fake's IDs.
    QSignalSpy loaded(grid, &MachinesPanel::LoadFinished);
    QSignalSpy images(templ, &TemplatePanel::ImagesApplied);
    Choose(page.RegionBox(), 0);
    QCOMPARE(context().State(kind).regionCode, clouds_->Region(provider));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
    QCOMPARE(grid->Model().rowCount(), kMachines);
    std::vector<std::string> shown;
    for (const MachineRow& row : grid->Model().Rows()) shown.push_back(row.Cell(MachineColumn::Id));
    std::vector<std::string> held = clouds_->MachineIds(provider);
    std::sort(shown.begin(), shown.end());
    std::sort(held.begin(), held.end());
    QVERIFY(shown == held);
    QVERIFY2(OneSuccessLine(log, LogTitle(kind, "初始化机器列表")),
             log.toPlainText().left(600).toUtf8().constData());

    // Stop one machine from the row's popup menu.
    const std::string chosen = SelectRow(*grid, 7);
    QVERIFY(!chosen.empty());
    loaded.clear();
    prompter.ClearBoxes();
    QAction* stop = MenuAction(*grid, QStringLiteral("关机"));
    QVERIFY(stop != nullptr);
    stop->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
    const auto stops = ReceivedMatching(fake, expected.stop);
    QCOMPARE(stops.size(), std::size_t{1});
    QVERIFY2(stops[0].find(chosen) != std::string::npos, stops[0].c_str());
    QVERIFY2(OneSuccessLine(log, LogTitle(kind, "关闭主机")),
             log.toPlainText().left(600).toUtf8().constData());
    QVERIFY(HasBox(prompter, "已执行操作！"));

    // Two machines from the template, in one creation request.
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0, 10000);
    images.clear();
    Choose(templ->findChild<QComboBox*>(Q(WidgetName("组合框", kind, "镜像类型"))), 2);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0, 10000);
    QVERIFY(!context().State(kind).imageId.empty());
    TypeAndLeave(templ->findChild<QLineEdit*>(Q(WidgetName("编辑框", kind, "机型资源"))),
                 Q(expected.instanceType));
    templ->findChild<QLineEdit*>(Q(WidgetName("编辑框", kind, "机器数量")))
        ->setText(QStringLiteral("2"));
    loaded.clear();
    QTest::mouseClick(templ->findChild<QPushButton*>(Q(WidgetName("按钮", kind, "创建主机"))),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
    const auto creations = ReceivedMatching(fake, expected.create, "POST");
    QCOMPARE(creations.size(), std::size_t{1});
    QVERIFY2(CreationCount(provider, creations[0]) == 2, creations[0].c_str());
    QVERIFY2(OneSuccessLine(log, LogTitle(kind, "创建主机")),
             log.toPlainText().left(600).toUtf8().constData());
    QTRY_COMPARE_WITH_TIMEOUT(grid->Model().rowCount(), kMachines + 2, 10000);

    // Reinstall the stopped machine from the popup menu, through its dialog (Alibaba
    // reinstalls only stopped machines).
    const std::string rebuilt = chosen;
    QVERIFY(SelectMachine(*grid, rebuilt));
    bool ran = false;
    test::ModalDriver driver([&](QDialog* opened) {
      auto* dialog = qobject_cast<ReinstallDialog*>(opened);
      QVERIFY(dialog != nullptr);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 5000);
      Choose(dialog->findChild<QComboBox*>(QStringLiteral("组合框_镜像类型")), 2);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 5000);
      auto* list = dialog->findChild<QListWidget*>(QStringLiteral("列表框_镜像列表"));
      QVERIFY(list->count() > 0);
      list->item(0)->setSelected(true);
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("按钮1")), Qt::LeftButton);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 10000);
      ran = true;
      dialog->close();
    });
    QAction* reinstall = MenuAction(*grid, QStringLiteral("重装"));
    QVERIFY(reinstall != nullptr);
    reinstall->trigger();
    QVERIFY2(ran, "the reinstall dialog was not driven to its end");
    const auto rebuilds = ReceivedMatching(fake, expected.reinstall, "POST");
    QCOMPARE(rebuilds.size(), std::size_t{1});
    QVERIFY2(rebuilds[0].find(rebuilt) != std::string::npos, rebuilds[0].c_str());
    QVERIFY2(OneSuccessLine(log, LogTitle(kind, "重装系统")),
             log.toPlainText().left(600).toUtf8().constData());

    // The balance, as the key pair's test shows it.
    auto* balance = page.KeyPair()->findChild<QLabel*>(Q(WidgetName("透明标签", kind, "余额")));
    QVERIFY(balance != nullptr);
    QTest::mouseClick(page.KeyPair()->TestButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(balance->text(), Q(expected.balance), 10000);
    QVERIFY2(OneSuccessLine(log, LogTitle(kind, "测试登录")),
             log.toPlainText().left(600).toUtf8().constData());

    // Every running machine at once: lists of at most a hundred, each its own provider call,
    // and one summary line for the run. A provider may refuse a whole list when one of its
    // machines is busy (the one just reinstalled), so not every list need succeed.
    const std::size_t stopsBefore = ReceivedMatching(fake, expected.stop).size();
    prompter.ClearBoxes();
    loaded.clear();
    QTest::mouseClick(grid->findChild<QPushButton*>(Q(WidgetName("按钮", kind, "全部关机"))),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 30000);
    const QRegularExpression summary(
        QRegularExpression::escape(Q("[" + LogTitle(kind, "全部关机") + "] 共 ")) +
        QStringLiteral("(\\d+) 个请求：成功 (\\d+)，失败 (\\d+)"));
    const QRegularExpressionMatch counts = summary.match(log.toPlainText());
    QVERIFY2(counts.hasMatch(), log.toPlainText().left(600).toUtf8().constData());
    const int requests = counts.captured(1).toInt();
    QVERIFY2(requests >= 2, counts.captured(0).toUtf8().constData());  // some 250 machines
    QCOMPARE(counts.captured(2).toInt() + counts.captured(3).toInt(), requests);
    QVERIFY(counts.captured(2).toInt() >= 1);
    QVERIFY(ReceivedMatching(fake, expected.stop).size() - stopsBefore >=
            static_cast<std::size_t>(requests));
    QVERIFY(HasBox(prompter, "已执行操作！"));
  }

 private:
  AppContext& context() { return run_->services.Context(); }

  static bool HasBox(ScriptedPrompter& prompter, const std::string& text) {
    for (const auto& box : prompter.Boxes()) {
      if (box.text == text) return true;
    }
    return false;
  }

  // The number of machines one creation request asked for, in the provider's own terms.
  static int CreationCount(const std::string& provider, const std::string& described) {
    if (provider == "aliyun") {
      const std::size_t at = described.find("Amount=");
      return at == std::string::npos ? -1 : std::atoi(described.c_str() + at + 7);
    }
    const std::size_t brace = described.find('{');
    const auto body = nlohmann::json::parse(
        brace == std::string::npos ? std::string() : described.substr(brace), nullptr, false);
    if (!body.is_object()) return -1;
    if (provider == "qcloud") return body.value("InstanceCount", -1);
    return body.value("server", nlohmann::json::object()).value("count", -1);
  }

  std::unique_ptr<test::FakedClouds> clouds_;
  std::unique_ptr<test::GatewayProcess> gateway_;
  std::unique_ptr<test::LoginRun> run_;
  MainWindow* main_ = nullptr;
};

}  // namespace ydt

QTEST_MAIN(ydt::GatewayEndToEnd)
#include "gateway_e2e_test.moc"
