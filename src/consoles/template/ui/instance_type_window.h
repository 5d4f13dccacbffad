// InstanceTypeWindow ("机型资源") lists the instance types offered in the template's zone,
// for the operator to copy one into the instance-type box.
#pragma once

#include <QDialog>

#include "consoles/catalogue/catalogue.h"
#include "consoles/template/ui/template_environment.h"

class QPlainTextEdit;

namespace ydt {

class InstanceTypeWindow : public QDialog {
  Q_OBJECT

 public:
  explicit InstanceTypeWindow(QWidget* parent = nullptr);

  // Starts the lookup on a worker; its text lands in the box unless the window has closed.
  void StartLoad(ProviderKind kind, const TemplateEnvironment& env);

  QString Text() const;

 private:
  QPlainTextEdit* text_;
};

}  // namespace ydt
