// The machine panels in the real main window against the stand-in: a region choice loads
// the grid with the whole window's tab control held, a right-click opens the menu on the
// row under the mouse, the status bar names the selected machine, the address window
// gathers every tab's addresses, and 自动刷新 is kept in the settings file.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/sim_session.h"
#include "consoles/machines/ui/machines_panel.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/mainwindow/tab_composition.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "support/fakes/recording_pauser.h"
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

}  // namespace

class MachinesWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(sim_.Started(), sim_.StartError().c_str());
    QVERIFY(test::LoginToSim(sim_));
    std::string pattern = (std::filesystem::temp_directory_path() / "ydt-grid-XXXXXX").string();
    docs_ = ::mkdtemp(pattern.data());
    settings_ = std::make_unique<SettingsStore>(docs_);
    backend_ = std::make_unique<BackendClient>(*pane_, prompter_, sim_.BaseUrl());
    context_ = std::make_unique<AppContext>(AppContext{
        *backend_, prompter_, pauser_, tasks_, *settings_, running_, processes_, "yunduotai"});
    window_ = std::make_unique<MainWindow>(*context_, pane_);
    panels_ = InstallMachinesPanels(*window_, *context_);
    window_->RunCreationSequence();
    window_->resize(1100, 760);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanupTestCase() {
    window_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(docs_, ignored);
  }

  void regionChoiceLoadsTheGridWithTheTabsHeld() {
    // Nothing is loaded at start, whatever region the settings hold.
    for (MachinesPanel* panel : panels_) QCOMPARE(panel->Model().rowCount(), 0);

    const ProviderKind kind = ProviderKind::Aliyun;
    window_->Tabs()->setCurrentIndex(ProviderIndex(kind));
    ProviderPage& page = *window_->Page(kind);
    page.KeyPair()->SecretIdBox()->setText(QStringLiteral("demo-aliyun-id"));
    page.KeyPair()->SecretKeyBox()->setText(QStringLiteral("demo-aliyun-key"));
    auto* tabs = window_->findChild<QTabWidget*>(QStringLiteral("高级选择夹1"));
    QVERIFY(tabs != nullptr);

    page.RegionBox()->setCurrentIndex(1);
    emit page.RegionBox()->activated(1);
    QVERIFY(!tabs->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!panels_[1]->LoadRunning(), 20000);
    QVERIFY(tabs->isEnabled());
    QCOMPARE(panels_[1]->Model().rowCount(), 250);
    QCOMPARE(context_->State(kind).regionCode, test::RegionCode(kind, 1));
    QVERIFY(pane_->toPlainText().contains(
        QStringLiteral("[阿里云 - 加载机器信息第3页，总数250] 成功！")));
  }

  void rightClickOpensTheMenuOnTheRowUnderTheMouse() {
    QTableView* grid = panels_[1]->Grid();
    QCOMPARE(grid->objectName(), QStringLiteral("超级列表框_阿里云_机器管理"));
    const QPoint at = grid->visualRect(grid->model()->index(3, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
    // The platform follows a right-click with a context-menu event; QTest does not.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &menuEvent);
    QTRY_VERIFY(panels_[1]->PopupMenu()->isVisible());
    QCOMPARE(panels_[1]->SelectedRow(), 3);
    QCOMPARE(context_->State(ProviderKind::Aliyun).selectedRow, 3);
    panels_[1]->PopupMenu()->close();
  }

  void statusBarNamesTheSelectedMachineOfTheTabOnShow() {
    auto* label = window_->findChild<QLabel*>(QStringLiteral("状态条1_被控服务器"));
    const MachineRow& row = panels_[1]->Model().Rows()[3];
    QString expected = QStringLiteral("当前选择的被控服务器：") + Q(row.Cell(MachineColumn::Id));
    const std::string& address = row.Cell(MachineColumn::PublicAddress);
    if (!address.empty()) expected += u' ' + Q(address.substr(0, address.find(',')));
    QCOMPARE(label->text(), expected);
    window_->Tabs()->setCurrentIndex(0);  // nothing selected there
    QCOMPARE(label->text(), QStringLiteral("当前选择的被控服务器："));
    window_->Tabs()->setCurrentIndex(1);
    QCOMPARE(label->text(), expected);
  }

  void addressWindowGathersEveryTab() {
    ProviderPage& tencent = *window_->Page(ProviderKind::Tencent);
    tencent.KeyPair()->SecretIdBox()->setText(QStringLiteral("demo-qcloud-id"));
    tencent.KeyPair()->SecretKeyBox()->setText(QStringLiteral("demo-qcloud-key"));
    tencent.RegionBox()->setCurrentIndex(0);
    emit tencent.RegionBox()->activated(0);
    QTRY_VERIFY_WITH_TIMEOUT(!panels_[0]->LoadRunning(), 20000);

    QString oneTab, allTabs, caption;
    QTimer::singleShot(0, this, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (dialog == nullptr) return;
      auto* text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("编辑框_机器IP列表"));
      oneTab = text->toPlainText();
      dialog->findChild<QCheckBox*>(QStringLiteral("选择框_全部标签页"))->click();
      allTabs = text->toPlainText();
      caption = dialog->findChild<QGroupBox*>(QStringLiteral("分组框_机器IP列表"))->title();
      dialog->close();
    });
    window_->findChild<QPushButton*>(QStringLiteral("按钮_阿里云_提取全部IP"))->click();
    QVERIFY(!oneTab.isEmpty() && !oneTab.contains(u'【'));
    QVERIFY2(allTabs.startsWith(QStringLiteral("【腾讯云】\n43.138.20.11,43.138.20.12\n")),
             qPrintable(allTabs));
    QVERIFY(allTabs.contains(QStringLiteral("\n\n【阿里云】\n") + oneTab));
    QVERIFY(!allTabs.contains(QStringLiteral("【华为云】")));
    QCOMPARE(caption, QStringLiteral("机器IP列表（共%1行）").arg(oneTab.count(u'\n') + 2));
  }

  void autoRefreshChoiceIsKeptInTheProvidersSection() {
    auto* box = window_->findChild<QCheckBox*>(QStringLiteral("选择框_腾讯云_自动刷新"));
    QVERIFY(box != nullptr && box->isChecked());
    box->click();
    QCOMPARE(settings_->readSetting("qcloud", "auto_refresh", ""), std::string("0"));
    QCOMPARE(settings_->readSetting("huawei", "auto_refresh", "none"), std::string("none"));
    // Read back when the window restores its settings.
    box->setChecked(true);
    window_->Page(ProviderKind::Tencent)->LoadSettings();
    QVERIFY(!box->isChecked());
    box->click();
    QCOMPARE(settings_->readSetting("qcloud", "auto_refresh", ""), std::string("1"));
  }

 private:
  test::SimProcess sim_;
  std::string docs_;
  LogPane* pane_ = new LogPane;  // the main window takes it over
  ScriptedPrompter prompter_;
  RecordingPauser pauser_;
  ThreadTaskRunner tasks_;
  RunningValues running_;
  NoProcesses processes_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<BackendClient> backend_;
  std::unique_ptr<AppContext> context_;
  std::unique_ptr<MainWindow> window_;
  std::array<MachinesPanel*, 3> panels_{};
};

}  // namespace ydt

QTEST_MAIN(ydt::MachinesWindowTest)
#include "machines_window_test.moc"
