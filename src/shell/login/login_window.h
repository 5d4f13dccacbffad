// The start-up window: refuses a second copy, takes the user name, password and captcha,
// logs into the backend and hands over to the main window.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ydt {

struct AppContext;
class ClickLabel;
class LoginAnimation;

struct LoginOptions {
  // Host[:port] of the vendor's web host (registration page).
  std::string webHost = YUNDUOTAI_WEB_HOST;
  // Opens an address in the operator's browser; tests record it instead.
  std::function<void(const QUrl&)> openUrl;
  // Called once the login succeeded and the window is hidden: opens the main window.
  std::function<void()> onLoggedIn;
  // The requests of the opening sequence leave after the first paint, or after this long.
  int latestRequestStartMs = 500;
};

class LoginWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "群舵台 - 登录系统";
  static constexpr const char* kAlreadyRunningText = "程序已经运行！";

  LoginWindow(AppContext& context, LoginOptions options, QWidget* parent = nullptr);

  // The opening sequence. False when another copy of the program runs: the operator has
  // been told and the window is closed.
  bool Open();

  // Fetches a fresh captcha picture on a worker.
  void FetchCaptcha();
  // Fetches the announcement line on a worker.
  void LoadAnnouncement();
  // Checks the boxes and logs in; on success saves the login and hands over.
  void DoLogin();

 signals:
  // The operator closed the window before logging in: the program ends.
  void closedByOperator();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildControls();
  void FillFromSettings();
  // The program digest, the captcha and the announcement; once.
  void StartRequests();

  AppContext& context_;
  LoginOptions options_;
  LoginAnimation* animation_ = nullptr;
  ClickLabel* captchaBoard_ = nullptr;
  ClickLabel* rememberLink_ = nullptr;
  ClickLabel* registerLink_ = nullptr;
  QLineEdit* userNameBox_ = nullptr;
  QLineEdit* passwordBox_ = nullptr;
  QLineEdit* captchaBox_ = nullptr;
  QCheckBox* rememberBox_ = nullptr;
  QLabel* announcement_ = nullptr;
  bool loggingIn_ = false;
  bool requestsStarted_ = false;
  QPoint dragOffset_;
  bool dragging_ = false;
};

}  // namespace ydt
