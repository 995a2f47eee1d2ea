// The account dialog's controls and the profile, both ways, and what OK checks and saves.

#include "mail/accounts/FrmMailAccount.h"

#include "mail/accounts/MailAccountOAuth.h"
#include "mail/accounts/SecurityChoice.h"
#include "platform/mapi/AccountStore.h"
#include "util/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace {

using Kind = SentCopySettings::Kind;

void ShowAddress(
    const ServerAddress &address, QLineEdit *host, QLineEdit *port, QComboBox *security)
{
    host->setText(address.host);
    port->setText(address.port > 0 ? QString::number(address.port) : QString());
    SelectSecurity(security, address.security);
    security->setProperty("previous", int(SecurityChoice(security)));
}

ServerAddress AddressShown(const QLineEdit *host, const QLineEdit *port, const QComboBox *security)
{
    return { host->text().trimmed(), ParsePort(port->text()).value_or(0),
        SecurityChoice(security) };
}

QString TransportKindText(const TransportSettings &transport)
{
    if (transport.kind == TransportSettings::Kind::Sendmail)
        return QStringLiteral("This account hands its messages to the program \"%1\". Enter an "
                              "outgoing server to send over SMTP instead.")
            .arg(transport.command);
    return QStringLiteral("This account puts its messages in the folder \"%1\". Enter an "
                          "outgoing server to send over SMTP instead.")
        .arg(QDir::toNativeSeparators(transport.folder));
}

// The first server entry that is not acceptable, in words, or an empty text.
QString CheckServer(const QLineEdit *host, const QLineEdit *port, const QString &which,
    const QString &example, QWidget **control)
{
    const QString name = host->text().trimmed();
    if (name.isEmpty()) {
        *control = const_cast<QLineEdit *>(host);
        return QStringLiteral("Enter the name of the %1, for example %2.").arg(which, example);
    }
    if (!IsHostName(name)) {
        *control = const_cast<QLineEdit *>(host);
        return QStringLiteral("\"%1\" is not a server name. Enter a name such as %2, without "
                              "\"://\" or a port.")
            .arg(name, example);
    }
    if (!ParsePort(port->text())) {
        *control = const_cast<QLineEdit *>(port);
        return QStringLiteral("The port of the %1 must be a number from 1 to 65535.").arg(which);
    }
    return {};
}

} // namespace

void TFrmMailAccount::setProfile(const Profile &profile)
{
    QScopedValueRollback<bool> loading(m_loading, true);
    m_original = profile;

    {
        const int index = cmbPreset->findData(int(PresetOf(profile)));
        cmbPreset->setCurrentIndex(index);
        lblPresetNote->setText(PresetValues(AccountPreset(cmbPreset->currentData().toInt())).note);
    }

    edtName->setText(profile.name);
    edtSenderName->setText(profile.senderName);
    edtSenderAddress->setText(profile.senderAddress);
    m_addressShown = profile.senderAddress;
    edtStoreFolder->setText(QDir::toNativeSeparators(profile.storeFolder));
    updateStorePlaceholder();

    const TransportSettings &transport = profile.transport;
    const bool smtp = transport.kind == TransportSettings::Kind::Smtp;
    const ServerAddress outgoing
        = smtp ? SmtpAddressOf(transport) : PresetValues(AccountPreset::Other).smtp;
    FillSecurityChoices(cmbSmtpSecurity, outgoing.security == Security::StartTlsIfOffered);
    ShowAddress(outgoing, edtSmtpHost, edtSmtpPort, cmbSmtpSecurity);
    lblTransportKind->setText(smtp ? QString() : TransportKindText(transport));
    edtSmtpUser->setText(transport.username);
    edtSmtpPassword->setText(transport.password);
    oauth->setFrom(profile);
    edtMessagesPerMinute->setText(
        transport.messagesPerMinute > 0 ? QString::number(transport.messagesPerMinute) : QString());

    const SentCopySettings &copy = profile.sentCopy;
    rbSentServer->setChecked(copy.kind == Kind::Server);
    rbSentUpload->setChecked(copy.kind == Kind::Imap);
    rbSentLocal->setChecked(copy.kind == Kind::Local);
    const ServerAddress imap
        = copy.url.isEmpty() ? PresetValues(AccountPreset::Other).imap : ImapAddressOf(copy);
    FillSecurityChoices(cmbImapSecurity, imap.security == Security::StartTlsIfOffered);
    ShowAddress(imap, edtImapHost, edtImapPort, cmbImapSecurity);
    // A copy that is not uploaded, or uploaded with the sending login, keeps the box ticked;
    // an IMAP server always wants a login, so one not entered yet is taken as the same.
    const bool sameLogin = copy.kind != Kind::Imap || copy.username.isEmpty()
        || (copy.username == transport.username && copy.password == transport.password);
    chkImapSameLogin->setChecked(sameLogin);
    edtImapUser->setText(sameLogin ? QString() : copy.username);
    edtImapPassword->setText(sameLogin ? QString() : copy.password);
    cmbSentFolder->clear();
    setSentFolders(copy.folder.isEmpty() ? QStringList() : QStringList { copy.folder }, {});
    cmbSentFolder->setCurrentIndex(copy.folder.isEmpty() ? 0 : 1);

    txtTestResult->clear();
    updateEnabled();
}

Profile TFrmMailAccount::profile() const
{
    Profile profile = m_original;
    profile.name = edtName->text().trimmed();
    profile.senderName = edtSenderName->text().trimmed();
    profile.senderAddress = edtSenderAddress->text().trimmed();
    const QString store = edtStoreFolder->text().trimmed();
    profile.storeFolder
        = store.isEmpty() ? DefaultStoreFolder(profile.name) : QDir::fromNativeSeparators(store);

    TransportSettings &transport = profile.transport;
    // An account that sends another way keeps it until an outgoing server is entered.
    if (transport.kind == TransportSettings::Kind::Smtp
        || !edtSmtpHost->text().trimmed().isEmpty()) {
        transport.kind = TransportSettings::Kind::Smtp;
        SetSmtpAddress(transport, AddressShown(edtSmtpHost, edtSmtpPort, cmbSmtpSecurity));
    }
    transport.username = edtSmtpUser->text().trimmed();
    transport.password = edtSmtpPassword->text();
    oauth->applyTo(profile);
    transport.messagesPerMinute = ParseMessagesPerMinute(edtMessagesPerMinute->text()).value_or(0);

    SentCopySettings &copy = profile.sentCopy;
    copy.kind = rbSentServer->isChecked() ? Kind::Server
        : rbSentUpload->isChecked()       ? Kind::Imap
                                          : Kind::Local;
    if (copy.kind == Kind::Imap || !edtImapHost->text().trimmed().isEmpty())
        SetImapAddress(copy, AddressShown(edtImapHost, edtImapPort, cmbImapSecurity));
    if (chkImapSameLogin->isChecked()) {
        copy.username = transport.username;
        copy.password = transport.password;
    } else {
        copy.username = edtImapUser->text().trimmed();
        copy.password = edtImapPassword->text();
    }
    copy.folder = cmbSentFolder->currentData().toString();
    return profile;
}

void TFrmMailAccount::applyPreset(AccountPreset preset)
{
    const AccountPresetValues &values = PresetValues(preset);
    QScopedValueRollback<bool> loading(m_loading, true);
    const int index = cmbPreset->findData(int(preset));
    if (cmbPreset->currentIndex() != index)
        cmbPreset->setCurrentIndex(index);
    lblPresetNote->setText(values.note);
    if (preset == AccountPreset::Microsoft365)
        oauth->suggestProvider(OAuthSettings::Provider::Microsoft);
    else if (preset == AccountPreset::Google)
        oauth->suggestProvider(OAuthSettings::Provider::Google);
    FillSecurityChoices(cmbSmtpSecurity, false);
    ShowAddress(values.smtp, edtSmtpHost, edtSmtpPort, cmbSmtpSecurity);
    FillSecurityChoices(cmbImapSecurity, false);
    ShowAddress(values.imap, edtImapHost, edtImapPort, cmbImapSecurity);
    rbSentServer->setChecked(values.sentCopy == Kind::Server);
    rbSentUpload->setChecked(values.sentCopy == Kind::Imap);
    rbSentLocal->setChecked(values.sentCopy == Kind::Local);
    setSentFolders({}, {});
    updateEnabled();
}

QString TFrmMailAccount::validate(QWidget **control) const
{
    QWidget *unused = nullptr;
    QWidget *&field = control ? *control : unused;
    field = nullptr;

    const QString name = edtName->text().trimmed();
    if (name.isEmpty()) {
        field = edtName;
        return QStringLiteral("Enter a name for the account, for example \"Office\".");
    }
    for (const QString &other : m_otherNames) {
        if (other.compare(name, Qt::CaseInsensitive) == 0) {
            field = edtName;
            return QStringLiteral("There is already an account called \"%1\". Choose another name.")
                .arg(other);
        }
    }
    const QString address = edtSenderAddress->text().trimmed();
    if (address.isEmpty()) {
        field = edtSenderAddress;
        return QStringLiteral("Enter the e-mail address your messages are sent from.");
    }
    if (!IsAddressShaped(address)) {
        field = edtSenderAddress;
        return QStringLiteral("\"%1\" is not an e-mail address. An address looks like "
                              "name@example.com.")
            .arg(address);
    }
    const QString store = edtStoreFolder->text().trimmed();
    if (!store.isEmpty() && !QDir::isAbsolutePath(QDir::fromNativeSeparators(store))) {
        field = edtStoreFolder;
        return QStringLiteral("Enter the folder for the account's messages as a full path, or "
                              "leave it empty for the usual place.");
    }
    const QString signIn = oauth->validate(&field);
    if (!signIn.isEmpty())
        return signIn;
    return validateServers(field);
}

QString TFrmMailAccount::validateServers(QWidget *&field) const
{
    field = nullptr;
    const bool smtp = m_original.transport.kind == TransportSettings::Kind::Smtp
        || !edtSmtpHost->text().trimmed().isEmpty();
    if (smtp) {
        const QString problem = CheckServer(edtSmtpHost, edtSmtpPort,
            QStringLiteral("outgoing (SMTP) server"), QStringLiteral("smtp.example.com"), &field);
        if (!problem.isEmpty())
            return problem;
    }
    if (!ParseMessagesPerMinute(edtMessagesPerMinute->text())) {
        field = edtMessagesPerMinute;
        return QStringLiteral("Enter the messages a minute as a whole number from 1 up, or leave "
                              "it empty for no limit.");
    }
    if (rbSentUpload->isChecked()) {
        const QString problem = CheckServer(edtImapHost, edtImapPort, QStringLiteral("IMAP server"),
            QStringLiteral("imap.example.com"), &field);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

void TFrmMailAccount::accept()
{
    QWidget *control = nullptr;
    const QString problem = validate(&control);
    if (!problem.isEmpty()) {
        showProblem(problem, control);
        return;
    }
    if (!save(profile()))
        return;
    cancelTest();
    QDialog::accept();
}

void TFrmMailAccount::showProblem(const QString &problem, QWidget *control)
{
    ShowWarning(problem);
    if (control) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->selectAll();
    }
}

void TFrmMailAccount::reject()
{
    cancelTest();
    QDialog::reject();
}

bool TFrmMailAccount::save(Profile profile)
{
    // Passwords go to the keyring, also those an older file or an earlier choice kept in
    // the file; only when no keyring answers may the user keep them in the file.
    profile.transport.secretPlace = SecretPlace::Keyring;
    profile.sentCopy.secretPlace = SecretPlace::Keyring;
    AccountResult result = AccountStore::save(profile, m_previousName);
    if (result.status == SecretStatus::NoService) {
        // The store's answer says that no keyring answers; the choice is the user's.
        const QString question = result.text
            + QStringLiteral("\n\nKeep the account's passwords in your mail profiles file "
                             "instead? Only you can read that file.");
        if (!AskYesNo(question))
            return false;
        profile.transport.secretPlace = SecretPlace::File;
        profile.sentCopy.secretPlace = SecretPlace::File;
        result = AccountStore::save(profile, m_previousName);
    }
    if (!result.ok()) {
        ShowError(QStringLiteral("The account \"%1\" could not be saved.\n\n%2")
                      .arg(profile.name, result.text));
        return false;
    }
    m_saved = profile;
    return true;
}
