// The creation template as the operator uses it: its boxes, what they write into the
// tab's record, the lookups that fill them, and what 创建主机 then sends.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "consoles/template/ui/instance_type_window.h"
#include "consoles/template/ui/network_help_window.h"
#include "consoles/template/ui/template_panel.h"
#include "scripted_backend.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "ui/task_runner.h"

using ydt::testing::FormValue;

namespace ydt {
namespace {

QString Name(const char* kind, ProviderKind provider, const char* role) {
  return QString::fromStdString(WidgetName(kind, provider, role));
}

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

}  // namespace

class TemplatePanelTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    explicit Fixture(ProviderKind kind) {
      ApplyFixedStartValues(state, kind);
      state.regionCode = "ap-beijing";
      TemplateEnvironment env;
      env.client = &client;
      env.prompter = &prompter;
      env.uiPauser = &pauser;
      env.tasks = &tasks;
      env.state = &state;
      env.readKeys = [this] { return keys; };
      env.reloadMachines = [this] { ++reloads; };
      env.openModal = [this](QDialog* dialog) {
        opened = dialog;
        dialog->show();
      };
      panel = std::make_unique<TemplatePanel>(kind, std::move(env));
    }
    template <typename T>
    T* Find(const QString& name) {
      T* widget = panel->findChild<T*>(name);
      if (widget == nullptr) qWarning() << "missing" << name;
      return widget;
    }
    // Waits until `n` backend requests have been answered, then a little longer for a
    // result a worker might still post (used where nothing should change).
    bool WaitForLines(std::size_t n) {
      if (!QTest::qWaitFor([&] { return log.Lines().size() >= n; }, 5000)) return false;
      QTest::qWait(200);
      return true;
    }

    testing::ScriptedBackend backend;
    RecordingLogSink log;
    ScriptedPrompter prompter;
    RecordingPauser pauser;
    BackendClient client{log, prompter, backend.BaseUrl()};
    ThreadTaskRunner tasks;
    ProviderState state;
    AccessKeys keys{"id", "key"};
    int reloads = 0;
    QPointer<QDialog> opened;
    std::unique_ptr<TemplatePanel> panel;
  };

 private slots:
  void everyControlIsThereWithItsStartState();
  void countAndDestroyBoxesLimitTyping();
  void regionChoiceFillsZonesAndImages();
  void zoneCountZeroLeavesTheZoneBoxAlone();
  void huaweiZonesComeFromTheTableAndMissingKeysAreToldOnce();
  void laterImageLoadWinsOverASlowerEarlierOne();
  void emptyImageListOffersNoImage();
  void createSendsWhatTheOperatorJustTyped();
  void instanceTypeWindowShowsTheLinesOrTheFailure();
  void networkHelpWindowsHaveTitlesAndPictures();
};

void TemplatePanelTest::everyControlIsThereWithItsStartState() {
  for (ProviderKind kind : kAllProviders) {
    Fixture f(kind);
    const ProviderInfo& info = Info(kind);
    auto* zone = f.Find<QComboBox>(Name("组合框", kind, "可用分区"));
    auto* imageType = f.Find<QComboBox>(Name("组合框", kind, "镜像类型"));
    auto* image = f.Find<QComboBox>(Name("组合框", kind, "镜像列表"));
    auto* instanceType = f.Find<QLineEdit>(Name("编辑框", kind, "机型资源"));
    auto* disk = f.Find<QComboBox>(Name("组合框", kind, "磁盘类型"));
    auto* bandwidth = f.Find<QComboBox>(Name("组合框", kind, "网络带宽"));
    auto* password = f.Find<QLineEdit>(Name("编辑框", kind, "机器密码"));
    auto* count = f.Find<QLineEdit>(Name("编辑框", kind, "机器数量"));
    auto* destroy = f.Find<QComboBox>(Name("组合框", kind, "定时销毁"));
    auto* create = f.Find<QPushButton>(Name("按钮", kind, "创建主机"));
    QVERIFY(zone && imageType && image && instanceType && disk && bandwidth && password && count &&
            destroy && create);
    QVERIFY(f.Find<QPushButton>(QString::fromUtf8(info.instanceTypeButtonName.data())));
    QCOMPARE(zone->currentText(), QStringLiteral("请先选择区域"));
    QCOMPARE(image->currentText(), QStringLiteral("正在加载"));
    QCOMPARE(imageType->count(), 3);
    QCOMPARE(bandwidth->count(), 9);
    QCOMPARE(bandwidth->itemData(8).toInt(), 100);
    QCOMPARE(count->text(), QStringLiteral("1"));
    QCOMPARE(destroy->currentText(), QStringLiteral("不开启"));
    QCOMPARE(create->text(), QStringLiteral("创建主机"));
    QCOMPARE(destroy->isHidden(), kind == ProviderKind::Huawei);
    const bool hasCharge =
        f.panel->findChild<QComboBox*>(Name("组合框", kind, "计费类型")) != nullptr;
    QCOMPARE(hasCharge, kind == ProviderKind::Tencent);
    // The record starts from the boxes.
    QCOMPARE(f.state.instanceType, std::string(info.instanceTypeDefault));
    QCOMPARE(f.state.diskType, itemCode(info.diskTypeItems.front()));
    QCOMPARE(f.state.password, std::string(kDefaultMachinePassword));
  }
}

void TemplatePanelTest::countAndDestroyBoxesLimitTyping() {
  Fixture f(ProviderKind::Tencent);
  auto* count = f.Find<QLineEdit>(Name("编辑框", ProviderKind::Tencent, "机器数量"));
  count->clear();
  QTest::keyClicks(count, QStringLiteral("12a-345"));
  QCOMPARE(count->text(), QStringLiteral("1234"));

  auto* destroy = f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "定时销毁"));
  destroy->lineEdit()->selectAll();
  QTest::keyClicks(destroy->lineEdit(), QStringLiteral("245"));
  QCOMPARE(destroy->currentText(), QStringLiteral("24"));
  Choose(destroy, 0);
  QCOMPARE(destroy->currentText(), QStringLiteral("不开启"));  // shown whole despite the limit
}

void TemplatePanelTest::regionChoiceFillsZonesAndImages() {
  Fixture f(ProviderKind::Tencent);
  f.backend.Queue("/yunduotai/qcloud/zones/", R"({"code":0,"data":{"TotalCount":3,"ZoneSet":[
      {"Zone":"ap-beijing-1","ZoneName":"北京一区","ZoneState":"UNAVAILABLE"},
      {"Zone":"ap-beijing-3","ZoneName":"北京三区","ZoneState":"available"},
      {"Zone":"ap-beijing-5","ZoneName":"北京五区","ZoneState":"AVAILABLE"}]}})");
  f.backend.Queue("/yunduotai/qcloud/images/", R"({"code":0,"data":{"ImageSet":[
      {"ImageId":"img-a","ImageName":"CentOS 7"},{"ImageId":"img-b","ImageName":"Ubuntu（LTS）"}]}})");
  QSignalSpy zonesApplied(f.panel.get(), &TemplatePanel::ZonesApplied);
  QSignalSpy imagesApplied(f.panel.get(), &TemplatePanel::ImagesApplied);
  f.panel->OnRegionChosen();
  QTRY_VERIFY(zonesApplied.count() == 1 && imagesApplied.count() == 1);

  auto* zone = f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "可用分区"));
  auto* image = f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "镜像列表"));
  QCOMPARE(zone->count(), 2);
  QCOMPARE(zone->currentText(), QStringLiteral("北京三区（ap-beijing-3）"));
  QCOMPARE(f.state.zoneCode, std::string("ap-beijing-3"));
  QCOMPARE(image->currentText(), QStringLiteral("CentOS 7（img-a）"));
  QCOMPARE(f.state.imageId, std::string("img-a"));
  QCOMPARE(f.backend.Forms("/yunduotai/qcloud/images/").at(0),
           std::string("secretid=id&secretkey=key&region=ap-beijing&imagetype=PRIVATE_IMAGE"));

  Choose(zone, 1);
  QCOMPARE(f.state.zoneCode, std::string("ap-beijing-5"));
  // A name holding its own bracket still yields its true ID.
  Choose(image, 1);
  QCOMPARE(f.state.imageId, std::string("img-b"));
}

void TemplatePanelTest::zoneCountZeroLeavesTheZoneBoxAlone() {
  Fixture f(ProviderKind::Tencent);
  f.state.zoneCode = "kept";
  f.backend.Queue("/yunduotai/qcloud/zones/", R"({"code":0,"data":{"TotalCount":0,"ZoneSet":[
      {"Zone":"z","ZoneName":"n","ZoneState":"AVAILABLE"}]}})");
  f.panel->LoadZones();
  QVERIFY(f.WaitForLines(1));
  QCOMPARE(f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "可用分区"))->currentText(),
           QStringLiteral("请先选择区域"));
  QCOMPARE(f.state.zoneCode, std::string("kept"));
}

void TemplatePanelTest::huaweiZonesComeFromTheTableAndMissingKeysAreToldOnce() {
  Fixture f(ProviderKind::Huawei);
  f.keys = {"", "key"};
  f.state.regionCode = "cn-south-1";
  QSignalSpy zonesApplied(f.panel.get(), &TemplatePanel::ZonesApplied);
  f.panel->OnRegionChosen();
  QVERIFY(zonesApplied.wait(5000));
  auto* zone = f.Find<QComboBox>(Name("组合框", ProviderKind::Huawei, "可用分区"));
  QCOMPARE(zone->count(), 5);
  QCOMPARE(zone->itemText(1), QStringLiteral("cn-south-2b"));
  QCOMPARE(f.state.zoneCode, std::string("cn-south-1a"));
  Choose(zone, 3);
  QCOMPARE(f.state.zoneCode, std::string("cn-south-1e"));
  // Only the image load asks for keys; no request goes out.
  QTRY_COMPARE(f.prompter.Boxes().size(), std::size_t{1});
  QCOMPARE(f.prompter.Boxes()[0].text, std::string("请先填写SecretId和SecretKey！"));
  QVERIFY(f.backend.Requests().empty());
}

void TemplatePanelTest::laterImageLoadWinsOverASlowerEarlierOne() {
  Fixture f(ProviderKind::Tencent);
  f.backend.Queue(
      "/yunduotai/qcloud/images/",
      R"({"code":0,"data":{"ImageSet":[{"ImageId":"img-private","ImageName":"mine"}]}})",
      std::chrono::milliseconds(700));
  f.backend.Queue(
      "/yunduotai/qcloud/images/",
      R"({"code":0,"data":{"ImageSet":[{"ImageId":"img-shared","ImageName":"theirs"}]}})");
  QSignalSpy imagesApplied(f.panel.get(), &TemplatePanel::ImagesApplied);
  f.panel->LoadImages();
  // The first request must take the slow reply.
  QTRY_COMPARE(f.backend.Requests().size(), std::size_t{1});
  auto* imageType = f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "镜像类型"));
  Choose(imageType, 1);
  QCOMPARE(f.state.imageType, std::string("SHARED_IMAGE"));
  QTRY_COMPARE(imagesApplied.count(), 1);
  QVERIFY(f.WaitForLines(2));  // the slow private list arrives last
  QCOMPARE(imagesApplied.count(), 1);
  auto* image = f.Find<QComboBox>(Name("组合框", ProviderKind::Tencent, "镜像列表"));
  QCOMPARE(image->count(), 1);
  QCOMPARE(image->currentText(), QStringLiteral("theirs（img-shared）"));
  QCOMPARE(f.state.imageId, std::string("img-shared"));
}

void TemplatePanelTest::emptyImageListOffersNoImage() {
  Fixture f(ProviderKind::Aliyun);
  f.state.imageId = "img-old";
  f.backend.Queue("/yunduotai/aliyun/images/", R"({"code":0,"data":{"Images":{"Image":[]}}})");
  QSignalSpy imagesApplied(f.panel.get(), &TemplatePanel::ImagesApplied);
  f.panel->LoadImages();
  QTRY_COMPARE(imagesApplied.count(), 1);
  auto* image = f.Find<QComboBox>(Name("组合框", ProviderKind::Aliyun, "镜像列表"));
  QCOMPARE(image->count(), 1);
  QCOMPARE(image->currentText(), QStringLiteral("无"));
  QCOMPARE(f.state.imageId, std::string("img-old"));  // filling chooses nothing
  Choose(image, 0);
  QCOMPARE(f.state.imageId, std::string());
}

void TemplatePanelTest::createSendsWhatTheOperatorJustTyped() {
  Fixture f(ProviderKind::Tencent);
  f.panel->show();
  QVERIFY(QTest::qWaitForWindowActive(f.panel.get()));
  const ProviderKind k = ProviderKind::Tencent;
  auto* password = f.Find<QLineEdit>(Name("编辑框", k, "机器密码"));
  auto* count = f.Find<QLineEdit>(Name("编辑框", k, "机器数量"));
  auto* destroy = f.Find<QComboBox>(Name("组合框", k, "定时销毁"));
  auto* create = f.Find<QPushButton>(Name("按钮", k, "创建主机"));

  Choose(f.Find<QComboBox>(Name("组合框", k, "计费类型")), 1);
  Choose(f.Find<QComboBox>(Name("组合框", k, "网络带宽")), 4);
  Choose(f.Find<QComboBox>(Name("组合框", k, "磁盘类型")), 1);
  count->setFocus();
  count->selectAll();
  QTest::keyClicks(count, QStringLiteral("2"));
  destroy->setFocus();
  destroy->lineEdit()->selectAll();
  QTest::keyClicks(destroy->lineEdit(), QStringLiteral("24"));
  password->setFocus();
  password->selectAll();
  QTest::keyClicks(password, QStringLiteral(" New.Pass#2024 "));
  // No other step: the click itself takes the focus from the password box.
  QTest::mouseClick(create, Qt::LeftButton);

  QTRY_COMPARE(f.backend.Forms("/yunduotai/qcloud/runinstances/").size(), std::size_t{1});
  const std::string form = f.backend.Forms("/yunduotai/qcloud/runinstances/")[0];
  QCOMPARE(FormValue(form, "password"), std::string("New.Pass#2024"));
  QCOMPARE(FormValue(form, "instancecount"), std::string("2"));
  QCOMPARE(FormValue(form, "is_actiontimer"), std::string("1"));
  QCOMPARE(FormValue(form, "actiontimer"), std::string("24"));
  QCOMPARE(FormValue(form, "instancechargetype"), std::string("SPOTPAID"));
  QCOMPARE(FormValue(form, "bandwidth"), std::string("10"));
  QCOMPARE(FormValue(form, "disktype"), std::string("CLOUD_SSD"));
  QCOMPARE(f.reloads, 1);
  QCOMPARE(f.pauser.Lengths(), std::vector<std::int64_t>{1350});
  QVERIFY(create->isEnabled());

  // "不开启" again switches the timer off.
  destroy->setFocus();
  Choose(destroy, 0);
  QTest::mouseClick(create, Qt::LeftButton);
  QTRY_COMPARE(f.backend.Forms("/yunduotai/qcloud/runinstances/").size(), std::size_t{2});
  const std::string second = f.backend.Forms("/yunduotai/qcloud/runinstances/")[1];
  QCOMPARE(FormValue(second, "is_actiontimer"), std::string("0"));
  QCOMPARE(FormValue(second, "actiontimer"), std::string("0"));
  // The count sent is the box's at the click; the record keeps what the box said on leaving.
  QCOMPARE(f.state.machineCount, 2);
}

void TemplatePanelTest::instanceTypeWindowShowsTheLinesOrTheFailure() {
  Fixture f(ProviderKind::Tencent);
  f.state.zoneCode = "ap-beijing-3";
  f.backend.Queue("/yunduotai/qcloud/instancetypeconfigs/",
                  R"({"code":0,"data":{"InstanceTypeConfigSet":[
      {"Zone":"ap-beijing-3","InstanceType":"S5.SMALL2","CPU":1,"Memory":2},
      {"Zone":"ap-beijing-3","InstanceType":"S5.MEDIUM4","CPU":2,"Memory":4}]}})");
  QTest::mouseClick(f.Find<QPushButton>(QStringLiteral("按钮_腾讯云_查机器资源")), Qt::LeftButton);
  QVERIFY(f.opened);
  QCOMPARE(f.opened->windowTitle(), QStringLiteral("机型资源"));
  auto* box = f.opened->findChild<QPlainTextEdit*>(QStringLiteral("编辑框_机型资源列表"));
  QVERIFY(box);
  QTRY_COMPARE(box->toPlainText(),
               QStringLiteral("区域：ap-beijing-3 机型：S5.SMALL2 CPU：1 内存：2\n"
                              "区域：ap-beijing-3 机型：S5.MEDIUM4 CPU：2 内存：4\n"));
  QCOMPARE(FormValue(f.backend.Forms("/yunduotai/qcloud/instancetypeconfigs/")[0], "zone"),
           std::string("ap-beijing-3"));
  f.opened->close();

  f.backend.Queue("/yunduotai/qcloud/instancetypeconfigs/", "not json at all");
  f.panel->ShowInstanceTypes();
  box = f.opened->findChild<QPlainTextEdit*>(QStringLiteral("编辑框_机型资源列表"));
  QCOMPARE(box->toPlainText(), QStringLiteral("正在加载，请勿关闭本窗口"));
  QTRY_COMPARE(box->toPlainText(), QStringLiteral("加载失败"));
  f.opened->close();

  // Closed before the reply: the window is gone, and the answered lookup finds none to fill.
  f.backend.Queue("/yunduotai/qcloud/instancetypeconfigs/", R"({"code":0,"data":{}})",
                  std::chrono::milliseconds(300));
  f.panel->ShowInstanceTypes();
  f.opened->close();
  QVERIFY(f.WaitForLines(3));
  QVERIFY(f.opened.isNull());
  QCOMPARE(f.backend.Forms("/yunduotai/qcloud/instancetypeconfigs/").size(), 3u);
}

void TemplatePanelTest::networkHelpWindowsHaveTitlesAndPictures() {
  const struct {
    ProviderKind kind;
    NetworkIdBox box;
    const char* button;
    QString title;
  } cases[] = {
      {ProviderKind::Aliyun, NetworkIdBox::A, "按钮_阿里云_查机器资源1",
       QStringLiteral("控制台→虚拟私有云VPC（创建机器的可用区域必须和安全组一个区域，不能跨域）")},
      {ProviderKind::Aliyun, NetworkIdBox::B, "按钮_阿里云_查机器资源2",
       QStringLiteral(
           "控制台→专用网网络VPC→交换机（创建机器的可用区域必须和安全组一个区域，不能跨域）")},
      {ProviderKind::Huawei, NetworkIdBox::A, "按钮_阿里云_查机器资源4",
       QStringLiteral(
           "控制台→虚拟私有云VPC→子网（创建机器的可用区域必须和安全组一个区域，不能跨域）")},
      {ProviderKind::Huawei, NetworkIdBox::B, "按钮_阿里云_查机器资源3",
       QStringLiteral(
           "控制台→虚拟私有云VPC→子网（创建机器的可用区域必须和安全组一个区域，不能跨域）")},
  };
  QImage previous;
  for (const auto& c : cases) {
    NetworkHelpWindow window(c.kind, c.box);
    QCOMPARE(window.windowTitle(), c.title);
    const QPixmap picture = window.Picture()->pixmap();
    QCOMPARE(picture.size(), QSize(800, 376));
    QVERIFY(picture.toImage() != previous);  // four different pictures
    previous = picture.toImage();
    QWidget parent;
    QPushButton* button = NewNetworkHelpButton(c.kind, c.box, &parent);
    QVERIFY(button);
    QCOMPARE(button->objectName(), QString::fromUtf8(c.button));
  }
  QWidget parent;
  QVERIFY(NewNetworkHelpButton(ProviderKind::Tencent, NetworkIdBox::A, &parent) == nullptr);
  QVERIFY(NetworkHelpWindow(ProviderKind::Tencent, NetworkIdBox::A).windowTitle().isEmpty());
}

}  // namespace ydt

QTEST_MAIN(ydt::TemplatePanelTest)
#include "template_panel_test.moc"
