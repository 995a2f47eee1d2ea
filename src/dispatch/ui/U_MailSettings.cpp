#include "dispatch/ui/U_MailSettings.h"

#include "components/ClassicFont.h"
#include "components/DialogKeys.h"
#include "dispatch/MailSettingsStore.h"
#include "mail/RwMapiInfo.h"
#include "mail/accounts/FrmMailAccounts.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

// Typing stops at this length; a longer stored password is still shown whole.
constexpr int PasswordMaxLength = 10;
constexpr int FieldWidth = 205;

QFont DialogFont()
{
    QFont font = ClassicSansFont();
    font.setPointSize(8);
    return font;
}

QFont TitleFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
        QStringLiteral("Liberation Sans") });
    font.setPointSize(8);
    font.setBold(true);
    return font;
}

// The hourglass for as long as the object lives.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    return label;
}

} // namespace

TFrmMailSettings::TFrmMailSettings(QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmMailSettings"));
    setWindowTitle(QStringLiteral("Outlook Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(DialogFont());
    // 379 x 199 outside; the frame's share is left to the windowing system.
    setFixedSize(371, 165);
    buildControls();
}

TFrmMailSettings::~TFrmMailSettings() = default;

void TFrmMailSettings::buildControls()
{
    panTop = new QWidget(this);
    panTop->setObjectName(QStringLiteral("panTop"));
    panTop->setGeometry(0, 0, width(), 41);
    panTop->setAutoFillBackground(true);
    QPalette white = panTop->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panTop->setPalette(white);

    lblFunction = MakeLabel(
        panTop, "lblFunction", QStringLiteral("Outlook Login Settings"), QRect(12, 6, 340, 14));
    lblFunction->setFont(TitleFont());
    lblDescription = MakeLabel(panTop, "lblDescription",
        QStringLiteral("Press Logon to connect to a MAPI session."), QRect(28, 22, 320, 14));
    lblDescription->hide();

    bvTop = new QFrame(this);
    bvTop->setObjectName(QStringLiteral("bvTop"));
    bvTop->setFrameShape(QFrame::HLine);
    bvTop->setFrameShadow(QFrame::Sunken);
    bvTop->setGeometry(0, 41, width(), 2);

    lblMAPIType
        = MakeLabel(this, "lblMAPIType", QStringLiteral("MAPI Type"), QRect(16, 53, 70, 21));
    cmbBxMAPIType = new QComboBox(this);
    cmbBxMAPIType->setObjectName(QStringLiteral("cmbBxMAPIType"));
    cmbBxMAPIType->setGeometry(96, 53, FieldWidth, 21);
    lblMAPIType->setBuddy(cmbBxMAPIType);

    lblProfile = MakeLabel(this, "lblProfile", QStringLiteral("Profile"), QRect(16, 78, 70, 21));
    cmbBxProfiles = new QComboBox(this);
    cmbBxProfiles->setObjectName(QStringLiteral("cmbBxProfiles"));
    cmbBxProfiles->setEditable(true);
    // A typed name is used as it is, never added to the list.
    cmbBxProfiles->setInsertPolicy(QComboBox::NoInsert);
    cmbBxProfiles->setGeometry(96, 78, FieldWidth, 21);
    lblProfile->setBuddy(cmbBxProfiles);

    btnAccounts = new QPushButton(QStringLiteral("&Accounts..."), this);
    btnAccounts->setObjectName(QStringLiteral("btnAccounts"));
    btnAccounts->setGeometry(305, 77, 62, 23);
    btnAccounts->setAutoDefault(false);
    // Outside the dialog's tab order, which stays as it was; Alt+A and the mouse reach it.
    btnAccounts->setFocusPolicy(Qt::ClickFocus);

    lblPassword
        = MakeLabel(this, "lblPassword", QStringLiteral("Password"), QRect(16, 103, 70, 21));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setMaxLength(PasswordMaxLength);
    edtPassword->setGeometry(96, 103, FieldWidth, 21);
    lblPassword->setBuddy(edtPassword);
    // Shortening a long stored password lowers the limit with it, never below the usual one.
    connect(edtPassword, &QLineEdit::textChanged, this, [this](const QString &text) {
        edtPassword->setMaxLength(std::max(PasswordMaxLength, int(text.size())));
    });

    chkBxSharedSession = new QCheckBox(QStringLiteral("Shared Session?"), this);
    chkBxSharedSession->setObjectName(QStringLiteral("chkBxSharedSession"));
    chkBxSharedSession->setGeometry(96, 130, 105, 17);

    btnLogon = new QPushButton(QStringLiteral("Test && Save"), this);
    btnLogon->setObjectName(QStringLiteral("btnLogon"));
    btnLogon->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    btnLogon->setGeometry(207, 130, 82, 25);
    btnLogon->setDefault(true);

    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(295, 130, 70, 25);
    SetCancelButton(btnCancel, true);

    setTabOrder(cmbBxMAPIType, cmbBxProfiles);
    setTabOrder(cmbBxProfiles, edtPassword);
    setTabOrder(edtPassword, chkBxSharedSession);
    setTabOrder(chkBxSharedSession, btnLogon);
    setTabOrder(btnLogon, btnCancel);

    connect(
        btnLogon, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnLogonClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnAccounts, &QPushButton::clicked, this,
        [this] { RunGuarded([this] { btnAccountsClick(); }); });
}

void TFrmMailSettings::InitMailTypes(bool simpleMapiAllowed)
{
    if (!simpleMapiAllowed)
        lblFunction->setText(QStringLiteral("Login (This example does not support Simple MAPI)"));
    const TRwMapiInfo info = TRwMapiInfo::Read();
    cmbBxMAPIType->clear();
    if (info.ExtendedMapiAvailable)
        cmbBxMAPIType->addItem(ExtendedMapiItem);
    if (info.SimpleMapiAvailable && simpleMapiAllowed)
        cmbBxMAPIType->addItem(SimpleMapiItem);
    if (info.DefaultClient.compare(QStringLiteral("Microsoft Outlook"), Qt::CaseInsensitive) == 0)
        cmbBxMAPIType->setCurrentIndex(cmbBxMAPIType->findText(ExtendedMapiItem));
    else
        cmbBxMAPIType->setCurrentIndex(cmbBxMAPIType->count() > 0 ? 0 : -1);
    btnLogon->setEnabled(false);
    if (cmbBxMAPIType->count() > 0) {
        SelectMailType();
    } else {
        // Without MAPI the dialog can only be cancelled.
        cmbBxProfiles->setEnabled(false);
        edtPassword->setEnabled(false);
        cmbBxMAPIType->setEnabled(false);
    }
}

void TFrmMailSettings::SelectMailType()
{
    // Every session of the program, the main window's included, logs off: the next logon
    // anywhere loads MAPI afresh in the kind then chosen.
    MapiSession.UnloadMapi();
    cmbBxProfiles->clear();
    const bool extended = cmbBxMAPIType->currentText() == ExtendedMapiItem;
    MapiSession.LogonInfo.UseExtendedMapi = extended;
    chkBxSharedSession->setEnabled(extended);
    edtPassword->setEnabled(extended);
    // An error here leaves "Test & Save" disabled.
    RunGuarded([this] {
        const QString separator = QStringLiteral("\r\n");
        cmbBxProfiles->addItems(SplitText(MapiSession.ProfileNames(separator), separator));
        cmbBxProfiles->addItem(QString());
        cmbBxProfiles->setCurrentIndex(
            cmbBxProfiles->findText(MapiSession.DefaultProfileName(), Qt::MatchExactly));
        btnLogon->setEnabled(true);
    });
}

void TFrmMailSettings::btnAccountsClick()
{
    ShowMailAccounts(this);
    if (cmbBxMAPIType->count() == 0)
        return;
    // The list is read again (the library reads the accounts file at every listing and
    // logon, and every session was logged off when this dialog opened). The name shown
    // stays while its profile exists; otherwise the default profile is shown.
    const QString shown = cmbBxProfiles->currentText();
    const QString separator = QStringLiteral("\r\n");
    const QStringList names = SplitText(MapiSession.ProfileNames(separator), separator);
    const QString defaultName = MapiSession.DefaultProfileName();
    cmbBxProfiles->clear();
    cmbBxProfiles->addItems(names);
    cmbBxProfiles->addItem(QString());
    const int kept = shown.isEmpty() ? -1 : cmbBxProfiles->findText(shown, Qt::MatchFixedString);
    cmbBxProfiles->setCurrentIndex(
        kept >= 0 ? kept : cmbBxProfiles->findText(defaultName, Qt::MatchExactly));
    btnLogon->setEnabled(true);
}

void TFrmMailSettings::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_settingsRead)
        return;
    m_settingsRead = true;
    RunGuarded([this] { ReadMailSettings(); });
}

void TFrmMailSettings::ReadMailSettings()
{
    const MailSettingsStore::Values stored = MailSettingsStore::Read();
    TRwMapiLogonInfo &info = MapiSession.LogonInfo;
    stored.ApplyTo(info);
    if (stored.UseExtendedMapi) {
        // Only the shown type changes: the profile list stays as the type step filled it.
        cmbBxMAPIType->setCurrentIndex(
            cmbBxMAPIType->findText(info.UseExtendedMapi ? ExtendedMapiItem : SimpleMapiItem));
    }
    if (stored.ProfileName)
        cmbBxProfiles->setEditText(info.ProfileName);
    if (stored.Password)
        setPasswordText(info.Password);
    if (stored.NewSession)
        chkBxSharedSession->setChecked(!info.NewSession);
}

void TFrmMailSettings::setPasswordText(const QString &text)
{
    edtPassword->setMaxLength(std::max(PasswordMaxLength, int(text.size())));
    edtPassword->setText(text);
}

void TFrmMailSettings::btnLogonClick()
{
    {
        WaitCursor hourglass;
        TRwMapiLogonInfo &info = MapiSession.LogonInfo;
        info.UseExtendedMapi = cmbBxMAPIType->currentText() == ExtendedMapiItem;
        info.ProfileName = cmbBxProfiles->currentText();
        info.Password = edtPassword->text();
        info.ProfileRequired = true;
        info.NewSession = !chkBxSharedSession->isChecked();
        info.setShowPasswordDialog(false);
        info.setShowLogonDialog(true);
        // A test logs on with the values shown now: a session still logged on from an
        // earlier test would otherwise pass values that were never tried.
        if (MapiSession.Active())
            MapiSession.setActive(false);
        MapiSession.setActive(true);
    }
    if (!MapiSession.Active())
        return;
    ShowMessage(LoginSuccessful);
    if (AskYesNoCancel(SaveSettingsQuestion) != MessageService::Answer::Yes)
        return;
    WriteMailSettings();
    accept();
}

void TFrmMailSettings::WriteMailSettings()
{
    MailSettingsStore::Write(MapiSession.LogonInfo);
}

void ShowMailSettings(QWidget *owner, bool simpleMapiAllowed)
{
    TFrmMailSettings form(owner);
    form.InitMailTypes(simpleMapiAllowed);
    form.exec();
}
