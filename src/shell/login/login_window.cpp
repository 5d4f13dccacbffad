#include "shell/login/login_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include "service/backend/backend_client.h"
#include "service/http/http_client.h"
#include "service/json/json_doc.h"
#include "shell/cosmetics/app_icon.h"
#include "shell/cosmetics/picture.h"
#include "shell/cosmetics/window_shadow.h"
#include "shell/login/captcha_stamp.h"
#include "shell/login/click_label.h"
#include "shell/login/login_animation.h"
#include "shell/login/login_form.h"
#include "shell/login/login_settings.h"
#include "shell/login/program_digest.h"
#include "shell/settings/settings_store.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string S(const QString& text) {
  return text.toStdString();
}

// The small pictures beside the boxes, drawn here so the window needs no picture files.
enum class Glyph { User, Lock, Shield, Line };

QPixmap DrawGlyph(Glyph glyph, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x7a, 0x8b, 0xa3);
  p.setPen(QPen(ink, 1.6));
  p.setBrush(Qt::NoBrush);
  const qreal cx = size.width() / 2.0;
  const qreal cy = size.height() / 2.0;
  switch (glyph) {
    case Glyph::User:
      p.drawEllipse(QPointF(cx, cy - 4), 4, 4);
      p.drawArc(QRectF(cx - 7, cy + 1, 14, 12), 0, 180 * 16);
      break;
    case Glyph::Lock:
      p.drawRoundedRect(QRectF(cx - 6, cy - 1, 12, 9), 2, 2);
      p.drawArc(QRectF(cx - 4, cy - 8, 8, 10), 0, 180 * 16);
      break;
    case Glyph::Shield: {
      QPainterPath shield;
      shield.moveTo(cx, cy - 8);
      shield.lineTo(cx + 6, cy - 5);
      shield.quadTo(cx + 6, cy + 5, cx, cy + 8);
      shield.quadTo(cx - 6, cy + 5, cx - 6, cy - 5);
      shield.closeSubpath();
      p.drawPath(shield);
      p.drawLine(QPointF(cx - 2.5, cy), QPointF(cx - 0.5, cy + 2.5));
      p.drawLine(QPointF(cx - 0.5, cy + 2.5), QPointF(cx + 3, cy - 2.5));
      break;
    }
    case Glyph::Line:
      p.fillRect(QRect(QPoint(0, 0), size), QColor(0xe3, 0xe8, 0xef));
      break;
  }
  return pixmap;
}

QPixmap DrawAvatar(int diameter) {
  QPixmap pixmap(diameter, diameter);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(255, 255, 255), 3));
  p.setBrush(QColor(0xee, 0xf4, 0xfb));
  p.drawEllipse(QRectF(1.5, 1.5, diameter - 3, diameter - 3));
  const int inner = diameter * 2 / 3;
  const QPixmap icon = AppIcon().pixmap(inner, inner);
  p.drawPixmap((diameter - inner) / 2, (diameter - inner) / 2, icon);
  return pixmap;
}

const char* kWindowStyle = R"css(
ydt--LoginWindow { background: #ffffff; }
QToolButton#最小化, QToolButton#关闭 {
  color: #ffffff; background: transparent; border: none; font-size: 15px;
}
QToolButton#最小化:hover { background: rgba(255, 255, 255, 50); }
QToolButton#关闭:hover { background: #e5484d; }
QLabel#透明标签1 { color: #ffffff; font-size: 16px; font-weight: bold; background: transparent; }
QLabel#透明标签2 { background: transparent; }
QLineEdit { padding-left: 4px; }
QLabel#画板_验证码 { border: 1px solid #c3ccd7; border-radius: 3px; background: #f4f6f9; }
QLabel#超级链接框1_记住密码, QLabel#超级链接框2 { color: #2a74d0; background: transparent; }
QLabel#超级链接框1_记住密码:hover, QLabel#超级链接框2:hover { text-decoration: underline; }
QPushButton#按钮_登录 {
  background: #2a74d0; color: #ffffff; border: none; border-radius: 4px; font-size: 15px;
}
QPushButton#按钮_登录:hover { background: #3a84e0; }
QPushButton#按钮_登录:pressed { background: #1f5fb8; }
QLabel#透明标签_最新公告 { color: #5b6b80; background: transparent; }
)css";

}  // namespace

LoginWindow::LoginWindow(AppContext& context, LoginOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      context_(context),
      options_(std::move(options)) {
  setWindowTitle(Q(kTitle));
  setWindowIcon(AppIcon());
  setFixedSize(430, 364);
  setStyleSheet(Q(kWindowStyle));
  BuildControls();
}

void LoginWindow::BuildControls() {
  animation_ = new LoginAnimation(this);
  animation_->setObjectName(Q("动画框1"));
  animation_->setGeometry(0, 0, 430, 130);

  auto* caption = new QLabel(Q("云舵台V3.5"), this);
  caption->setObjectName(Q("透明标签1"));
  caption->setGeometry(16, 8, 240, 26);

  auto* decoration = new QLabel(this);
  decoration->setObjectName(Q("透明标签2"));
  decoration->setGeometry(16, 36, 240, 4);

  auto* minimise = new QToolButton(this);
  minimise->setObjectName(Q("最小化"));
  minimise->setText(Q("—"));
  minimise->setToolTip(Q("最小化"));
  minimise->setAccessibleName(Q("最小化"));
  minimise->setGeometry(370, 0, 30, 28);
  minimise->setFocusPolicy(Qt::NoFocus);
  connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);

  auto* closeButton = new QToolButton(this);
  closeButton->setObjectName(Q("关闭"));
  closeButton->setText(Q("✕"));
  closeButton->setToolTip(Q("关闭"));
  closeButton->setAccessibleName(Q("关闭"));
  closeButton->setGeometry(400, 0, 30, 28);
  closeButton->setFocusPolicy(Qt::NoFocus);
  // No confirmation: nothing has happened yet that could be lost.
  connect(closeButton, &QToolButton::clicked, this, &QWidget::close);

  auto* avatar = new QLabel(this);
  avatar->setObjectName(Q("头像"));
  avatar->setGeometry(34, 150, 92, 92);
  avatar->setPixmap(DrawAvatar(92));

  auto* userGlyph = new QLabel(this);
  userGlyph->setObjectName(Q("图片框1"));
  userGlyph->setGeometry(140, 150, 24, 30);
  userGlyph->setPixmap(DrawGlyph(Glyph::User, QSize(24, 30)));
  userNameBox_ = new QLineEdit(this);
  userNameBox_->setObjectName(Q("编辑框_用户名"));
  userNameBox_->setAccessibleName(Q("帐号"));
  userNameBox_->setGeometry(168, 150, 232, 30);
  userNameBox_->installEventFilter(this);

  auto* lockGlyph = new QLabel(this);
  lockGlyph->setObjectName(Q("图片框2"));
  lockGlyph->setGeometry(140, 188, 24, 30);
  lockGlyph->setPixmap(DrawGlyph(Glyph::Lock, QSize(24, 30)));
  passwordBox_ = new QLineEdit(this);
  passwordBox_->setObjectName(Q("编辑框_密码"));
  passwordBox_->setAccessibleName(Q("密码"));
  passwordBox_->setEchoMode(QLineEdit::Password);
  passwordBox_->setGeometry(168, 188, 232, 30);

  auto* shieldGlyph = new QLabel(this);
  shieldGlyph->setObjectName(Q("图片框3"));
  shieldGlyph->setGeometry(140, 226, 24, 30);
  shieldGlyph->setPixmap(DrawGlyph(Glyph::Shield, QSize(24, 30)));
  captchaBox_ = new QLineEdit(this);
  captchaBox_->setObjectName(Q("编辑框_验证码"));
  captchaBox_->setAccessibleName(Q("验证码"));
  captchaBox_->setGeometry(168, 226, 128, 30);

  captchaBoard_ = new ClickLabel(this);
  captchaBoard_->setObjectName(Q("画板_验证码"));
  captchaBoard_->setAccessibleName(Q("验证码图片"));
  captchaBoard_->setGeometry(304, 226, 96, 30);
  captchaBoard_->setAlignment(Qt::AlignCenter);
  captchaBoard_->setScaledContents(true);
  connect(captchaBoard_, &ClickLabel::leftPressed, this, &LoginWindow::FetchCaptcha);

  rememberBox_ = new QCheckBox(this);
  rememberBox_->setObjectName(Q("选择框_记住密码"));
  rememberBox_->setAccessibleName(Q("记住密码"));
  rememberBox_->setGeometry(168, 264, 20, 20);
  rememberLink_ = new ClickLabel(this);
  rememberLink_->setObjectName(Q("超级链接框1_记住密码"));
  rememberLink_->setText(Q("记住密码"));
  rememberLink_->setGeometry(190, 264, 70, 20);
  connect(rememberLink_, &ClickLabel::leftPressed, this,
          [this] { rememberBox_->setChecked(!rememberBox_->isChecked()); });

  registerLink_ = new ClickLabel(this);
  registerLink_->setObjectName(Q("超级链接框2"));
  registerLink_->setText(Q("注册账号"));
  registerLink_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  registerLink_->setGeometry(330, 264, 70, 20);
  connect(registerLink_, &ClickLabel::leftPressed, this, [this] {
    const QUrl address(Q("https://" + options_.webHost + "/register.html"));
    if (options_.openUrl) {
      options_.openUrl(address);
    } else {
      QDesktopServices::openUrl(address);
    }
  });

  auto* loginButton = new QPushButton(Q("登录"), this);
  loginButton->setObjectName(Q("按钮_登录"));
  loginButton->setGeometry(168, 292, 232, 34);
  loginButton->setCursor(Qt::PointingHandCursor);
  connect(loginButton, &QPushButton::clicked, this, &LoginWindow::DoLogin);

  auto* line = new QLabel(this);
  line->setObjectName(Q("图片框4"));
  line->setGeometry(0, 337, 430, 1);
  line->setPixmap(DrawGlyph(Glyph::Line, QSize(430, 1)));

  announcement_ = new QLabel(Q("[最新公告]"), this);
  announcement_->setObjectName(Q("透明标签_最新公告"));
  announcement_->setGeometry(12, 340, 406, 22);
  // The announcement is the backend's text, shown as written and never as markup.
  announcement_->setTextFormat(Qt::PlainText);

  setTabOrder(userNameBox_, passwordBox_);
  setTabOrder(passwordBox_, captchaBox_);
  setTabOrder(captchaBox_, rememberBox_);
  setTabOrder(rememberBox_, loginButton);
}

bool LoginWindow::Open() {
  if (CountInstances(context_.processes, context_.ownExecutableName) > 1) {
    context_.prompter.Show(WindowRefOf(this), kAlreadyRunningText, MessageIcon::Information);
    close();
    return false;
  }
  AttachShadow(this);
  animation_->Start();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect place = rect();
    place.moveCenter(screen->availableGeometry().center());
    move(place.topLeft());
  }
  show();
  context_.settings.EnsureFolder();
  FillFromSettings();
  // Should the window never paint (covered, or no screen at all), the requests still leave.
  QTimer::singleShot(options_.latestRequestStartMs, this, &LoginWindow::StartRequests);
  return true;
}

void LoginWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // Queued, so the requests leave once the whole window is on screen.
  if (!requestsStarted_) QTimer::singleShot(0, this, &LoginWindow::StartRequests);
}

void LoginWindow::StartRequests() {
  if (requestsStarted_) return;
  requestsStarted_ = true;
  // The first request loads libcurl and its two dozen libraries. While that runs it holds
  // the loader's lock, which every new thread and plug-in of the window's own start-up also
  // needs, so the requests wait until the window has painted.
  // The digest is taken now, while the file on disk is the one that runs, but on a worker:
  // hashing tens of megabytes would hold the window back. The update check waits for it if
  // it asks first.
  context_.tasks.Start([] { ProgramDigest(); });
  FetchCaptcha();
  LoadAnnouncement();
}

void LoginWindow::FillFromSettings() {
  const LoginStartValues start = ReadLoginStartValues(context_.settings);
  userNameBox_->setText(Q(start.userNameText));
  userNameBox_->setFocus();
  userNameBox_->setCursorPosition(static_cast<int>(userNameBox_->text().size()));
  rememberBox_->setChecked(start.rememberTicked);
  if (start.rememberTicked) passwordBox_->setText(Q(start.passwordText));
  if (start.focusCaptcha) captchaBox_->setFocus();
}

void LoginWindow::FetchCaptcha() {
  const std::string address =
      context_.backend.BackendBaseUrl() + "/verifycode/?type=yunduotai&t=" + CaptchaStamp();
  const QPointer<QObject> guard(captchaBoard_);
  ClickLabel* board = captchaBoard_;
  context_.tasks.Start([address, guard, board] {
    HttpRequest request;
    request.address = address;
    request.method = 0;
    const std::string bytes = HttpSend(request).body;
    // Decoded here, off the UI thread. Whatever came back is shown; bytes that are no
    // picture leave the board empty.
    QImage picture = DecodePicture(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    PostToUi(guard, [board, picture = std::move(picture)] {
      if (!picture.isNull()) {
        board->setPixmap(QPixmap::fromImage(picture));
      } else {
        board->clear();
      }
    });
  });
}

void LoginWindow::LoadAnnouncement() {
  BackendClient& backend = context_.backend;
  const WindowRef owner = WindowRefOf(this);
  const QPointer<QObject> guard(announcement_);
  QLabel* label = announcement_;
  context_.tasks.Start([&backend, owner, guard, label] {
    std::string reply;
    if (backend.CallBackend("/gg/?type=yunduotai", kGet, "", &reply, owner, false, "") != 0) {
      return;
    }
    JsonDoc doc;
    if (!doc.Parse(reply)) return;
    const std::string text = doc.GetText("data.gg");
    PostToUi(guard, [label, text] {
      label->setText(label->text() + Q(text));
      // A long announcement runs past the window's edge; the tooltip shows all of it. A
      // tooltip has no plain-text switch: it gets the text as an escaped paragraph.
      label->setToolTip(Qt::convertFromPlainText(label->text(), Qt::WhiteSpaceNormal));
    });
  });
}

void LoginWindow::DoLogin() {
  if (loggingIn_) return;
  const WindowRef owner = WindowRefOf(this);
  const auto fields =
      TrimLoginFields(S(userNameBox_->text()), S(passwordBox_->text()), S(captchaBox_->text()));
  if (!fields) {
    context_.prompter.Show(owner, std::string(kLoginIncompleteText), MessageIcon::Error);
    return;
  }
  const std::string form = LoginFormText(*fields);
  loggingIn_ = true;
  int code = 1;
  BackendClient& backend = context_.backend;
  // The exchange runs on a helper thread while this window keeps painting but takes no
  // input; a failure box is shown by the backend call itself.
  RunBlocking([&] {
    code = backend.CallBackend(std::string(kLoginPath), kPost, form, nullptr, owner, true, "");
  });
  loggingIn_ = false;
  if (code != 0) {
    FetchCaptcha();
    return;
  }
  SaveLoginSettings(context_.settings, *fields, rememberBox_->isChecked());
  animation_->Stop();
  hide();
  if (options_.onLoggedIn) options_.onLoggedIn();
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closedByOperator();
}

void LoginWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    DoLogin();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool LoginWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == userNameBox_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      userNameBox_->text() == Q(kUserNamePrompt)) {
    userNameBox_->clear();
  }
  return QWidget::eventFilter(watched, event);
}

// Without a title bar the window is moved by dragging any free part of it.
void LoginWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void LoginWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - dragOffset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void LoginWindow::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

}  // namespace ydt
