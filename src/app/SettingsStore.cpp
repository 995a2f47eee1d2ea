#include "app/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#include <limits>

QString SettingsFilePath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return program.dir().filePath(program.completeBaseName() + QStringLiteral(".ini"));
}

QString WorkstationCodeFor(const QString &hostName)
{
    QString code = hostName.trimmed().toUpper();
    for (QChar &c : code) {
        const bool plain = (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
            || c == QLatin1Char('_') || c == QLatin1Char('.');
        if (!plain)
            c = QLatin1Char('_');
    }
    return code.isEmpty() ? QStringLiteral("WORKSTATION") : code;
}

QString WorkstationCode()
{
    return WorkstationCodeFor(QSysInfo::machineHostName());
}

int ParseIniInteger(const QString &text, int defaultValue)
{
    QString rest = text.trimmed();
    bool negative = false;
    if (rest.startsWith(QLatin1Char('-')) || rest.startsWith(QLatin1Char('+'))) {
        negative = rest.front() == QLatin1Char('-');
        rest.remove(0, 1);
    }
    int base = 10;
    if (rest.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        rest.remove(0, 2);
    }
    if (rest.isEmpty())
        return defaultValue;
    for (QChar c : std::as_const(rest)) {
        const bool digit = base == 10 ? c.isDigit() && c.unicode() < 128
                                      : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!digit)
            return defaultValue;
    }
    bool ok = false;
    const qulonglong magnitude = rest.toULongLong(&ok, base);
    const qulonglong limit = negative ? qulonglong(std::numeric_limits<int>::max()) + 1
                                      : qulonglong(std::numeric_limits<int>::max());
    if (!ok || magnitude > limit)
        return defaultValue;
    return negative ? int(-qlonglong(magnitude)) : int(magnitude);
}

QString EncodeLineBreaks(const QString &text)
{
    QString stored;
    stored.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            stored += QLatin1String("\\r");
        } else if (c == QLatin1Char('\n')) {
            stored += QLatin1String("\\n");
        } else if (c == QLatin1Char('\\')) {
            const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
            const bool ambiguous = next.isNull() || next == QLatin1Char('r')
                || next == QLatin1Char('n') || next == QLatin1Char('\\');
            stored += ambiguous ? QLatin1String("\\\\") : QLatin1String("\\");
        } else {
            stored += c;
        }
    }
    return stored;
}

QString DecodeLineBreaks(const QString &stored)
{
    QString text;
    text.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        const QChar next = i + 1 < stored.size() ? stored[i + 1] : QChar();
        if (c == QLatin1Char('\\') && next == QLatin1Char('r')) {
            text += QLatin1Char('\r');
            ++i;
        } else if (c == QLatin1Char('\\') && next == QLatin1Char('n')) {
            text += QLatin1Char('\n');
            ++i;
        } else if (c == QLatin1Char('\\') && next == QLatin1Char('\\')) {
            text += QLatin1Char('\\');
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

SettingsStore::SettingsStore(QString path, QString section)
    : m_file(std::move(path))
    , m_section(std::move(section))
{ }

QString SettingsStore::readText(const QString &key, const QString &defaultValue) const
{
    return m_file.read(m_section, key).value_or(defaultValue);
}

int SettingsStore::readInteger(const QString &key, int defaultValue) const
{
    const auto value = m_file.read(m_section, key);
    return value ? ParseIniInteger(*value, defaultValue) : defaultValue;
}

QString SettingsStore::readMultiLine(const QString &key, const QString &defaultValue) const
{
    const auto value = m_file.read(m_section, key);
    return value ? DecodeLineBreaks(*value) : defaultValue;
}

void SettingsStore::writeText(const QString &key, const QString &value) const
{
    m_file.write(m_section, key, value);
}

void SettingsStore::writeInteger(const QString &key, int value) const
{
    m_file.write(m_section, key, QString::number(value));
}

void SettingsStore::writeMultiLine(const QString &key, const QString &value) const
{
    m_file.write(m_section, key, EncodeLineBreaks(value));
}
