#pragma once

#include <QPointer>
#include <QWidget>

#include "host/ports.h"

namespace q9::app {

// The platform's standard message boxes with the exact title, text, buttons, icon and default.
class QtPrompter : public Prompter {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    MessageAnswer Ask(const MessageBoxRequest& request) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace q9::app
