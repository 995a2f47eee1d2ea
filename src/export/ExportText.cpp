#include "export/ExportText.h"

#include <array>

namespace ExportText {

bool IsSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

namespace {

qsizetype LastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsSeparator(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString FileNamePart(const QString &path)
{
    return path.mid(LastSeparator(path) + 1);
}

QString FolderPart(const QString &path)
{
    return path.left(LastSeparator(path) + 1);
}

QString ChangeExtension(const QString &path, const QString &extension)
{
    const qsizetype nameStart = LastSeparator(path) + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= nameStart)
        return path.left(dot) + extension;
    return path + extension;
}

QString JoinFolder(const QString &folder, const QString &name)
{
    const QString joined = folder + u'/' + name;
    QString out;
    out.reserve(joined.size());
    qsizetype i = 0;
    if (joined.size() >= 2 && IsSeparator(joined.at(0)) && IsSeparator(joined.at(1))) {
        out.append(joined.left(2));
        i = 2;
    }
    for (; i < joined.size(); ++i) {
        const QChar c = joined.at(i);
        if (IsSeparator(c) && !out.isEmpty() && IsSeparator(out.back()))
            continue;
        out.append(c);
    }
    return out;
}

namespace {

QString Quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (const QChar c : text) {
        if (c == u'"')
            out.append(u'"');
        out.append(c);
    }
    out.append(u'"');
    return out;
}

} // namespace

QString RowItem(const QString &value, bool quote)
{
    QString item = quote ? Quoted(value) : value;
    if (item.contains(u'\r'))
        item.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    if (item.contains(u'\t'))
        item.replace(QStringLiteral("\t"), QStringLiteral("     "));
    return item;
}

QString HeadingItem(const QString &label, bool quote)
{
    return quote ? Quoted(label) : label;
}

namespace {

// Code points of bytes 0x80 to 0x9F in code page 1252; the five bytes it leaves undefined
// stand for the control characters of the same number, as Windows maps them.
constexpr std::array<char16_t, 32> HighBlock
    = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
          0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

char Cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return static_cast<char>(c);
    for (size_t i = 0; i < HighBlock.size(); ++i) {
        if (HighBlock[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

void AppendCp1252(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *dest = out.data() + start;
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80) {
            dest[written++] = static_cast<char>(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            dest[written++] = '?'; // one character outside the code page, in two halves
            ++i;
        } else {
            dest[written++] = Cp1252Byte(c);
        }
    }
    out.resize(start + written);
}

} // namespace ExportText
