#include "app/IniFile.h"

#include "util/Errors.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace {

bool IsBlankChar(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankChar(text[begin]))
        ++begin;
    while (end > begin && IsBlankChar(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// One line of the file with its end-of-line bytes removed.
struct Line
{
    QByteArray bytes;
    QString text() const { return QString::fromUtf8(bytes); }
};

// The section a line opens ("[name]"), if it is a section line.
std::optional<QString> SectionName(const QString &line)
{
    const QString trimmed = TrimBlanks(line);
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return TrimBlanks(trimmed.mid(1, close - 1));
}

// The key a line sets ("name=value"), if it is a key line.
std::optional<QString> KeyName(const QString &line)
{
    const QString trimmed = TrimBlanks(line);
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
        return std::nullopt;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    return TrimBlanks(line.left(equals));
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Parsed
{
    QList<Line> lines;
    QByteArray eol = "\n";
};

Parsed Split(const QByteArray &content)
{
    Parsed parsed;
    if (content.isEmpty())
        return parsed;
    const qsizetype firstLf = content.indexOf('\n');
    if (firstLf > 0 && content[firstLf - 1] == '\r')
        parsed.eol = "\r\n";
    QByteArrayList pieces = content.split('\n');
    if (content.endsWith('\n'))
        pieces.removeLast();
    for (QByteArray &piece : pieces) {
        if (piece.endsWith('\r'))
            piece.chop(1);
        parsed.lines.append(Line { piece });
    }
    return parsed;
}

// Index of the section's opening line and one past its last line, or -1.
std::pair<qsizetype, qsizetype> FindSection(const QList<Line> &lines, const QString &section)
{
    qsizetype begin = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text());
        if (!name)
            continue;
        if (begin >= 0)
            return { begin, i };
        if (SameName(*name, section))
            begin = i;
    }
    return { begin, lines.size() };
}

std::optional<qsizetype> FindKey(
    const QList<Line> &lines, qsizetype begin, qsizetype end, const QString &key)
{
    for (qsizetype i = begin + 1; i < end; ++i) {
        const auto name = KeyName(lines[i].text());
        if (name && SameName(*name, key))
            return i;
    }
    return std::nullopt;
}

[[noreturn]] void FailWrite(const QString &path)
{
    throw Exception(QStringLiteral("Unable to write to ") + QFileInfo(path).absoluteFilePath());
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{ }

QString IniFile::quoteValue(const QString &value)
{
    const bool losesBlanks
        = !value.isEmpty() && (IsBlankChar(value.front()) || IsBlankChar(value.back()));
    const bool quoted = value.size() >= 2 && value.startsWith(QLatin1Char('"'))
        && value.endsWith(QLatin1Char('"'));
    if (losesBlanks || quoted)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

QString IniFile::unquoteValue(const QString &stored)
{
    const QString trimmed = TrimBlanks(stored);
    if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('"'))
        && trimmed.endsWith(QLatin1Char('"')))
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

std::optional<QString> IniFile::read(const QString &section, const QString &key) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const Parsed parsed = Split(file.readAll());
    const auto [begin, end] = FindSection(parsed.lines, section);
    if (begin < 0)
        return std::nullopt;
    const auto index = FindKey(parsed.lines, begin, end, key);
    if (!index)
        return std::nullopt;
    const QString line = parsed.lines[*index].text();
    return unquoteValue(line.mid(line.indexOf(QLatin1Char('=')) + 1));
}

void IniFile::write(const QString &section, const QString &key, const QString &value) const
{
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        throw Exception(
            QStringLiteral("The setting ") + key + QStringLiteral(" cannot hold a line break"));

    // Workstations sharing the file take turns at the read-modify-write; a folder where no
    // lock can be made is written without one.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(3000);
    if (!locked && lock.error() == QLockFile::LockFailedError)
        FailWrite(m_path);

    QFile existing(m_path);
    const QFileInfo info(m_path);
    Parsed parsed;
    if (info.exists()) {
        if (!info.isWritable() || !existing.open(QIODevice::ReadOnly))
            FailWrite(m_path);
        parsed = Split(existing.readAll());
        existing.close();
    }

    const auto [begin, end] = FindSection(parsed.lines, section);
    if (begin < 0) {
        if (!parsed.lines.isEmpty() && !parsed.lines.last().bytes.trimmed().isEmpty())
            parsed.lines.append(Line {});
        parsed.lines.append(Line { QByteArray("[") + section.toUtf8() + ']' });
        parsed.lines.append(Line { key.toUtf8() + '=' + quoteValue(value).toUtf8() });
    } else if (const auto index = FindKey(parsed.lines, begin, end, key)) {
        // Keep the key's spelling as the file has it.
        Line &line = parsed.lines[*index];
        const qsizetype equals = line.bytes.indexOf('=');
        line.bytes = line.bytes.left(equals + 1) + quoteValue(value).toUtf8();
    } else {
        qsizetype at = end;
        while (at > begin + 1 && parsed.lines[at - 1].bytes.trimmed().isEmpty())
            --at;
        parsed.lines.insert(at, Line { key.toUtf8() + '=' + quoteValue(value).toUtf8() });
    }

    QByteArray content;
    for (const Line &line : std::as_const(parsed.lines))
        content += line.bytes + parsed.eol;

    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        FailWrite(m_path);
}
