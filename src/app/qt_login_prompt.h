#pragma once

#include <QPointer>
#include <QWidget>

#include "host/session.h"

namespace q9::app {

// The login component's dialog: the account (the embedded demo account first, then those of the
// accounts file) and the user name. Cancel refuses the login.
class QtLoginPrompt : public LoginPrompt {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<LoginChoice> AskLogin(const std::vector<Account>& accounts,
                                        const std::string& defaultUserName) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace q9::app
