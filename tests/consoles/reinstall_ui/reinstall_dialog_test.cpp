// The reinstall dialog through its states, its image checks and its runs (one machine, the
// chosen ones, all of them, and a retry of the failed ones), and the ways the operator
// opens it.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "consoles/machines/ui/run_result_window.h"
#include "consoles/reinstall/ui/reinstall_dialog.h"
#include "consoles/reinstall/ui/reinstall_launcher.h"
#include "scripted_backend.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"

using ydt::testing::FormValue;

namespace ydt {

class ReinstallDialogTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    explicit Fixture(ProviderKind kind) : kind(kind) {
      ApplyFixedStartValues(state, kind);
      state.regionCode = "region-1";
      state.imageId = "template-image";
    }
    ReinstallEnvironment Env() {
      ReinstallEnvironment env;
      env.client = &client;
      env.prompter = &prompter;
      env.uiPauser = &pauser;
      env.state = &state;
      env.batchDelay = [] { return std::int64_t{100}; };
      env.rebuildPassword = [] { return std::string("Rebuild.Pw9"); };
      env.readKeys = [this] { return keys; };
      env.rowCount = [this] { return static_cast<int>(rows.size()); };
      env.selectedMachineId = [this]() -> std::optional<std::string> {
        if (selected < 0 || selected >= static_cast<int>(rows.size())) return std::nullopt;
        return rows[static_cast<std::size_t>(selected)];
      };
      env.machineIds = [this] { return rows; };
      env.selectedMachineIds = [this] { return chosen; };
      env.afterRun = [this] { ++afterRuns; };
      env.openModal = [this](QDialog* dialog) {
        opened = qobject_cast<ReinstallDialog*>(dialog);
        dialog->show();
      };
      return env;
    }
    std::unique_ptr<ReinstallDialog> Open(ReinstallMode mode) {
      return std::make_unique<ReinstallDialog>(kind, Env(), mode);
    }
    std::string ImagesPath() const { return BackendPath(kind, "rebuild/images"); }
    std::string RunPath() const { return BackendPath(kind, "rebuild/run"); }
    std::vector<std::string> BoxTexts() const {
      std::vector<std::string> texts;
      for (const auto& box : prompter.Boxes()) texts.push_back(box.text);
      return texts;
    }

    ProviderKind kind;
    testing::ScriptedBackend backend;
    RecordingLogSink log;
    ScriptedPrompter prompter;
    RecordingPauser pauser;
    BackendClient client{log, prompter, backend.BaseUrl()};
    ProviderState state;
    AccessKeys keys{"id", "key"};
    std::vector<std::string> rows{"ins-1", "ins-2", "ins-3"};
    int selected = 1;
    std::vector<std::string> chosen;
    int afterRuns = 0;
    QPointer<ReinstallDialog> opened;
  };

  static QListWidget* List(QDialog& d) {
    return d.findChild<QListWidget*>(QStringLiteral("列表框_镜像列表"));
  }
  static QPushButton* RunButton(QDialog& d) {
    return d.findChild<QPushButton*>(QStringLiteral("按钮1"));
  }
  static QComboBox* TypeBox(QDialog& d) {
    return d.findChild<QComboBox*>(QStringLiteral("组合框_镜像类型"));
  }
  static void Pick(QListWidget* list, int row) { list->item(row)->setSelected(true); }

  static constexpr const char* kTwoImages =
      R"({"code":0,"data":{"ImageSet":[{"ImageId":"img-1","ImageName":"CentOS"},
                                       {"ImageId":"img-2","ImageName":"Debian"}]}})";

 private slots:
  void loadsThenOffersTheImagesWithoutChoosingOne();
  void allMachinesRunGoesThroughItsStatesWithAPauseAfterEachMachine();
  void reopeningReusesTheEarlierImage();
  void imageTypeChangeReloadsAndKeepsTheChoice();
  void refusesWithoutAValidImage();
  void missingKeysLeaveTheLoadingItem();
  void launcherChecksTheGridFirst();
  void chosenMachinesRunWithTheFailedOneListedAndRetried();
};

void ReinstallDialogTest::loadsThenOffersTheImagesWithoutChoosingOne() {
  Fixture f(ProviderKind::Tencent);
  f.backend.Queue(f.ImagesPath(), kTwoImages);
  auto dialog = f.Open(ReinstallMode::AllMachines);
  QCOMPARE(dialog->windowTitle(),
           QStringLiteral("重装镜像选择（重装密码请到系统参数中设置）(如重装失败请先关机）"));
  QVERIFY(dialog->findChild<QTimer*>(QStringLiteral("时钟_加载")));
  QVERIFY(dialog->findChild<QTimer*>(QStringLiteral("时钟_重装")));
  QCOMPARE(TypeBox(*dialog)->currentText(), QStringLiteral("私有镜像"));
  QCOMPARE(f.state.reinstallImageType, std::string("PRIVATE_IMAGE"));

  dialog->show();
  QCOMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Loading);
  QCOMPARE(List(*dialog)->item(0)->text(), QStringLiteral("正在加载..."));
  QVERIFY(!RunButton(*dialog)->isEnabled() && !TypeBox(*dialog)->isEnabled());
  QVERIFY(!dialog->close());              // no closing while the list loads
  QVERIFY(f.backend.Requests().empty());  // the load waits for the clock's one tick

  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(List(*dialog)->count(), 2);
  QCOMPARE(List(*dialog)->item(1)->text(), QStringLiteral("Debian（img-2）"));
  QVERIFY(List(*dialog)->selectedItems().isEmpty());
  QVERIFY(f.state.reinstallImageId.empty());
  QCOMPARE(f.backend.Forms(f.ImagesPath()),
           std::vector<std::string>{
               "secretid=id&secretkey=key&region=region-1&imagetype=PRIVATE_IMAGE"});
  QVERIFY(RunButton(*dialog)->isEnabled());
  QVERIFY(dialog->close());
}

void ReinstallDialogTest::allMachinesRunGoesThroughItsStatesWithAPauseAfterEachMachine() {
  Fixture f(ProviderKind::Huawei);
  f.backend.Queue(f.ImagesPath(),
                  R"({"code":0,"data":{"images":[{"id":"h-1","name":"EulerOS"}]}})");
  auto dialog = f.Open(ReinstallMode::AllMachines);
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QSignalSpy phases(dialog.get(), &ReinstallDialog::PhaseChanged);
  Pick(List(*dialog), 0);
  QCOMPARE(f.state.reinstallImageId, std::string("h-1"));

  QTest::mouseClick(RunButton(*dialog), Qt::LeftButton);
  QCOMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Running);
  QCOMPARE(RunButton(*dialog)->text(), QStringLiteral("正在重装"));
  QVERIFY(!RunButton(*dialog)->isEnabled() && !List(*dialog)->isEnabled());
  QVERIFY(!dialog->close());

  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(RunButton(*dialog)->text(), QStringLiteral("执行重装"));
  const auto forms = f.backend.Forms(f.RunPath());
  QCOMPARE(forms.size(), std::size_t{3});
  QCOMPARE(forms[0], std::string("secretid=id&secretkey=key&region=region-1&instanceids=[ins-1]"
                                 "&imagesid=h-1&password=Rebuild.Pw9"));
  QCOMPARE(FormValue(forms[2], "instanceids"), std::string("[ins-3]"));
  QCOMPARE(f.pauser.Lengths(), (std::vector<std::int64_t>{1000, 350, 350, 350}));
  QCOMPARE(f.BoxTexts(), (std::vector<std::string>{"确定要全部重装？", "已执行操作！"}));
  QCOMPARE(phases.count(), 2);                               // running, then ready again
  QCOMPARE(f.state.imageId, std::string("template-image"));  // the template's choice stays
}

void ReinstallDialogTest::reopeningReusesTheEarlierImage() {
  Fixture f(ProviderKind::Aliyun);
  f.backend.Standing(
      f.ImagesPath(),
      R"({"code":0,"data":{"Images":{"Image":[{"ImageId":"m-7","ImageName":"Win"}]}}})");
  {
    auto first = f.Open(ReinstallMode::SelectedMachine);
    QTRY_COMPARE(first->CurrentPhase(), ReinstallDialog::Phase::Ready);
    Pick(List(*first), 0);
    QVERIFY(first->close());
  }
  auto second = f.Open(ReinstallMode::SelectedMachine);
  QTRY_COMPARE(second->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QTest::mouseClick(RunButton(*second), Qt::LeftButton);
  QTRY_COMPARE(f.backend.Forms(f.RunPath()).size(), std::size_t{1});
  const std::string form = f.backend.Forms(f.RunPath())[0];
  QCOMPARE(FormValue(form, "imagesid"), std::string("m-7"));
  QCOMPARE(FormValue(form, "instanceids"), std::string("[ins-2]"));
  QCOMPARE(f.BoxTexts().front(), std::string("确定要执行重装？"));
  QTRY_COMPARE(second->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(f.pauser.Lengths(), std::vector<std::int64_t>{1000});  // no pause for one machine
}

void ReinstallDialogTest::imageTypeChangeReloadsAndKeepsTheChoice() {
  Fixture f(ProviderKind::Tencent);
  f.backend.Queue(f.ImagesPath(), kTwoImages);
  f.backend.Queue(f.ImagesPath(),
                  R"({"code":0,"data":{"ImageSet":[{"ImageId":"img-p","ImageName":"Public"}]}})");
  auto dialog = f.Open(ReinstallMode::AllMachines);
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  Pick(List(*dialog), 1);
  TypeBox(*dialog)->setCurrentIndex(2);
  emit TypeBox(*dialog)->activated(2);
  QCOMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Loading);
  QCOMPARE(f.state.reinstallImageType, std::string("PUBLIC_IMAGE"));
  QCOMPARE(List(*dialog)->count(), 1);
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(List(*dialog)->item(0)->text(), QStringLiteral("Public（img-p）"));
  QCOMPARE(f.state.reinstallImageId, std::string("img-2"));
  QCOMPARE(FormValue(f.backend.Forms(f.ImagesPath()).at(1), "imagetype"),
           std::string("PUBLIC_IMAGE"));
}

void ReinstallDialogTest::refusesWithoutAValidImage() {
  // Tencent's empty list reads "（无）", whose code is refused as no valid image; the other
  // providers' "无" carries no code at all.
  for (ProviderKind kind : {ProviderKind::Tencent, ProviderKind::Huawei}) {
    Fixture f(kind);
    f.backend.Queue(f.ImagesPath(), R"({"code":0,"data":{}})");
    auto dialog = f.Open(ReinstallMode::AllMachines);
    QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
    QTest::mouseClick(RunButton(*dialog), Qt::LeftButton);  // nothing chosen yet
    Pick(List(*dialog), 0);
    QTest::mouseClick(RunButton(*dialog), Qt::LeftButton);
    const bool tencent = kind == ProviderKind::Tencent;
    QCOMPARE(List(*dialog)->item(0)->text(),
             tencent ? QStringLiteral("（无）") : QStringLiteral("无"));
    QCOMPARE(f.BoxTexts(), (std::vector<std::string>{
                               "请先选择一个重装镜像！",
                               tencent ? "请先一个有效的重装镜像！" : "请先选择一个重装镜像！"}));
    QVERIFY(f.backend.Forms(f.RunPath()).empty());
    QCOMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  }
}

void ReinstallDialogTest::missingKeysLeaveTheLoadingItem() {
  Fixture f(ProviderKind::Aliyun);
  f.keys = {"id", ""};
  auto dialog = f.Open(ReinstallMode::AllMachines);
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(f.BoxTexts(), std::vector<std::string>{"请先填写SecretId和SecretKey！"});
  QCOMPARE(List(*dialog)->item(0)->text(), QStringLiteral("正在加载..."));
  // The loading item stands for no image.
  f.state.reinstallImageId = "m-old";
  Pick(List(*dialog), 0);
  QCOMPARE(f.state.reinstallImageId, std::string());
  QVERIFY(f.backend.Requests().empty());
}

void ReinstallDialogTest::launcherChecksTheGridFirst() {
  Fixture f(ProviderKind::Tencent);
  ReinstallLauncher launcher(ProviderKind::Tencent, f.Env(), nullptr);
  QWidget host;
  QPushButton* all = launcher.NewReinstallAllButton(&host);
  QCOMPARE(all->objectName(), QStringLiteral("按钮_腾讯云_全部重装"));
  QCOMPARE(all->text(), QStringLiteral("全部重装"));

  f.selected = -1;
  launcher.OpenForSelected();
  QCOMPARE(launcher.reinstallMode(), ReinstallMode::SelectedMachine);
  f.rows.clear();
  QTest::mouseClick(all, Qt::LeftButton);
  QCOMPARE(launcher.reinstallMode(), ReinstallMode::AllMachines);
  QVERIFY(!f.opened);
  QCOMPARE(f.BoxTexts(), (std::vector<std::string>{"您还未选择服务器！", "无可用机器资源！"}));
  QCOMPARE(f.prompter.Boxes()[1].icon, MessageIcon::Warning);

  f.rows = {"ins-9"};
  f.selected = 0;
  launcher.OpenForSelected();
  QVERIFY(f.opened);
  QCOMPARE(f.opened->windowTitle(), ReinstallDialog::Title());
  QTRY_COMPARE(f.opened->CurrentPhase(), ReinstallDialog::Phase::Ready);
  f.opened->close();
}

void ReinstallDialogTest::chosenMachinesRunWithTheFailedOneListedAndRetried() {
  Fixture f(ProviderKind::Tencent);
  f.chosen = {"ins-1", "ins-3"};
  f.backend.Queue(f.ImagesPath(), kTwoImages);
  f.backend.Queue(f.RunPath(), R"({"code":0,"msg":"","data":{}})");
  f.backend.Queue(f.RunPath(), R"({"code":1,"msg":"请先关机","data":{}})");
  f.backend.Queue(f.RunPath(), R"({"code":0,"msg":"","data":{}})");
  ReinstallLauncher launcher(ProviderKind::Tencent, f.Env(), nullptr);
  launcher.OpenForSelected();
  QCOMPARE(launcher.reinstallMode(), ReinstallMode::ChosenMachines);
  QVERIFY(f.opened);
  ReinstallDialog* dialog = f.opened;
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  Pick(List(*dialog), 0);
  QTest::mouseClick(RunButton(*dialog), Qt::LeftButton);
  QTRY_COMPARE(f.backend.Forms(f.RunPath()).size(), std::size_t{2});
  QTRY_COMPARE(dialog->CurrentPhase(), ReinstallDialog::Phase::Ready);
  QCOMPARE(f.BoxTexts(), (std::vector<std::string>{"确定要重装选中的 2 台主机？", "已执行操作！"}));
  QCOMPARE(f.pauser.Lengths(), (std::vector<std::int64_t>{1000, 350, 350}));
  QCOMPARE(f.afterRuns, 1);
  QVERIFY(f.log.Lines().front().ends_with(
      "] [腾讯云 - 重装系统（选中 2 台）] 共 2 个请求：成功 1，失败 1\r\n"));

  auto* result = dialog->findChild<RunResultWindow*>();
  QVERIFY(result != nullptr);
  auto* table = result->findChild<QTableWidget*>(QStringLiteral("列表框_失败请求"));
  QCOMPARE(table->rowCount(), 1);
  QCOMPARE(table->item(0, 0)->text(), QStringLiteral("ins-3"));
  QCOMPARE(table->item(0, 2)->text(), QStringLiteral("请先关机"));
  result->RetryFailed();
  const auto forms = f.backend.Forms(f.RunPath());
  QCOMPARE(forms.size(), std::size_t{3});
  QCOMPARE(FormValue(forms[2], "instanceids"), std::string("[ins-3]"));
  QCOMPARE(table->rowCount(), 0);
  QCOMPARE(f.afterRuns, 2);
  QVERIFY(f.log.Lines().front().ends_with("（重试）] 共 1 个请求：成功 1，失败 0\r\n"));
  dialog->close();
}

}  // namespace ydt

QTEST_MAIN(ydt::ReinstallDialogTest)
#include "reinstall_dialog_test.moc"
