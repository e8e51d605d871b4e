#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "host/session.h"

namespace q9::app {

// The login component's dialog. One row per choice: the account (the embedded demo account
// first, then those of the accounts file), the user name, the password, which is asked only
// for an ODBC account that has no data source or password of its own, and the rate changes
// (shown first as the chosen account's own, else as the profile in force).
class LoginDialog : public QDialog {
    Q_OBJECT

  public:
    using Translate = std::function<QString(const char* text)>;

    LoginDialog(const std::vector<Account>& accounts, const std::string& userName,
                const RateProfileOffer& profiles, const Translate& translate,
                QWidget* parent = nullptr);

    // Selects the account of that name; the demo account when there is none.
    void SelectAccount(const std::string& name);
    LoginChoice Choice() const;

  private:
    void AddAccountRow(const std::vector<Account>& accounts, const Translate& translate);
    void AddUserRow(const std::string& userName, const Translate& translate);
    void AddPasswordRow(const Translate& translate);
    void AddProfileRow(const Translate& translate);
    void AddButtons(const Translate& translate);
    void OnAccountChanged();

    QFormLayout* form_ = nullptr;
    QComboBox* account_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QLineEdit* password_ = nullptr;
    RateProfileOffer offer_;
    QComboBox* profile_ = nullptr;  // none when nothing is offered
};

// Shows the dialog; Cancel refuses the login. The account chosen is offered first next time
// when a memory file is set.
class QtLoginPrompt : public LoginPrompt {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void SetTranslate(LoginDialog::Translate translate) { translate_ = std::move(translate); }
    void SetMemoryFile(std::string path) { memoryFile_ = std::move(path); }

    std::optional<LoginChoice> AskLogin(const std::vector<Account>& accounts,
                                        const std::string& defaultUserName,
                                        const RateProfileOffer& profiles) override;

  private:
    QPointer<QWidget> parent_;
    LoginDialog::Translate translate_ = [](const char* text) { return QString::fromUtf8(text); };
    std::string memoryFile_;
};

}  // namespace q9::app
