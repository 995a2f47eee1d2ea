#include "app/ScreenshotHook.h"

#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/MailAccountOAuth.h"
#include "util/MessageService.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <cstdio>
#include <memory>

namespace {

// At the size it opens with.
bool Save(QWidget &widget, const QString &folder, const QString &name)
{
    widget.ensurePolished();
    widget.adjustSize();
    return SaveWidgetScreenshot(widget, folder, name);
}

} // namespace

int SaveOAuthScreenshots(QWidget *owner, const QString &folder)
{
    std::unique_ptr<MessageService> previous = MessageService::install(nullptr);
    int failures = 0;
    {
        // A made-up Microsoft 365 account that signs in with OAuth 2.0, not the user's.
        Profile account = TFrmMailAccount::NewAccount();
        account.name = QStringLiteral("Office");
        account.senderName = QStringLiteral("Sales Ledger");
        account.senderAddress = QStringLiteral("ledger@example.com");
        account.transport.username = account.senderAddress;
        account.transport.auth = TransportSettings::Auth::OAuth2;
        account.oauth.provider = OAuthSettings::Provider::Microsoft;
        account.oauth.clientId = QStringLiteral("0b9e4f6a-58c1-4c2e-9d3a-7e21f0c8a514");
        account.oauth.tenant = QStringLiteral("example.onmicrosoft.com");
        TFrmMailAccount dialog(account, {}, QString(), owner);
        dialog.applyPreset(AccountPreset::Microsoft365);
        failures += Save(dialog, folder, QStringLiteral("9-FrmMailAccount-oauth.png")) ? 0 : 1;
    }
    {
        const QString code = QStringLiteral("F7KQ-2XPM");
        const QUrl address(QStringLiteral("https://microsoft.com/devicelogin"));
        TDlgDeviceCode prompt(code, address,
            QStringLiteral("To sign in, open %1 in a web browser on any device and enter the "
                           "code %2.")
                .arg(address.toString(), code),
            owner);
        failures += Save(prompt, folder, QStringLiteral("9-DlgDeviceCode.png")) ? 0 : 1;
    }
    MessageService::install(std::move(previous));
    return failures;
}
