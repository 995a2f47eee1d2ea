#include "mail/accounts/FrmMailAccounts.h"

#include "mail/accounts/AccountRules.h"
#include "mail/accounts/FrmMailAccount.h"
#include "platform/mapi/AccountStore.h"
#include "util/MessageService.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { NameColumn, AddressColumn, ServerColumn };

QString ServerText(const Profile &profile)
{
    switch (profile.transport.kind) {
    case TransportSettings::Kind::Smtp: {
        const ServerAddress address = SmtpAddressOf(profile.transport);
        return QStringLiteral("%1:%2").arg(address.host).arg(address.port);
    }
    case TransportSettings::Kind::Sendmail:
        return QStringLiteral("program: %1").arg(profile.transport.command);
    case TransportSettings::Kind::DropFolder:
        break;
    }
    return QStringLiteral("folder: %1").arg(QDir::toNativeSeparators(profile.transport.folder));
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

TFrmMailAccounts::TFrmMailAccounts(QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmMailAccounts"));
    setWindowTitle(QStringLiteral("Mail Accounts"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    reload();
}

void TFrmMailAccounts::buildControls()
{
    lstAccounts = new QTreeWidget(this);
    lstAccounts->setObjectName(QStringLiteral("lstAccounts"));
    lstAccounts->setHeaderLabels({ QStringLiteral("Account"), QStringLiteral("E-mail address"),
        QStringLiteral("Outgoing server") });
    lstAccounts->setRootIsDecorated(false);
    lstAccounts->setUniformRowHeights(true);
    lstAccounts->setAllColumnsShowFocus(true);
    lstAccounts->header()->setStretchLastSection(true);
    lstAccounts->header()->setSectionResizeMode(QHeaderView::Interactive);
    lstAccounts->setColumnWidth(NameColumn, 170);
    lstAccounts->setColumnWidth(AddressColumn, 210);
    auto *lblAccounts = new QLabel(QStringLiteral("&Accounts (the default one in bold):"), this);
    lblAccounts->setObjectName(QStringLiteral("lblAccounts"));
    lblAccounts->setBuddy(lstAccounts);

    btnAdd = MakeButton(this, "btnAdd", QStringLiteral("A&dd..."));
    btnEdit = MakeButton(this, "btnEdit", QStringLiteral("&Edit..."));
    btnRemove = MakeButton(this, "btnRemove", QStringLiteral("&Remove"));
    btnMakeDefault = MakeButton(this, "btnMakeDefault", QStringLiteral("Make De&fault"));
    btnClose = MakeButton(this, "btnClose", QStringLiteral("&Close"));

    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : { btnAdd, btnEdit, btnRemove, btnMakeDefault })
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);

    auto *list = new QVBoxLayout;
    list->addWidget(lblAccounts);
    list->addWidget(lstAccounts, 1);
    auto *main = new QHBoxLayout(this);
    main->addLayout(list, 1);
    main->addLayout(buttons);
    resize(680, 300);

    connect(btnAdd, &QPushButton::clicked, this, [this] { addAccount(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { editAccount(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { removeAccount(); });
    connect(btnMakeDefault, &QPushButton::clicked, this, [this] { makeDefault(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    // Enter or a double click on an account edits it.
    lstAccounts->installEventFilter(this);
    connect(lstAccounts, &QTreeWidget::itemDoubleClicked, this, [this] { editAccount(); });
    connect(lstAccounts, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
}

bool TFrmMailAccounts::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstAccounts && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            editAccount();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmMailAccounts::reload()
{
    const QString selected = selectedName();
    QString error;
    const ProfileList list = ProfileList::load(&error);
    // A file that cannot be read is left alone: nothing can be added to it until it is
    // mended, so no account typed in is lost on saving.
    m_readFailed = !error.isEmpty();
    if (m_readFailed)
        ShowError(QStringLiteral("The mail accounts could not be read from %1:\n%2")
                      .arg(QDir::toNativeSeparators(ProfileList::file()), error));
    m_profiles = list.profiles();
    const Profile *defaultProfile = list.defaultProfile();

    lstAccounts->clear();
    for (const Profile &profile : std::as_const(m_profiles)) {
        const bool isDefault = defaultProfile && defaultProfile->name == profile.name;
        auto *item = new QTreeWidgetItem(lstAccounts,
            { isDefault ? QStringLiteral("%1 (default)").arg(profile.name) : profile.name,
                profile.senderAddress, ServerText(profile) });
        item->setData(NameColumn, Qt::UserRole, profile.name);
        if (isDefault) {
            QFont bold = item->font(NameColumn);
            bold.setBold(true);
            for (int column = 0; column < lstAccounts->columnCount(); ++column)
                item->setFont(column, bold);
        }
    }
    select(selected);
    if (!lstAccounts->currentItem() && lstAccounts->topLevelItemCount() > 0)
        lstAccounts->setCurrentItem(lstAccounts->topLevelItem(0));
    updateButtons();
}

QString TFrmMailAccounts::selectedName() const
{
    const QTreeWidgetItem *item = lstAccounts->currentItem();
    return item ? item->data(NameColumn, Qt::UserRole).toString() : QString();
}

void TFrmMailAccounts::select(const QString &name)
{
    if (name.isEmpty())
        return;
    for (int i = 0; i < lstAccounts->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = lstAccounts->topLevelItem(i);
        if (item->data(NameColumn, Qt::UserRole).toString().compare(name, Qt::CaseInsensitive)
            == 0) {
            lstAccounts->setCurrentItem(item);
            return;
        }
    }
}

void TFrmMailAccounts::updateButtons()
{
    const QString name = selectedName();
    btnAdd->setEnabled(!m_readFailed);
    btnEdit->setEnabled(!name.isEmpty());
    btnRemove->setEnabled(!name.isEmpty());
    const QTreeWidgetItem *item = lstAccounts->currentItem();
    btnMakeDefault->setEnabled(item && !item->font(NameColumn).bold());
}

QStringList TFrmMailAccounts::namesExcept(const QString &name) const
{
    QStringList names;
    for (const Profile &profile : m_profiles) {
        if (profile.name.compare(name, Qt::CaseInsensitive) != 0 || name.isEmpty())
            names.append(profile.name);
    }
    return names;
}

QString TFrmMailAccounts::runAccountDialog(const Profile &profile, const QString &previousName)
{
    TFrmMailAccount dialog(profile, namesExcept(previousName), previousName, this);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.savedProfile().name;
}

void TFrmMailAccounts::addAccount()
{
    Profile profile = TFrmMailAccount::NewAccount();
    // The first account is the one the program sends with.
    profile.isDefault = m_profiles.isEmpty();
    const QString saved = runAccountDialog(profile, QString());
    reload();
    select(saved);
}

void TFrmMailAccounts::editAccount()
{
    const QString name = selectedName();
    auto found = std::find_if(m_profiles.cbegin(), m_profiles.cend(),
        [&name](const Profile &profile) { return profile.name == name; });
    if (found == m_profiles.cend())
        return;
    Profile profile = *found;
    const AccountResult secrets = AccountStore::fillSecrets(profile);
    if (!secrets.ok())
        ShowWarning(QStringLiteral("The passwords of the account \"%1\" could not be read from "
                                   "the keyring, so they are shown empty. Enter them again, or "
                                   "cancel to leave the account as it is.\n\n%2")
                        .arg(name, secrets.text));
    const QString saved = runAccountDialog(profile, name);
    reload();
    select(saved);
}

void TFrmMailAccounts::removeAccount()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    if (!AskYesNo(QStringLiteral("Remove the account \"%1\"? Its passwords are removed from the "
                                 "keyring; messages already kept on this computer stay there.")
                      .arg(name)))
        return;
    const AccountResult result = AccountStore::remove(name);
    if (!result.ok())
        ShowWarning(result.text);
    reload();
}

void TFrmMailAccounts::makeDefault()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    const AccountResult result = AccountStore::setDefault(name);
    if (!result.ok())
        ShowError(result.text);
    reload();
}

void ShowMailAccounts(QWidget *owner)
{
    TFrmMailAccounts dialog(owner);
    dialog.exec();
}
