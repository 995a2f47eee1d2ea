#pragma once

#include "platform/registry/RegistryHive.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// The registry stand-in. Two hives:
// - CurrentUser: a file under the user's configuration folder
//   ($XDG_CONFIG_HOME/velloran/registry.json), read at each open and rewritten whole at
//   each change;
// - LocalMachine: built-in values describing the installed mail library and the desktop's
//   HTML handler, overlaid by velloran/machine-registry.json when found in the configuration
//   folders; read only.
// ClassesRoot is the LocalMachine key SOFTWARE\Classes, as the platform merges it.
// Key paths use backslashes; key and value names ignore letter case. The empty value
// name is a key's default value.
enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };

class RegistryKey
{
public:
    // The key, or nothing when it is missing and create is off. Creating every missing
    // level is done (and saved) at once. Creating in LocalMachine raises an error.
    static std::optional<RegistryKey> open(
        RegistryRoot root, const QString &path, bool create = false);

    const QString &path() const { return m_path; }

    std::optional<QString> readString(const QString &name) const;
    std::optional<quint32> readDWord(const QString &name) const;
    bool hasValue(const QString &name) const;
    QStringList valueNames() const;
    QStringList subKeyNames() const;
    bool hasSubKey(const QString &name) const;

    // Each write is saved to the hive file before it returns; failure raises an Exception.
    void writeString(const QString &name, const QString &text);
    // Several texts saved in one change of the hive file: all of them or none.
    void writeStrings(const QList<std::pair<QString, QString>> &namesAndTexts);
    void writeDWord(const QString &name, quint32 number);
    void deleteValue(const QString &name);

    // Files behind the hives (for documentation and tests).
    static QString currentUserFile();
    static QString machineOverrideFile(); // empty when none is present
    // The built-in LocalMachine values.
    static RegistryHive machineDefaults();

private:
    RegistryKey(RegistryRoot root, QString path, RegistryHive snapshot);
    static RegistryHive load(RegistryRoot root, bool forWriting);
    void modify(const std::function<void(RegistryHive &)> &change);

    RegistryRoot m_root;
    QString m_path;
    RegistryHive m_snapshot;
};

// The default value of the HTML handler's open command, "\htmlfile\shell\open\command" under
// ClassesRoot; empty when missing. On this host it names the desktop's opener.
QString HtmlOpenCommand();
