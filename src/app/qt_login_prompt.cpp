#include "qt_login_prompt.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace q9::app {

std::optional<LoginChoice> QtLoginPrompt::AskLogin(const std::vector<Account>& accounts,
                                                   const std::string& defaultUserName) {
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("dlgLogin"));
    dialog.setWindowTitle(QStringLiteral("登录"));

    auto* account = new QComboBox(&dialog);
    account->setObjectName(QStringLiteral("cboAccount"));
    // An empty address lets the login component take the embedded demo account.
    account->addItem(QStringLiteral("演示账套"), QString());
    for (const Account& a : accounts) {
        account->addItem(QString::fromStdString(a.name), QString::fromStdString(a.url));
    }
    auto* user = new QLineEdit(QString::fromStdString(defaultUserName), &dialog);
    user->setObjectName(QStringLiteral("txtUser"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("登录"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("账套："), account);
    form->addRow(QStringLiteral("用户名："), user);
    form->addRow(buttons);
    dialog.setMinimumWidth(320);

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    LoginChoice choice;
    choice.url = account->currentData().toString().toStdString();
    if (!choice.url.empty()) choice.accountName = account->currentText().toStdString();
    choice.userName = user->text().trimmed().toStdString();
    return choice;
}

}  // namespace q9::app
