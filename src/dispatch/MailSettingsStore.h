#pragma once

#include <QString>

#include <optional>

class TRwMapiLogonInfo;

// The mail settings of the current user: four texts under
// HKEY_CURRENT_USER\Software\Torvane\<program name>. The key is created (every level) when
// missing, on reading as on writing.
namespace MailSettingsStore {

inline const QString UseExtendedMapiValue = QStringLiteral("MSOutLookUseExtendedMapi");
inline const QString ProfileNameValue = QStringLiteral("MSOutLookProfileName");
inline const QString PasswordValue = QStringLiteral("MSOutLookPassword");
inline const QString NewSessionValue = QStringLiteral("MSOutLookNewSession");

// "Software\Torvane\" followed by the program file's name without its extension.
QString KeyPath();

// The values found in the key; a missing value is left empty. A switch is on only when its
// text is exactly "True".
struct Values
{
    std::optional<bool> UseExtendedMapi;
    std::optional<QString> ProfileName;
    std::optional<QString> Password;
    std::optional<bool> NewSession;

    // Sets the logon values that were found; the others keep what they hold.
    void ApplyTo(TRwMapiLogonInfo &info) const;
};

Values Read();
// Writes all four values from the logon values, in one change of the registry.
void Write(const TRwMapiLogonInfo &info);
// The stored values applied to a session's logon values (before each of its logons).
void ApplyTo(TRwMapiLogonInfo &info);

QString BoolText(bool on);
bool ReadBool(const QString &text);

} // namespace MailSettingsStore
