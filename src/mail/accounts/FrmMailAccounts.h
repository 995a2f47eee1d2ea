#pragma once

#include "platform/mapi/Profiles.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTreeWidget;

// The user's mail accounts: a list with the default one marked, and buttons to add, edit,
// remove and make default. Every change is saved at once.
class TFrmMailAccounts : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmMailAccounts(QWidget *owner = nullptr);

    // Reads the accounts again and shows them, keeping the selection where it can.
    void reload();
    // The selected account's name; empty when none is selected.
    QString selectedName() const;
    void select(const QString &name);

    void addAccount();
    void editAccount();
    void removeAccount();
    void makeDefault();

    QTreeWidget *lstAccounts = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnEdit = nullptr;
    QPushButton *btnRemove = nullptr;
    QPushButton *btnMakeDefault = nullptr;
    QPushButton *btnClose = nullptr;

protected:
    // Enter in the list edits the account, and nothing else takes the key.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void updateButtons();
    // Opens the account dialog; answers the saved account's name, empty when cancelled.
    QString runAccountDialog(const Profile &profile, const QString &previousName);
    QStringList namesExcept(const QString &name) const;

    QList<Profile> m_profiles;
    bool m_readFailed = false;
};

// Shows the accounts dialog modally.
void ShowMailAccounts(QWidget *owner);
