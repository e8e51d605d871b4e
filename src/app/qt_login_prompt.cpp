#include "qt_login_prompt.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "host/db/odbc_connection_string.h"
#include "login_memory.h"

namespace q9::app {

namespace {

constexpr std::string_view kOdbc = "odbc:";

bool AsksPassword(const QString& url) {
    const std::string address = url.toStdString();
    return address.starts_with(kOdbc) && odbc::NeedsPassword(address.substr(kOdbc.size()));
}

// "2019：16%→13%, 10%→9%（2019-04-01之前）" in the session's language.
QString ProfileCaption(const RateProfile& profile, const LoginDialog::Translate& translate) {
    QString changes;
    for (const RateChange& change : profile.changes) {
        if (!changes.isEmpty()) changes += QStringLiteral(", ");
        changes +=
            QString::fromStdString(change.oldRate.Text() + "%→" + change.newRate.Text() + "%");
    }
    const QString cutoff = QString::fromStdString(profile.CutoffDate());
    if (profile.name.empty()) return translate("%1（%2之前）").arg(changes, cutoff);
    return translate("%1：%2（%3之前）").arg(QString::fromStdString(profile.name), changes, cutoff);
}

}  // namespace

LoginDialog::LoginDialog(const std::vector<Account>& accounts, const std::string& userName,
                         const RateProfileOffer& profiles, const Translate& translate,
                         QWidget* parent)
    : QDialog(parent), form_(new QFormLayout(this)), offer_(profiles) {
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(translate("登录"));
    AddAccountRow(accounts, translate);
    AddUserRow(userName, translate);
    AddPasswordRow(translate);
    AddProfileRow(translate);
    AddButtons(translate);
    setMinimumWidth(360);
    OnAccountChanged();
}

void LoginDialog::AddAccountRow(const std::vector<Account>& accounts, const Translate& translate) {
    account_ = new QComboBox(this);
    account_->setObjectName(QStringLiteral("cboAccount"));
    // An empty address lets the login component take the embedded demo account.
    account_->addItem(translate("演示账套"), QString());
    for (const Account& a : accounts) {
        account_->addItem(QString::fromStdString(a.name), QString::fromStdString(a.url));
    }
    connect(account_, &QComboBox::currentIndexChanged, this, &LoginDialog::OnAccountChanged);
    form_->addRow(translate("账套："), account_);
}

void LoginDialog::AddUserRow(const std::string& userName, const Translate& translate) {
    user_ = new QLineEdit(QString::fromStdString(userName), this);
    user_->setObjectName(QStringLiteral("txtUser"));
    form_->addRow(translate("用户名："), user_);
}

void LoginDialog::AddPasswordRow(const Translate& translate) {
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("txtPassword"));
    password_->setEchoMode(QLineEdit::Password);
    passwordLabel_ = new QLabel(translate("密码："), this);
    form_->addRow(passwordLabel_, password_);
}

void LoginDialog::AddProfileRow(const Translate& translate) {
    if (offer_.profiles.empty()) return;
    profile_ = new QComboBox(this);
    profile_->setObjectName(QStringLiteral("cboProfile"));
    for (const RateProfile& profile : offer_.profiles) {
        profile_->addItem(ProfileCaption(profile, translate));
    }
    form_->addRow(translate("税率调整方案："), profile_);
}

void LoginDialog::AddButtons(const Translate& translate) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(translate("登录"));
    buttons->button(QDialogButtonBox::Cancel)->setText(translate("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form_->addRow(buttons);
}

void LoginDialog::OnAccountChanged() {
    const bool asks = AsksPassword(account_->currentData().toString());
    if (!asks) password_->clear();
    password_->setEnabled(asks);
    passwordLabel_->setEnabled(asks);
    if (!profile_) return;
    const std::string account =
        account_->currentIndex() > 0 ? account_->currentText().toStdString() : std::string();
    const auto owned = offer_.owned.find(account);
    const RateProfile& shown = owned == offer_.owned.end() ? offer_.standing : owned->second;
    for (size_t i = 0; i < offer_.profiles.size(); ++i) {
        if (DescribeRateProfile(offer_.profiles[i]) == DescribeRateProfile(shown)) {
            profile_->setCurrentIndex(static_cast<int>(i));
        }
    }
}

void LoginDialog::SelectAccount(const std::string& name) {
    const int found = name.empty() ? -1 : account_->findText(QString::fromStdString(name));
    // The first entry is the demo account, whatever its caption in this language.
    account_->setCurrentIndex(found > 0 ? found : 0);
}

LoginChoice LoginDialog::Choice() const {
    LoginChoice choice;
    choice.url = account_->currentData().toString().toStdString();
    if (!choice.url.empty()) choice.accountName = account_->currentText().toStdString();
    choice.userName = user_->text().trimmed().toStdString();
    if (password_->isEnabled()) choice.password = password_->text().toStdString();
    if (profile_ && profile_->currentIndex() >= 0) {
        choice.rateProfile = offer_.profiles[static_cast<size_t>(profile_->currentIndex())];
    }
    return choice;
}

std::optional<LoginChoice> QtLoginPrompt::AskLogin(const std::vector<Account>& accounts,
                                                   const std::string& defaultUserName,
                                                   const RateProfileOffer& profiles) {
    const LoginMemory memory = memoryFile_.empty() ? LoginMemory{} : ReadLoginMemory(memoryFile_);
    LoginDialog dialog(accounts, defaultUserName, profiles, translate_, parent_);
    dialog.SelectAccount(memory.accountName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    LoginChoice choice = dialog.Choice();
    if (!memoryFile_.empty()) WriteLoginMemory(memoryFile_, {choice.accountName});
    return choice;
}

}  // namespace q9::app
