// KeyPairPanel is a provider tab's key-pair group: the AccessId/AccessKey boxes, the
// "测试登录" button with the balance captions, and (Aliyun, Huawei) the two network-ID boxes
// that new machines are placed in.
#pragma once

#include <QGroupBox>
#include <QPointer>
#include <string>
#include <utility>

#include "consoles/account/account_balance.h"
#include "consoles/catalogue/catalogue.h"
#include "ui/section_settings.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ydt {

struct AppContext;

class KeyPairPanel : public QGroupBox {
  Q_OBJECT
 public:
  // `settings` is the provider's section of the settings file.
  KeyPairPanel(AppContext& context, ProviderKind kind, SectionSettings settings,
               QWidget* parent = nullptr);

  ProviderKind Kind() const { return kind_; }

  // The key pair as operations send it: both boxes trimmed of spaces. UI thread only;
  // a worker gets a copy taken before it starts.
  std::pair<std::string, std::string> Credentials() const;

  // Stored non-empty keys and network IDs replace the boxes' texts; empty ones leave the
  // boxes as they were built.
  void LoadSettings();
  // The network-ID boxes into the provider's record (Aliyun, Huawei).
  void CopyNetworkIdsToState();

  // The row below the keys; the page puts the region box at its front, and the template
  // may add help buttons beside the network-ID boxes (NetworkIdRow).
  QHBoxLayout* SecondRow() const { return secondRow_; }
  // Layout holding network-ID box `which` (0 or 1) and its caption; null for Tencent.
  QHBoxLayout* NetworkIdRow(int which) const { return which == 0 ? netRowA_ : netRowB_; }

  QLineEdit* SecretIdBox() const { return secretId_; }
  QLineEdit* SecretKeyBox() const { return secretKey_; }
  QPushButton* TestButton() const { return testButton_; }

  void ApplyCaptions(const BalanceCaptions& captions);

 public slots:
  // The "测试登录" click: shows the reading caption and asks on a worker.
  void TestLogin();

 private:
  void SaveCredential(QLineEdit* box, const char* key);
  void SaveNetworkId(QLineEdit* box, int which);
  QLineEdit* AddNetworkIdBox(QHBoxLayout* row, int which);

  AppContext& context_;
  ProviderKind kind_;
  SectionSettings settings_;
  QLineEdit* secretId_ = nullptr;
  QLineEdit* secretKey_ = nullptr;
  QPushButton* testButton_ = nullptr;
  QLabel* balance_ = nullptr;
  QLabel* account_ = nullptr;  // Tencent only
  QLineEdit* netIdA_ = nullptr;
  QLineEdit* netIdB_ = nullptr;
  QHBoxLayout* secondRow_ = nullptr;
  QHBoxLayout* netRowA_ = nullptr;
  QHBoxLayout* netRowB_ = nullptr;
};

}  // namespace ydt
