#include "mail/accounts/FrmMailAccount.h"

#include "mail/accounts/MailAccountOAuth.h"
#include "mail/accounts/SecurityChoice.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int PortWidth = 70;

template <typename Widget> Widget *Named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit *MakeEdit(QWidget *parent, const char *name)
{
    return Named(new QLineEdit(parent), name);
}

// A row with a label of its own name, the label's mnemonic moving to the field.
QLabel *AddRow(QFormLayout *form, const char *labelName, const QString &text, QWidget *field)
{
    auto *label = Named(new QLabel(text, form->parentWidget()), labelName);
    label->setBuddy(field);
    form->addRow(label, field);
    return label;
}

QLabel *AddRow(
    QFormLayout *form, const char *labelName, const QString &text, QLayout *fields, QWidget *buddy)
{
    auto *label = Named(new QLabel(text, form->parentWidget()), labelName);
    label->setBuddy(buddy);
    form->addRow(label, fields);
    return label;
}

// Port and security on one row: the port is short, the security list takes the rest.
QHBoxLayout *PortRow(QLineEdit *port, QLabel *securityLabel, QComboBox *security)
{
    auto *row = new QHBoxLayout;
    port->setMaxLength(5);
    port->setFixedWidth(
        std::min(PortWidth, port->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16));
    row->addWidget(port);
    row->addSpacing(12);
    row->addWidget(securityLabel);
    row->addWidget(security, 1);
    return row;
}

QFormLayout *MakeForm(QWidget *parent)
{
    auto *form = new QFormLayout(parent);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return form;
}

} // namespace

TFrmMailAccount::TFrmMailAccount(const Profile &profile, const QStringList &otherNames,
    const QString &previousName, QWidget *owner)
    : QDialog(owner)
    , m_original(profile)
    , m_otherNames(otherNames)
    , m_previousName(previousName)
{
    setObjectName(QStringLiteral("FrmMailAccount"));
    setWindowTitle(QStringLiteral("Mail Account"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    setProfile(profile);
}

TFrmMailAccount::~TFrmMailAccount()
{
    cancelTest();
}

Profile TFrmMailAccount::NewAccount()
{
    const AccountPresetValues &other = PresetValues(AccountPreset::Other);
    Profile profile;
    profile.transport.kind = TransportSettings::Kind::Smtp;
    profile.transport.secretPlace = SecretPlace::Keyring;
    SetSmtpAddress(profile.transport, other.smtp);
    profile.sentCopy.kind = other.sentCopy;
    profile.sentCopy.secretPlace = SecretPlace::Keyring;
    SetImapAddress(profile.sentCopy, other.imap);
    return profile;
}

void TFrmMailAccount::buildControls()
{
    auto *presetRow = new QHBoxLayout;
    cmbPreset = Named(new QComboBox(this), "cmbPreset");
    for (const AccountPresetValues &values : AccountPresets())
        cmbPreset->addItem(values.title, int(values.preset));
    auto *lblPreset = Named(new QLabel(QStringLiteral("&Provider:"), this), "lblPreset");
    lblPreset->setBuddy(cmbPreset);
    presetRow->addWidget(lblPreset);
    presetRow->addWidget(cmbPreset, 1);
    lblPresetNote = Named(new QLabel(this), "lblPresetNote");
    lblPresetNote->setWordWrap(true);
    connect(cmbPreset, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto preset = AccountPreset(cmbPreset->itemData(index).toInt());
        lblPresetNote->setText(PresetValues(preset).note);
        if (!m_loading)
            applyPreset(preset);
    });

    buildAccountGroup();
    buildOutgoingGroup();
    buildSentCopyGroup();

    btnTest = Named(new QPushButton(QStringLiteral("&Test"), this), "btnTest");
    btnTest->setToolTip(QStringLiteral("Connect to the servers and sign in, without sending"));
    txtTestResult = Named(new QPlainTextEdit(this), "txtTestResult");
    txtTestResult->setReadOnly(true);
    txtTestResult->setPlaceholderText(
        QStringLiteral("Test connects to the servers and signs in; it sends nothing."));
    txtTestResult->setTabChangesFocus(true);
    txtTestResult->setMinimumHeight(90);
    connect(btnTest, &QPushButton::clicked, this, [this] { startTest(false); });

    btnsDialog = Named(
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "btnsDialog");
    btnOk = Named(btnsDialog->button(QDialogButtonBox::Ok), "btnOk");
    btnCancel = Named(btnsDialog->button(QDialogButtonBox::Cancel), "btnCancel");
    btnOk->setDefault(true);
    connect(btnsDialog, &QDialogButtonBox::accepted, this, &TFrmMailAccount::accept);
    connect(btnsDialog, &QDialogButtonBox::rejected, this, &TFrmMailAccount::reject);

    auto *left = new QVBoxLayout;
    left->addWidget(grpAccount);
    left->addWidget(grpOutgoing);
    left->addStretch(1);

    auto *testRow = new QHBoxLayout;
    testRow->addWidget(btnTest);
    testRow->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(grpSentCopy);
    right->addLayout(testRow);
    right->addWidget(txtTestResult, 1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addSpacing(6);
    columns->addLayout(right, 1);

    auto *main = new QVBoxLayout(this);
    main->addLayout(presetRow);
    main->addWidget(lblPresetNote);
    main->addSpacing(4);
    main->addLayout(columns, 1);
    main->addWidget(btnsDialog);
    setMinimumWidth(760);

    setTabOrders();
    updateEnabled();
}

void TFrmMailAccount::buildAccountGroup()
{
    grpAccount = Named(new QGroupBox(QStringLiteral("Account"), this), "grpAccount");
    frmAccount = MakeForm(grpAccount);
    edtName = MakeEdit(grpAccount, "edtName");
    edtSenderName = MakeEdit(grpAccount, "edtSenderName");
    edtSenderAddress = MakeEdit(grpAccount, "edtSenderAddress");
    edtSenderAddress->setPlaceholderText(QStringLiteral("name@example.com"));
    edtStoreFolder = MakeEdit(grpAccount, "edtStoreFolder");
    btnStoreFolder
        = Named(new QPushButton(QStringLiteral("B&rowse..."), grpAccount), "btnStoreFolder");
    auto *storeRow = new QHBoxLayout;
    storeRow->addWidget(edtStoreFolder, 1);
    storeRow->addWidget(btnStoreFolder);

    AddRow(frmAccount, "lblName", QStringLiteral("Account &name:"), edtName);
    AddRow(frmAccount, "lblSenderName", QStringLiteral("&Your name:"), edtSenderName);
    AddRow(frmAccount, "lblSenderAddress", QStringLiteral("&E-mail address:"), edtSenderAddress);
    AddRow(frmAccount, "lblStoreFolder", QStringLiteral("Messages &kept in:"), storeRow,
        edtStoreFolder);
    edtStoreFolder->setToolTip(
        QStringLiteral("The folder on this computer where the account's outgoing and sent "
                       "messages are kept. Leave it empty for the usual place."));

    connect(edtName, &QLineEdit::textChanged, this, [this] { updateStorePlaceholder(); });
    connect(btnStoreFolder, &QPushButton::clicked, this, [this] { chooseStoreFolder(); });
    // Most providers sign in with the mailbox's address: the user name follows the address
    // typed until it is changed on its own.
    connect(edtSenderAddress, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (edtSmtpUser->text().trimmed() == m_addressShown)
            edtSmtpUser->setText(text.trimmed());
        m_addressShown = text.trimmed();
    });
}

void TFrmMailAccount::buildOutgoingGroup()
{
    grpOutgoing
        = Named(new QGroupBox(QStringLiteral("Outgoing mail server (SMTP)"), this), "grpOutgoing");
    frmOutgoing = MakeForm(grpOutgoing);
    lblTransportKind = Named(new QLabel(grpOutgoing), "lblTransportKind");
    lblTransportKind->setWordWrap(true);
    lblTransportKind->hide();
    edtSmtpHost = MakeEdit(grpOutgoing, "edtSmtpHost");
    edtSmtpHost->setPlaceholderText(QStringLiteral("smtp.example.com"));
    edtSmtpPort = MakeEdit(grpOutgoing, "edtSmtpPort");
    cmbSmtpSecurity = Named(new QComboBox(grpOutgoing), "cmbSmtpSecurity");
    auto *lblSmtpSecurity
        = Named(new QLabel(QStringLiteral("Secur&ity:"), grpOutgoing), "lblSmtpSecurity");
    lblSmtpSecurity->setBuddy(cmbSmtpSecurity);
    edtSmtpUser = MakeEdit(grpOutgoing, "edtSmtpUser");
    edtSmtpPassword = MakeEdit(grpOutgoing, "edtSmtpPassword");
    edtSmtpPassword->setEchoMode(QLineEdit::Password);
    edtMessagesPerMinute = MakeEdit(grpOutgoing, "edtMessagesPerMinute");
    edtMessagesPerMinute->setPlaceholderText(QStringLiteral("No limit"));
    edtMessagesPerMinute->setMaximumWidth(PortWidth + 30);
    edtMessagesPerMinute->setToolTip(
        QStringLiteral("Sending waits so that no more messages a minute leave than the "
                       "server takes. Empty: no limit."));

    frmOutgoing->addRow(lblTransportKind);
    AddRow(frmOutgoing, "lblSmtpHost", QStringLiteral("&Server:"), edtSmtpHost);
    AddRow(frmOutgoing, "lblSmtpPort", QStringLiteral("P&ort:"),
        PortRow(edtSmtpPort, lblSmtpSecurity, cmbSmtpSecurity), edtSmtpPort);
    AddRow(frmOutgoing, "lblSmtpUser", QStringLiteral("&User name:"), edtSmtpUser);
    AddRow(frmOutgoing, "lblSmtpPassword", QStringLiteral("Pass&word:"), edtSmtpPassword);
    oauth = new TMailAccountOAuth(
        grpOutgoing, frmOutgoing, edtSmtpPassword, [this] { return profile(); });
    AddRow(frmOutgoing, "lblMessagesPerMinute", QStringLiteral("&Messages a minute:"),
        edtMessagesPerMinute);

    connect(cmbSmtpSecurity, &QComboBox::currentIndexChanged, this,
        [this] { securityChanged(cmbSmtpSecurity, edtSmtpPort, false); });
    connect(edtSmtpHost, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
}

void TFrmMailAccount::buildSentCopyGroup()
{
    grpSentCopy
        = Named(new QGroupBox(QStringLiteral("Copy of sent messages"), this), "grpSentCopy");
    auto *layout = new QVBoxLayout(grpSentCopy);
    rbSentServer = Named(
        new QRadioButton(QStringLiteral("The ser&ver keeps it"), grpSentCopy), "rbSentServer");
    rbSentServer->setToolTip(
        QStringLiteral("The outgoing server files each message in your Sent folder itself "
                       "(Microsoft 365, Google and others do)."));
    rbSentUpload = Named(
        new QRadioButton(QStringLiteral("Upload to my Sent fol&der"), grpSentCopy), "rbSentUpload");
    rbSentLocal
        = Named(new QRadioButton(QStringLiteral("Keep it on t&his computer only"), grpSentCopy),
            "rbSentLocal");
    auto *choice = new QButtonGroup(grpSentCopy);
    choice->addButton(rbSentServer);
    choice->addButton(rbSentUpload);
    choice->addButton(rbSentLocal);
    layout->addWidget(rbSentServer);
    layout->addWidget(rbSentUpload);

    auto *imap = new QWidget(grpSentCopy);
    imap->setObjectName(QStringLiteral("panImap"));
    frmImap = MakeForm(imap);
    frmImap->setContentsMargins(22, 0, 0, 0);
    edtImapHost = MakeEdit(imap, "edtImapHost");
    edtImapHost->setPlaceholderText(QStringLiteral("imap.example.com"));
    edtImapPort = MakeEdit(imap, "edtImapPort");
    cmbImapSecurity = Named(new QComboBox(imap), "cmbImapSecurity");
    auto *lblImapSecurity = Named(new QLabel(QStringLiteral("Security:"), imap), "lblImapSecurity");
    lblImapSecurity->setBuddy(cmbImapSecurity);
    chkImapSameLogin
        = Named(new QCheckBox(QStringLiteral("Same &login as the outgoing server"), imap),
            "chkImapSameLogin");
    edtImapUser = MakeEdit(imap, "edtImapUser");
    edtImapPassword = MakeEdit(imap, "edtImapPassword");
    edtImapPassword->setEchoMode(QLineEdit::Password);
    cmbSentFolder = Named(new QComboBox(imap), "cmbSentFolder");
    btnFolders = Named(new QPushButton(QStringLiteral("&Get folders"), imap), "btnFolders");
    btnFolders->setToolTip(QStringLiteral("Log in to the IMAP server and list its folders"));
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(cmbSentFolder, 1);
    folderRow->addWidget(btnFolders);

    AddRow(frmImap, "lblImapHost", QStringLiteral("IM&AP server:"), edtImapHost);
    AddRow(frmImap, "lblImapPort", QStringLiteral("Port:"),
        PortRow(edtImapPort, lblImapSecurity, cmbImapSecurity), edtImapPort);
    frmImap->addRow(chkImapSameLogin);
    AddRow(frmImap, "lblImapUser", QStringLiteral("User name:"), edtImapUser);
    AddRow(frmImap, "lblImapPassword", QStringLiteral("Password:"), edtImapPassword);
    AddRow(frmImap, "lblSentFolder", QStringLiteral("Sent &folder:"), folderRow, cmbSentFolder);
    layout->addWidget(imap);
    layout->addWidget(rbSentLocal);
    setSentFolders({}, {});

    for (QRadioButton *button : { rbSentServer, rbSentUpload, rbSentLocal }) {
        connect(button, &QRadioButton::toggled, this, [this] { updateEnabled(); });
        button->installEventFilter(this);
    }
    connect(chkImapSameLogin, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(cmbImapSecurity, &QComboBox::currentIndexChanged, this,
        [this] { securityChanged(cmbImapSecurity, edtImapPort, true); });
    connect(btnFolders, &QPushButton::clicked, this, [this] { startTest(true); });
}

bool TFrmMailAccount::eventFilter(QObject *watched, QEvent *event)
{
    // The three choices are one tab stop, entered at the chosen one as in every dialog.
    auto *button = qobject_cast<QRadioButton *>(watched);
    if (button && button->parent() == grpSentCopy && event->type() == QEvent::FocusIn
        && !button->isChecked()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            for (QRadioButton *chosen : { rbSentServer, rbSentUpload, rbSentLocal }) {
                if (chosen->isChecked()) {
                    chosen->setFocus(reason);
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmMailAccount::setTabOrders()
{
    const QList<QWidget *> order { cmbPreset, edtName, edtSenderName, edtSenderAddress,
        edtStoreFolder, btnStoreFolder, edtSmtpHost, edtSmtpPort, cmbSmtpSecurity, edtSmtpUser,
        oauth->cmbAuth, edtSmtpPassword, oauth->cmbOAuthProvider, oauth->edtClientId,
        oauth->edtClientSecret, oauth->edtTenant, oauth->edtAuthorizationEndpoint,
        oauth->edtTokenEndpoint, oauth->edtDeviceEndpoint, oauth->edtScopes, oauth->btnSignIn,
        oauth->btnSignInCode, edtMessagesPerMinute, rbSentServer, rbSentUpload, edtImapHost,
        edtImapPort, cmbImapSecurity, chkImapSameLogin, edtImapUser, edtImapPassword, cmbSentFolder,
        btnFolders, rbSentLocal, btnTest, txtTestResult, btnOk, btnCancel };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFrmMailAccount::updateEnabled()
{
    const bool upload = rbSentUpload->isChecked();
    for (QWidget *widget :
        { static_cast<QWidget *>(edtImapHost), static_cast<QWidget *>(edtImapPort),
            static_cast<QWidget *>(cmbImapSecurity), static_cast<QWidget *>(chkImapSameLogin),
            static_cast<QWidget *>(cmbSentFolder), static_cast<QWidget *>(btnFolders) })
        widget->setEnabled(upload);
    const bool ownLogin = upload && !chkImapSameLogin->isChecked();
    edtImapUser->setEnabled(ownLogin);
    edtImapPassword->setEnabled(ownLogin);
    btnFolders->setEnabled(upload && !testing());
    btnTest->setEnabled(!testing());
    lblTransportKind->setVisible(m_original.transport.kind != TransportSettings::Kind::Smtp
        && edtSmtpHost->text().trimmed().isEmpty());
}

void TFrmMailAccount::updateStorePlaceholder()
{
    edtStoreFolder->setPlaceholderText(DefaultStoreFolder(
        edtName->text().trimmed().isEmpty() ? QStringLiteral("<name>") : edtName->text()));
}

void TFrmMailAccount::securityChanged(QComboBox *security, QLineEdit *port, bool imap)
{
    const Security now = SecurityChoice(security);
    const QVariant before = security->property("previous");
    security->setProperty("previous", int(now));
    if (m_loading || !before.isValid())
        return;
    // A port left at the usual one for the old choice follows the new choice.
    const std::optional<int> typed = ParsePort(port->text());
    if (!typed || *typed == DefaultPort(imap, Security(before.toInt())))
        port->setText(QString::number(DefaultPort(imap, now)));
}

void TFrmMailAccount::chooseStoreFolder()
{
    const QString start = edtStoreFolder->text().isEmpty() ? edtStoreFolder->placeholderText()
                                                           : edtStoreFolder->text();
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Folder for the account's messages"), start);
    if (!folder.isEmpty())
        edtStoreFolder->setText(folder);
}

void TFrmMailAccount::setSentFolders(const QStringList &folders, const QString &found)
{
    const QString chosen = cmbSentFolder->currentData().toString();
    cmbSentFolder->clear();
    cmbSentFolder->addItem(found.isEmpty() ? QStringLiteral("Found automatically")
                                           : QStringLiteral("Found automatically (%1)").arg(found),
        QString());
    for (const QString &folder : folders)
        cmbSentFolder->addItem(folder, folder);
    if (!chosen.isEmpty()) {
        int index = cmbSentFolder->findData(chosen);
        if (index < 0) {
            cmbSentFolder->addItem(chosen, chosen);
            index = cmbSentFolder->count() - 1;
        }
        cmbSentFolder->setCurrentIndex(index);
    }
}
