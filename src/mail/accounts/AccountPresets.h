#pragma once

#include "mail/accounts/AccountRules.h"

#include <QList>
#include <QString>

// The providers the account editor knows, with the servers it fills in for them.
enum class AccountPreset { Microsoft365, Google, Other };

struct AccountPresetValues
{
    AccountPreset preset = AccountPreset::Other;
    QString title; // as the preset list shows it
    ServerAddress smtp; // host empty: the user's own provider, to be typed
    ServerAddress imap;
    SentCopySettings::Kind sentCopy = SentCopySettings::Kind::Imap;
    QString note; // a line of advice under the list; may be empty
};

// In the order the list offers them.
const QList<AccountPresetValues> &AccountPresets();
const AccountPresetValues &PresetValues(AccountPreset preset);
// The preset whose outgoing server the profile uses; Other for any other server.
AccountPreset PresetOf(const Profile &profile);
