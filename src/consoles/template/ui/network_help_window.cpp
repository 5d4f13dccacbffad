#include "consoles/template/ui/network_help_window.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "shell/cosmetics/picture.h"

// The pictures are compiled into a static library, so the resource has to be pulled in by
// name or the linker drops it.
static void InitNetworkHelpResource() {
  Q_INIT_RESOURCE(network_help);
}

namespace ydt {

QString NetworkHelpPicture(ProviderKind kind, NetworkIdBox box) {
  const bool first = box == NetworkIdBox::A;
  switch (kind) {
    case ProviderKind::Aliyun:
      return first ? QStringLiteral(":/network_help/aliyun_a.png")
                   : QStringLiteral(":/network_help/aliyun_b.png");
    case ProviderKind::Huawei:
      return first ? QStringLiteral(":/network_help/huawei_a.png")
                   : QStringLiteral(":/network_help/huawei_b.png");
    case ProviderKind::Tencent:
      break;
  }
  return {};
}

QString NetworkHelpTitle(ProviderKind kind, NetworkIdBox box) {
  const bool first = box == NetworkIdBox::A;
  switch (kind) {
    case ProviderKind::Aliyun:
      return first ? QStringLiteral(
                         "控制台→虚拟私有云VPC（创建机器的可用区域必须和安全组一个区域，不能跨域）")
                   : QStringLiteral(
                         "控制台→专用网网络VPC→交换机（创建机器的可用区域必须和安全组一个区域，"
                         "不能跨域）");
    case ProviderKind::Huawei:
      return QStringLiteral(
          "控制台→虚拟私有云VPC→子网（创建机器的可用区域必须和安全组一个区域，不能跨域）");
    case ProviderKind::Tencent:
      break;
  }
  return {};
}

NetworkHelpWindow::NetworkHelpWindow(ProviderKind kind, NetworkIdBox box, QWidget* parent)
    : QDialog(parent) {
  InitNetworkHelpResource();
  setModal(true);
  picture_ = new QLabel(this);
  picture_->setFixedSize(800, 376);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(picture_);
  const QString path = NetworkHelpPicture(kind, box);
  if (!path.isEmpty()) {
    picture_->setPixmap(QPixmap::fromImage(ReadPngPicture(path)));
    setWindowTitle(NetworkHelpTitle(kind, box));
    picture_->setAccessibleName(windowTitle());
  }
}

}  // namespace ydt

#include <QPushButton>

namespace ydt {

QPushButton* NewNetworkHelpButton(ProviderKind kind, NetworkIdBox box, QWidget* parent) {
  const ProviderInfo& info = Info(kind);
  const std::string_view name = box == NetworkIdBox::A ? info.netHelpButtonA : info.netHelpButtonB;
  if (name.empty()) return nullptr;
  auto* button = new QPushButton(QStringLiteral("?"), parent);
  button->setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  button->setFixedSize(24, 24);
  button->setToolTip(NetworkHelpTitle(kind, box));
  QObject::connect(button, &QPushButton::clicked, button, [kind, box, button] {
    NetworkHelpWindow window(kind, box, button->window());
    window.exec();
  });
  return button;
}

}  // namespace ydt
