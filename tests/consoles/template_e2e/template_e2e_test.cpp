// The template and the reinstall dialog in the real main window against the stand-in: an
// operator picks a region, creates machines that then show in the grid, and reinstalls all.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/reinstall/ui/reinstall_dialog.h"
#include "consoles/template/ui/template_panel.h"
#include "service/text/text.h"
#include "shell/mainwindow/console_window.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "sim_process.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "support/modal_driver.h"
#include "ui/app_context.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

class NoProcesses : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override { return {}; }
  bool Terminate(int) override { return false; }
  int OwnPid() override { return 1; }
  unsigned OwnUid() override { return 0; }
};

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

}  // namespace

class TemplateEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(sim_.Started(), sim_.StartError().c_str());
    RecordingLogSink log;
    ScriptedPrompter prompter;
    BackendClient client(log, prompter, sim_.BaseUrl());
    const std::string form = "username=" + UrlEncode("demo") + "&password=" + Md5Hex("demo123") +
                             "&verifycode=" + test::SimProcess::kCaptcha + "&type=yunduotai";
    QCOMPARE(client.CallBackend("/login/", kPost, form, nullptr, WindowRef{}, false, ""), 0);

    std::string pattern = (std::filesystem::temp_directory_path() / "ydt-tpl-XXXXXX").string();
    docs_ = ::mkdtemp(pattern.data());
    settings_ = std::make_unique<SettingsStore>(docs_);
    backend_ = std::make_unique<BackendClient>(*pane_, prompter_, sim_.BaseUrl());
    context_ = std::make_unique<AppContext>(AppContext{
        *backend_, prompter_, pauser_, tasks_, *settings_, running_, processes_, "yunduotai"});
    const ConsoleWindow built = BuildConsoleWindow(*context_, pane_);
    window_.reset(built.window);
    machines_ = built.machines;
    templates_ = built.templates;
    window_->show();
  }

  void cleanupTestCase() {
    QTest::qWait(100);
    window_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(docs_, ignored);
  }

  void createdMachinesShowInTheGrid_data() {
    QTest::addColumn<int>("provider");
    QTest::newRow("腾讯云") << 0;
    QTest::newRow("阿里云") << 1;
    QTest::newRow("华为云") << 2;
  }

  void createdMachinesShowInTheGrid() {
    QFETCH(int, provider);
    const ProviderKind kind = *ProviderFromIndex(provider);
    const std::string segment(Info(kind).segment);
    window_->Tabs()->setCurrentIndex(provider);
    ProviderPage& page = *window_->Page(kind);
    page.KeyPair()->SecretIdBox()->setText(Q("demo-" + segment + "-id"));
    page.KeyPair()->SecretKeyBox()->setText(Q("demo-" + segment + "-key"));
    TemplatePanel& panel = *templates_[provider];
    MachinesPanel& grid = *machines_[provider];

    QSignalSpy zones(&panel, &TemplatePanel::ZonesApplied);
    QSignalSpy images(&panel, &TemplatePanel::ImagesApplied);
    QSignalSpy loaded(&grid, &MachinesPanel::LoadFinished);
    Choose(page.RegionBox(), 3);  // a region the demo keys have no machines in
    QVERIFY(zones.wait(5000) || zones.count() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0 && loaded.count() > 0, 10000);
    QCOMPARE(grid.Model().rowCount(), 0);
    QVERIFY(!context_->State(kind).zoneCode.empty());

    // The demo account has no images of its own: take a public one.
    images.clear();
    Choose(panel.findChild<QComboBox*>(Q(WidgetName("组合框", kind, "镜像类型"))), 2);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0, 5000);
    QVERIFY(!context_->State(kind).imageId.empty());

    auto* count = panel.findChild<QLineEdit*>(Q(WidgetName("编辑框", kind, "机器数量")));
    count->setText(QStringLiteral("3"));
    loaded.clear();
    QTest::mouseClick(panel.findChild<QPushButton*>(Q(WidgetName("按钮", kind, "创建主机"))),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(grid.Model().rowCount(), 3, 10000);
    QVERIFY(pane_->toPlainText().contains(Q(LogTitle(kind, "创建主机") + "] 成功！")));
  }

  void allMachinesReinstallRunsFromTheButton() {
    const ProviderKind kind = ProviderKind::Tencent;
    window_->Tabs()->setCurrentIndex(0);
    MachinesPanel& grid = *machines_[0];
    QCOMPARE(grid.Model().rowCount(), 3);
    context_->running.SetRebuildPassword("Rebuild.Pw2024");
    bool ran = false;
    // The dialog is modal: drive it from inside its own loop.
    test::ModalDriver driver([&](QDialog* opened) {
      auto* dialog = qobject_cast<ReinstallDialog*>(opened);
      QVERIFY(dialog != nullptr);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 5000);
      auto* list = dialog->findChild<QListWidget*>(QStringLiteral("列表框_镜像列表"));
      auto* type = dialog->findChild<QComboBox*>(QStringLiteral("组合框_镜像类型"));
      Choose(type, 2);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 5000);
      list->item(0)->setSelected(true);
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("按钮1")), Qt::LeftButton);
      QTRY_COMPARE_WITH_TIMEOUT(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready, 10000);
      ran = true;
      dialog->close();
    });
    auto* button = window_->findChild<QPushButton*>(Q(WidgetName("按钮", kind, "全部重装")));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY2(ran, "the reinstall dialog was not driven to its end");
    int reinstalls = 0;
    for (const auto& request : sim_.RecentRequests(100)) {
      if (request.value("provider", "") == "qcloud" && request.value("op", "") == "rebuild/run") {
        ++reinstalls;
        QVERIFY(request.value("body", "").find("&password=Rebuild.Pw2024&") != std::string::npos);
      }
    }
    QCOMPARE(reinstalls, 3);
  }

 private:
  test::SimProcess sim_;
  std::string docs_;
  LogPane* pane_ = new LogPane;  // taken over by the window
  ScriptedPrompter prompter_;
  RecordingPauser pauser_;
  ThreadTaskRunner tasks_;
  NoProcesses processes_;
  RunningValues running_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<BackendClient> backend_;
  std::unique_ptr<AppContext> context_;
  std::unique_ptr<MainWindow> window_;
  std::array<MachinesPanel*, 3> machines_{};
  std::array<TemplatePanel*, 3> templates_{};
};

}  // namespace ydt

QTEST_MAIN(ydt::TemplateEndToEndTest)
#include "template_e2e_test.moc"
