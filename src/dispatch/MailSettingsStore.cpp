#include "dispatch/MailSettingsStore.h"

#include "mail/RwMapiLogonInfo.h"
#include "platform/registry/Registry.h"
#include "util/UtilMisc.h"

namespace MailSettingsStore {

namespace {

RegistryKey OpenKey()
{
    // With create set the key is always there: open answers nothing only without it.
    return *RegistryKey::open(RegistryRoot::CurrentUser, KeyPath(), true);
}

} // namespace

QString KeyPath()
{
    return QStringLiteral("Software\\Torvane\\") + ExeBaseName();
}

QString BoolText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

bool ReadBool(const QString &text)
{
    // Case matters: "true" or "TRUE" read as off.
    return text == QStringLiteral("True");
}

Values Read()
{
    const RegistryKey key = OpenKey();
    Values values;
    if (const auto text = key.readString(UseExtendedMapiValue))
        values.UseExtendedMapi = ReadBool(*text);
    values.ProfileName = key.readString(ProfileNameValue);
    values.Password = key.readString(PasswordValue);
    if (const auto text = key.readString(NewSessionValue))
        values.NewSession = ReadBool(*text);
    return values;
}

void Values::ApplyTo(TRwMapiLogonInfo &info) const
{
    if (UseExtendedMapi)
        info.UseExtendedMapi = *UseExtendedMapi;
    if (ProfileName)
        info.ProfileName = *ProfileName;
    if (Password)
        info.Password = *Password;
    if (NewSession)
        info.NewSession = *NewSession;
}

void Write(const TRwMapiLogonInfo &info)
{
    RegistryKey key = OpenKey();
    key.writeStrings({
        { UseExtendedMapiValue, BoolText(info.UseExtendedMapi) },
        { ProfileNameValue, info.ProfileName.trimmed() },
        { PasswordValue, info.Password.trimmed() },
        { NewSessionValue, BoolText(info.NewSession) },
    });
}

void ApplyTo(TRwMapiLogonInfo &info)
{
    Read().ApplyTo(info);
}

} // namespace MailSettingsStore
