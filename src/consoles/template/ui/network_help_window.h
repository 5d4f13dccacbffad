// NetworkHelpWindow shows where a network ID is found in the provider's own console: a
// picture of the page with the field framed, titled with the way there.
#pragma once

#include <QDialog>

#include "consoles/catalogue/catalogue.h"

class QLabel;

namespace ydt {

// A: the first network-ID box (Aliyun security group, Huawei VPC); B: the second.
enum class NetworkIdBox { A, B };

class NetworkHelpWindow : public QDialog {
  Q_OBJECT

 public:
  NetworkHelpWindow(ProviderKind kind, NetworkIdBox box, QWidget* parent = nullptr);

  const QLabel* Picture() const { return picture_; }

 private:
  QLabel* picture_;
};

// The resource path of a help picture, or empty for Tencent, which has no network IDs.
QString NetworkHelpPicture(ProviderKind kind, NetworkIdBox box);
QString NetworkHelpTitle(ProviderKind kind, NetworkIdBox box);

}  // namespace ydt

class QPushButton;

namespace ydt {

// The small "?" button beside a network-ID box that opens its help window; named as the
// form names it. Null for Tencent.
QPushButton* NewNetworkHelpButton(ProviderKind kind, NetworkIdBox box, QWidget* parent);

}  // namespace ydt
