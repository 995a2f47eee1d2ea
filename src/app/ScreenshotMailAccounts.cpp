#include "app/ScreenshotHook.h"

#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/FrmMailAccounts.h"
#include "util/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Two accounts of a made-up business, in a configuration folder of the run's own: the
// screenshot run never reads or writes the user's accounts.
const char *const SampleProfiles = R"({"profiles": [
  {"name": "Office", "default": true, "senderName": "Sales Ledger",
   "senderAddress": "ledger@example.com", "store": "/tmp/velloran-shots/Office",
   "transport": {"kind": "smtp", "url": "smtp://smtp.office365.com:587", "starttls": "required",
                 "username": "ledger@example.com", "passwordIn": "keyring"},
   "sentCopy": {"kind": "server"}},
  {"name": "Shop", "senderName": "Web Shop", "senderAddress": "shop@example.net",
   "store": "/tmp/velloran-shots/Shop",
   "transport": {"kind": "smtp", "url": "smtps://mail.example.net:465", "username": "shop",
                 "passwordIn": "keyring"},
   "sentCopy": {"kind": "imap", "url": "imaps://mail.example.net:993", "username": "shop",
                "passwordIn": "keyring"}}
]})";

Profile SampleAccount(const QString &name, const QString &address)
{
    Profile profile = TFrmMailAccount::NewAccount();
    profile.name = name;
    profile.senderName = QStringLiteral("Sales Ledger");
    profile.senderAddress = address;
    profile.transport.username = address;
    profile.transport.password = QStringLiteral("password");
    return profile;
}

// The dialog at the size it opens with.
void Lay(QWidget &widget)
{
    widget.ensurePolished();
    widget.adjustSize();
}

} // namespace

int SaveMailAccountScreenshots(QWidget *owner, const QString &folder)
{
    std::unique_ptr<MessageService> previous = MessageService::install(nullptr);
    int failures = 0;

    QTemporaryDir config;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QDir(config.path()).mkpath(QStringLiteral("velloran"));
    QFile file(QDir(config.path()).filePath(QStringLiteral("velloran/mail-profiles.json")));
    if (file.open(QIODevice::WriteOnly))
        file.write(SampleProfiles);
    file.close();
    {
        TFrmMailAccounts accounts(owner);
        accounts.ensurePolished();
        failures += SaveWidgetScreenshot(accounts, folder, QStringLiteral("7-FrmMailAccounts.png"))
            ? 0
            : 1;
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);

    const struct
    {
        AccountPreset preset;
        const char *file;
        const char *address;
    } presets[] = {
        { AccountPreset::Microsoft365, "7-FrmMailAccount-microsoft.png", "ledger@example.com" },
        { AccountPreset::Google, "7-FrmMailAccount-google.png", "ledger@example.com" },
        { AccountPreset::Other, "7-FrmMailAccount-other.png", "ledger@example.org" },
    };
    for (const auto &shot : presets) {
        TFrmMailAccount dialog(
            SampleAccount(QStringLiteral("Office"), QString::fromLatin1(shot.address)), {},
            QString(), owner);
        dialog.applyPreset(shot.preset);
        if (shot.preset == AccountPreset::Other) {
            dialog.edtSmtpHost->setText(QStringLiteral("smtp.example.org"));
            dialog.edtImapHost->setText(QStringLiteral("imap.example.org"));
        }
        Lay(dialog);
        failures += SaveWidgetScreenshot(dialog, folder, QString::fromLatin1(shot.file)) ? 0 : 1;
    }

    // A test of a server nothing listens on: port 1 of this computer.
    {
        Profile account
            = SampleAccount(QStringLiteral("Office"), QStringLiteral("ledger@example.org"));
        account.transport.url = QStringLiteral("smtp://127.0.0.1:1");
        account.sentCopy.kind = SentCopySettings::Kind::Local;
        TFrmMailAccount dialog(account, {}, QString(), owner);
        Lay(dialog);
        QEventLoop wait;
        QObject::connect(&dialog, &TFrmMailAccount::testFinished, &wait, &QEventLoop::quit);
        QTimer::singleShot(60000, &wait, &QEventLoop::quit);
        dialog.btnTest->click();
        if (dialog.testing())
            wait.exec();
        failures += SaveWidgetScreenshot(
                        dialog, folder, QStringLiteral("7-FrmMailAccount-test-failed.png"))
            ? 0
            : 1;
    }

    MessageService::install(std::move(previous));
    return failures;
}
