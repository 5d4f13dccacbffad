// The console over a settings file or folder in a bad way: it still starts, logs in and
// keeps what the operator types, and writes land once the folder can take them.
#include <QLineEdit>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "e2e/faults/fault_console.h"
#include "shell/mainwindow/main_window.h"
#include "support/sim/sim_process.h"

namespace ydt {
namespace {

namespace fs = std::filesystem;

std::string MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "ydt-setcon-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Garbage() {
  std::mt19937 random(7);
  std::string bytes(64 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  // Bits that look like INI to a reader: stray brackets, bare carriage returns, NULs.
  bytes.insert(100, std::string("[conf\0ig\r=\r\n[]\n=\n", 17));
  return bytes;
}

}  // namespace

class SettingsFaultsConsoleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY2(sim_.Started(), sim_.StartError().c_str()); }

  void cleanup() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void theConsoleStartsLogsInAndWritesOnceItCan_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("binary garbage") << QStringLiteral("garbage");
    QTest::newRow("values of 1 MB") << QStringLiteral("huge");
    QTest::newRow("folder cannot be made") << QStringLiteral("blocked");
    QTest::newRow("documents folder missing") << QStringLiteral("missing");
  }

  void theConsoleStartsLogsInAndWritesOnceItCan() {
    QFETCH(QString, fault);
    root_ = MakeTempFolder();
    QVERIFY(!root_.empty());
    std::string documents = root_;
    const fs::path folder = fs::path(root_) / "Lanxg";
    const std::string megabyte(1 << 20, 'm');
    if (fault == QStringLiteral("garbage")) {
      WriteBytes(folder / "yunduotai.db", Garbage());
    } else if (fault == QStringLiteral("huge")) {
      SettingsStore seed(root_);
      QVERIFY(seed.writeSetting("config", "username", megabyte));
      QVERIFY(seed.writeSetting("config", "password", megabyte));
      QVERIFY(seed.writeSetting("qcloud", "secretkey", megabyte));
    } else if (fault == QStringLiteral("blocked")) {
      WriteBytes(folder, "a file where the settings folder belongs");
    } else {
      documents = root_ + "/home/operator/Documents";
    }

    test::LoginRun run(sim_.BaseUrl(), sim_.WebHost(), documents);
    QVERIFY(run.start->Open());
    QVERIFY(QTest::qWaitForWindowExposed(&run.Login()));
    auto* user = run.Login().findChild<QLineEdit*>(QStringLiteral("编辑框_用户名"));
    auto* password = run.Login().findChild<QLineEdit*>(QStringLiteral("编辑框_密码"));
    if (fault == QStringLiteral("huge")) {
      // Read back cut to the settings buffer.
      QCOMPARE(user->text().size(), qsizetype{SettingsStore::kValueBufferBytes - 1});
      QCOMPARE(password->text().size(), qsizetype{SettingsStore::kValueBufferBytes - 1});
      user->setText(QStringLiteral("请输入帐号"));
      password->clear();
    } else {
      QCOMPARE(user->text(), QStringLiteral("请输入帐号"));
      QCOMPARE(password->text(), QString());
    }
    QVERIFY(run.CaptchaShown());
    run.TypeEverything();
    run.ClickLogin();
    QTRY_VERIFY(run.start->Main() != nullptr);
    MainWindow& main = *run.start->Main();
    QTRY_VERIFY(main.isVisible());
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    // Typing a key and leaving the box writes it through; when the folder cannot be made
    // the write is dropped and the box keeps the text.
    auto* secretId = main.findChild<QLineEdit*>(QStringLiteral("编辑框_腾讯云_secretid"));
    auto* secretKey = main.findChild<QLineEdit*>(QStringLiteral("编辑框_腾讯云_secretkey"));
    secretId->setFocus();
    QTest::keyClicks(secretId, QStringLiteral("typed-id"));
    secretKey->setFocus();
    QCOMPARE(secretId->text(), QStringLiteral("typed-id"));
    SettingsStore& settings = run.services.Context().settings;
    if (fault == QStringLiteral("blocked")) {
      QCOMPARE(settings.readSetting("qcloud", "secretid", "none"), std::string("none"));
      fs::remove(folder);  // the operator clears the way
      secretId->setFocus();
      secretKey->setFocus();
    }
    QCOMPARE(settings.readSetting("qcloud", "secretid", ""), std::string("typed-id"));
    if (fault != QStringLiteral("blocked")) {
      QCOMPARE(settings.readSetting("config", "username", ""),
               std::string(test::SimProcess::kUser));
    }
    if (fault == QStringLiteral("huge")) {
      QCOMPARE(secretKey->text().size(), qsizetype{SettingsStore::kValueBufferBytes - 1});
      QVERIFY(fs::file_size(settings.settingsPath()) > megabyte.size());
    }
  }

 private:
  test::SimProcess sim_;
  std::string root_;
};

}  // namespace ydt

QTEST_MAIN(ydt::SettingsFaultsConsoleTest)
#include "settings_faults_console_test.moc"
