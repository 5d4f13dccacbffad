// Numbers read and written by the console on a desktop whose language writes "12,5":
// QApplication hands that language's number format to the C library, and the balances, the
// JSON number texts and text-to-number must not follow it.
#include <QApplication>
#include <QtTest>
#include <clocale>
#include <cstdlib>
#include <string>

#include "consoles/account/account_balance.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace ydt {

class NumberLocaleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Only QApplication can have switched the C library away from "C" here.
    const std::string point = std::localeconv()->decimal_point;
    if (point != ",") {
      QSKIP(
          "de_DE.UTF-8 is not generated on this machine (scripts/setup generates it); "
          "the numbers cannot be checked under a comma-decimal language");
    }
  }

  void balanceCaptions_data() {
    QTest::addColumn<int>("provider");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, ProviderKind kind, const char* reply,
                        const char* caption) {
      QTest::newRow(name) << static_cast<int>(kind) << QString::fromUtf8(reply)
                          << QString::fromUtf8(caption);
    };
    row("tencent cents", ProviderKind::Tencent, R"({"data":{"RealBalance":12345}})",
        "余额：123.45元");
    row("tencent whole", ProviderKind::Tencent, R"({"data":{"RealBalance":"10000"}})",
        "余额：100元");
    row("aliyun text", ProviderKind::Aliyun, R"({"data":{"Data":{"AvailableCashAmount":"12.5"}}})",
        "余额：12.5元");
    row("aliyun number", ProviderKind::Aliyun, R"({"data":{"Data":{"AvailableCashAmount":0.75}}})",
        "余额：0.75元");
    row("aliyun six digits", ProviderKind::Aliyun,
        R"({"data":{"Data":{"AvailableCashAmount":"1234567.89"}}})", "余额：1.23457e+06元");
    // A comma is no decimal point in what the backend writes, whatever the desktop says.
    row("aliyun comma", ProviderKind::Aliyun, R"({"data":{"Data":{"AvailableCashAmount":"12,5"}}})",
        "余额：12元");
  }
  void balanceCaptions() {
    QFETCH(int, provider);
    QFETCH(QString, reply);
    QFETCH(QString, caption);
    const BalanceCaptions captions =
        CaptionsFromReply(static_cast<ProviderKind>(provider), reply.toStdString());
    QVERIFY(captions.balance.has_value());
    QCOMPARE(QString::fromStdString(*captions.balance), caption);
  }

  void jsonNumberTextsKeepTheirPoint() {
    JsonDoc doc;
    QVERIFY(doc.Parse(R"({"a":12.50,"b":1.5e-7,"c":-0.25,"d":1e21,"e":[0.5,2]})"));
    QCOMPARE(doc.GetText("a"), std::string("12.5"));
    QCOMPARE(doc.GetText("b"), std::string("1.5e-7"));
    QCOMPARE(doc.GetText("c"), std::string("-0.25"));
    QCOMPARE(doc.GetText("d"), std::string("1e+21"));
    QCOMPARE(doc.GetText("e"), std::string("0.5,2"));
    QCOMPARE(doc.ToText(), std::string(R"({"a":12.5,"b":1.5e-7,"c":-0.25,"d":1e+21,"e":[0.5,2]})"));
  }

  void textToNumberReadsTheJsonPoint() {
    QCOMPARE(TextToFloat("12.5"), 12.5f);
    QCOMPARE(TextToFloat(" -0.25x"), -0.25f);
    QCOMPARE(TextToFloat("12,5"), 12.0f);
    QCOMPARE(TextToInt("1.000"), 1);
    QCOMPARE(GeneralNumberText(123.45, 13), std::string("123.45"));
  }
};

}  // namespace ydt

int main(int argc, char** argv) {
  // The operator's desktop language; QApplication applies it as it starts.
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  QApplication app(argc, argv);
  ydt::NumberLocaleTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "number_locale_test.moc"
