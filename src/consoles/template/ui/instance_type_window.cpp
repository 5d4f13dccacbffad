#include "consoles/template/ui/instance_type_window.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

#include "consoles/template/template_lookups.h"
#include "ui/task_runner.h"

namespace ydt {

InstanceTypeWindow::InstanceTypeWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("机型资源"));
  setModal(true);
  auto* group = new QGroupBox(QStringLiteral("机型资源列表"), this);
  text_ = new QPlainTextEdit(group);
  text_->setObjectName(QStringLiteral("编辑框_机型资源列表"));
  text_->setReadOnly(true);
  text_->setAccessibleName(group->title());
  text_->setPlainText(QString::fromUtf8(kInstanceTypesLoading.data(),
                                        static_cast<qsizetype>(kInstanceTypesLoading.size())));
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(text_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  resize(520, 360);
}

void InstanceTypeWindow::StartLoad(ProviderKind kind, const TemplateEnvironment& env) {
  if (env.client == nullptr || env.prompter == nullptr || env.state == nullptr) return;
  const AccessKeys keys = env.readKeys ? env.readKeys() : AccessKeys{};
  const std::string region = env.state->regionCode;
  const std::string zone = env.state->zoneCode;
  BackendClient* client = env.client;
  Prompter* prompter = env.prompter;
  const WindowRef owner = env.owner;
  const QPointer<QObject> guard(this);
  StartTask(env.tasks, [=] {
    TemplateLookups lookups(*client, *prompter, owner);
    std::optional<std::string> text = lookups.LoadInstanceTypes(kind, keys, region, zone);
    if (!text) return;
    // The backend's lines end in CR LF; the box wants plain line feeds.
    QString shown = QString::fromStdString(*text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    PostToUi(guard, [guard, shown] {
      if (auto* window = qobject_cast<InstanceTypeWindow*>(guard.data())) {
        window->text_->setPlainText(shown);
      }
    });
  });
}

QString InstanceTypeWindow::Text() const {
  return text_->toPlainText();
}

}  // namespace ydt
