#include "platform/registry/Registry.h"

#include "util/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <functional>

namespace {

const QString kFolder = QStringLiteral("velloran");
const QString ClassesKey = QStringLiteral("SOFTWARE\\Classes");

// Folder of the mail library: lib/ beside the program's bin/ folder.
QString mailLibraryFolder()
{
    const QString base = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QDir::currentPath();
    return QDir::cleanPath(base + QStringLiteral("/../lib"));
}

RegistryHive::Value text(const QString &value)
{
    return RegistryHive::Value { RegistryHive::Value::Type::String, value, 0 };
}

} // namespace

RegistryHive RegistryKey::machineDefaults()
{
    RegistryHive hive;
    const QString messaging = QStringLiteral("SOFTWARE\\Microsoft\\Windows Messaging Subsystem");
    hive.setValue(messaging, QStringLiteral("MAPI"), text(QStringLiteral("1")));
    hive.setValue(messaging, QStringLiteral("MAPIX"), text(QStringLiteral("1")));
    hive.setValue(messaging, QStringLiteral("MAPIXVER"), text(QStringLiteral("1.0.0.1")));
    const QString clients = QStringLiteral("SOFTWARE\\Clients\\Mail");
    const QString client = QStringLiteral("Microsoft Outlook");
    hive.setValue(clients, QString(), text(client));
    hive.setValue(clients + QLatin1Char('\\') + client, QStringLiteral("DLLPathEx"),
        text(QDir::toNativeSeparators(mailLibraryFolder() + QStringLiteral("/mapi32.dll"))));
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        hive.setValue(ClassesKey + QStringLiteral("\\htmlfile\\shell\\open\\command"), QString(),
            text(QLatin1Char('"') + opener + QStringLiteral("\" \"%1\"")));
    }
    return hive;
}

QString RegistryKey::currentUserFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + kFolder + QStringLiteral("/registry.json");
}

QString RegistryKey::machineOverrideFile()
{
    return QStandardPaths::locate(
        QStandardPaths::GenericConfigLocation, kFolder + QStringLiteral("/machine-registry.json"));
}

RegistryHive RegistryKey::load(RegistryRoot root, bool forWriting)
{
    RegistryHive hive = root == RegistryRoot::LocalMachine ? machineDefaults() : RegistryHive();
    const QString path
        = root == RegistryRoot::LocalMachine ? machineOverrideFile() : currentUserFile();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return hive;
    QFile file(path);
    const bool read = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = read ? file.readAll() : QByteArray();
    if (read && (bytes.trimmed().isEmpty() || hive.mergeJson(bytes)))
        return hive;
    // A damaged hive reads as empty but is never overwritten.
    if (forWriting)
        throw Exception(QStringLiteral("The registry file %1 cannot be read.").arg(path));
    return root == RegistryRoot::LocalMachine ? machineDefaults() : RegistryHive();
}

RegistryKey::RegistryKey(RegistryRoot root, QString path, RegistryHive snapshot)
    : m_root(root)
    , m_path(std::move(path))
    , m_snapshot(std::move(snapshot))
{ }

std::optional<RegistryKey> RegistryKey::open(RegistryRoot root, const QString &path, bool create)
{
    if (root == RegistryRoot::ClassesRoot)
        return open(RegistryRoot::LocalMachine, ClassesKey + QLatin1Char('\\') + path, create);
    const QString normal = RegistryHive::normalPath(path);
    RegistryHive hive = load(root, false);
    if (hive.hasKey(normal))
        return RegistryKey(root, normal, std::move(hive));
    if (!create)
        return std::nullopt;
    RegistryKey key(root, normal, std::move(hive));
    key.modify([&](RegistryHive &h) { h.createKey(normal); });
    return key;
}

void RegistryKey::modify(const std::function<void(RegistryHive &)> &change)
{
    if (m_root == RegistryRoot::LocalMachine)
        throw Exception(QStringLiteral("The machine registry cannot be changed."));
    RegistryHive hive = load(m_root, true);
    change(hive);
    const QString path = currentUserFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(hive.toJson()) < 0 || !file.commit())
        throw Exception(QStringLiteral("The registry file %1 cannot be written.").arg(path));
    m_snapshot = std::move(hive);
}

std::optional<QString> RegistryKey::readString(const QString &name) const
{
    const auto value = m_snapshot.value(m_path, name);
    if (!value)
        return std::nullopt;
    if (value->type == RegistryHive::Value::Type::DWord)
        return QString::number(value->number);
    return value->text;
}

std::optional<quint32> RegistryKey::readDWord(const QString &name) const
{
    const auto value = m_snapshot.value(m_path, name);
    if (!value || value->type != RegistryHive::Value::Type::DWord)
        return std::nullopt;
    return value->number;
}

bool RegistryKey::hasValue(const QString &name) const
{
    return m_snapshot.value(m_path, name).has_value();
}

QStringList RegistryKey::valueNames() const
{
    return m_snapshot.valueNames(m_path);
}

QStringList RegistryKey::subKeyNames() const
{
    return m_snapshot.subKeyNames(m_path);
}

bool RegistryKey::hasSubKey(const QString &name) const
{
    return m_snapshot.hasKey(m_path + QLatin1Char('\\') + name);
}

void RegistryKey::writeString(const QString &name, const QString &value)
{
    modify([&](RegistryHive &h) { h.setValue(m_path, name, text(value)); });
}

void RegistryKey::writeStrings(const QList<std::pair<QString, QString>> &namesAndTexts)
{
    modify([&](RegistryHive &h) {
        for (const auto &[name, value] : namesAndTexts)
            h.setValue(m_path, name, text(value));
    });
}

void RegistryKey::writeDWord(const QString &name, quint32 number)
{
    modify([&](RegistryHive &h) {
        h.setValue(
            m_path, name, RegistryHive::Value { RegistryHive::Value::Type::DWord, {}, number });
    });
}

void RegistryKey::deleteValue(const QString &name)
{
    modify([&](RegistryHive &h) { h.deleteValue(m_path, name); });
}

QString HtmlOpenCommand()
{
    const auto key = RegistryKey::open(
        RegistryRoot::ClassesRoot, QStringLiteral("\\htmlfile\\shell\\open\\command"));
    return key ? key->readString(QString()).value_or(QString()) : QString();
}
