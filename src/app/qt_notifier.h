#pragma once

#include <QPointer>
#include <QWidget>

#include "host/ports.h"

namespace q9::app {

// The host's notice box: a plain message box over the window with the tool's title.
class QtNotifier : public Notifier {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowNotice(const std::string& message) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace q9::app
