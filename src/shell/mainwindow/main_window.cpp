#include "shell/mainwindow/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

#include "service/json/json_doc.h"
#include "shell/mainwindow/clock_text.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "shell/settings/ui/system_parameters_dialog.h"
#include "ui/app_context.h"
#include "ui/log_pane.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The program's icon: a white cloud on a blue disc, drawn rather than shipped.
QIcon DrawProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x6f, 0xd0));
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    painter.setBrush(Qt::white);
    const double s = size / 64.0;
    QPainterPath cloud;
    cloud.addEllipse(QRectF(12 * s, 28 * s, 20 * s, 18 * s));
    cloud.addEllipse(QRectF(22 * s, 18 * s, 22 * s, 24 * s));
    cloud.addEllipse(QRectF(34 * s, 27 * s, 18 * s, 19 * s));
    cloud.addRect(QRectF(21 * s, 34 * s, 22 * s, 12 * s));
    painter.drawPath(cloud.simplified());
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

MainWindow::MainWindow(AppContext& context, LogPane* logPane, QWidget* parent)
    : QMainWindow(parent), context_(context), logPane_(logPane) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QString::fromUtf8(kTitle));
  resize(1200, 820);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("高级选择夹1"));
  for (ProviderKind kind : kAllProviders) {
    auto* page = new ProviderPage(context, kind, tabs_);
    pages_[ProviderIndex(kind)] = page;
    tabs_->addTab(page, Q(Info(kind).displayName));
  }
  column->addWidget(tabs_, 4);

  auto* logGroup = new QGroupBox(QStringLiteral("日志输出"), central);
  logGroup->setObjectName(QStringLiteral("分组框8"));
  auto* logLayout = new QVBoxLayout(logGroup);
  logPane_->setParent(logGroup);
  logLayout->addWidget(logPane_);
  column->addWidget(logGroup, 1);
  setCentralWidget(central);

  auto* status = new QStatusBar(this);
  status->setObjectName(QStringLiteral("状态条1"));
  clockLabel_ = new QLabel(status);
  clockLabel_->setObjectName(QStringLiteral("状态条1_时间"));
  serverLabel_ = new QLabel(QStringLiteral("当前选择的被控服务器："), status);
  serverLabel_->setObjectName(QStringLiteral("状态条1_被控服务器"));
  // Machine IDs and addresses come from the backend: never read as markup.
  serverLabel_->setTextFormat(Qt::PlainText);
  status->addWidget(clockLabel_, 1);
  status->addWidget(serverLabel_, 1);
  setStatusBar(status);

  clock_ = new QTimer(this);
  clock_->setObjectName(QStringLiteral("时间_时钟"));
  connect(clock_, &QTimer::timeout, this, &MainWindow::UpdateClock);

  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index < 0) return;
    context_.currentProvider = index;
    emit currentProviderChanged(index);
  });

  BuildMenu();
  BuildTray();
}

void MainWindow::BuildMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("系统参数配置"));
  menu->setObjectName(QStringLiteral("系统参数配置"));
  QAction* parameters = menu->addAction(QStringLiteral("系统参数设置"));
  parameters->setObjectName(QStringLiteral("系统参数设置"));
  QAction* update = menu->addAction(QStringLiteral("检查更新"));
  update->setObjectName(QStringLiteral("检查更新"));
  QAction* about = menu->addAction(QStringLiteral("关于本软件"));
  about->setObjectName(QStringLiteral("关于本软件"));
  connect(parameters, &QAction::triggered, this, &MainWindow::OpenSystemParameters);
  connect(update, &QAction::triggered, this, [this] {
    if (updateCheck_) updateCheck_();
  });
  connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
}

void MainWindow::BuildTray() {
  const QIcon icon = DrawProgramIcon();
  setWindowIcon(icon);
  trayMenu_ = new QMenu(QStringLiteral("托盘菜单"), this);
  trayMenu_->setObjectName(QStringLiteral("托盘菜单"));
  QAction* show = trayMenu_->addAction(QStringLiteral("显示程序"));
  show->setObjectName(QStringLiteral("显示程序"));
  QAction* quit = trayMenu_->addAction(QStringLiteral("退出程序"));
  quit->setObjectName(QStringLiteral("退出程序"));
  connect(show, &QAction::triggered, this, [this] {
    showNormal();
    activateWindow();
  });
  connect(quit, &QAction::triggered, this, [this] { ConfirmExit(); });

  tray_ = new QSystemTrayIcon(icon, this);
  tray_->setObjectName(QStringLiteral("托盘图标1"));
  tray_->setToolTip(QStringLiteral("云舵台"));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) BringToFront();
          });
}

void MainWindow::RunCreationSequence() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
  tabs_->setCurrentIndex(0);
  context_.currentProvider = 0;
  UpdateClock();
  clock_->start(1000);

  // loadSettingsIntoWindow: running values first, then each tab's boxes.
  context_.running.Load(context_.settings);
  for (ProviderPage* page : pages_) page->LoadSettings();
  for (ProviderPage* page : pages_) page->FillState();
  StartLoginInfoRequest();
}

void MainWindow::UpdateClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  clockLabel_->setText(QStringLiteral("当前系统时间：") +
                       QString::fromStdString(ClockDateTimeText(local)));
}

void MainWindow::ShowSelectedServer(const QString& machine) {
  serverLabel_->setText(QStringLiteral("当前选择的被控服务器：") + machine);
}

void MainWindow::StartLoginInfoRequest() {
  const QPointer<QObject> guard(this);
  const WindowRef owner = WindowRefOf(this);
  BackendClient& backend = context_.backend;
  context_.tasks.Start([guard, owner, &backend] {
    std::string reply;
    if (backend.CallBackend("/logininfo/", kGet, "", &reply, owner, true, "") != 0) return;
    JsonDoc doc;
    if (!doc.Parse(reply)) return;
    const QString name = QString::fromStdString(doc.GetText("data[0].username"));
    PostToUi(guard, [guard, name] {
      if (auto* window = qobject_cast<QWidget*>(guard.data())) {
        window->setWindowTitle(window->windowTitle() + QStringLiteral("    登录用户：") + name);
      }
    });
  });
}

void MainWindow::SetUpdateCheckHandler(std::function<void()> handler) {
  updateCheck_ = std::move(handler);
}

void MainWindow::ShowAbout() {
  const std::string text =
      "【关于软件】\r\n\r\n1.本软件直接请求服务器接口，大大提高效率\r\n"
      "2.长期稳定可用，只要平台不升级接口终身可用\r\n"
      "3.不加载启动项，无任何网络后台上传，绿色纯净版\r\n"
      "4.请正常退出程序，非正常退出主机数据可能不保存\r\n\r\n澜星科技" +
      std::string(YUNDUOTAI_WEB_HOST) + "\r\n为您提供专业的软件定制开发方案！";
  context_.prompter.Show(WindowRefOf(this), text, MessageIcon::Information);
}

void MainWindow::OpenSystemParameters() {
  SystemParametersDialog dialog(context_.running, context_.settings, context_.prompter, this);
  dialog.exec();
}

void MainWindow::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

bool MainWindow::ConfirmExit() {
  if (context_.prompter.Show(WindowRefOf(this), "确定要退出云舵台？", MessageIcon::None,
                             MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return false;
  }
  // The forced end is also what stops the workers still running; the real process table
  // does not come back from ending this process.
  EndAllInstances(context_.processes, context_.ownExecutableName);
  exiting_ = true;
  if (tray_ != nullptr) tray_->hide();
  QCoreApplication::quit();
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (exiting_ || ConfirmExit()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace ydt
