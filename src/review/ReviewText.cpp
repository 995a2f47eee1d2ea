#include "review/ReviewText.h"

#include <algorithm>
#include <utility>

namespace {

bool Ascii(char c)
{
    return (static_cast<unsigned char>(c) & 0x80) == 0;
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

ReviewText::ReviewText(const QString &text)
    : m_text(new QString(text))
    , m_owned(true)
{ }

ReviewText::ReviewText(const ReviewText &other)
    : m_text(new QString(other.toString()))
    , m_owned(true)
{ }

ReviewText &ReviewText::operator=(const ReviewText &other)
{
    if (this != &other)
        *this = ReviewText(other);
    return *this;
}

void ReviewText::release()
{
    delete m_text;
}

QString ReviewText::toString() const
{
    if (m_owned)
        return *m_text;
    return QString::fromUtf8(m_bytes, static_cast<qsizetype>(m_size));
}

bool ReviewText::isEmpty() const
{
    return m_owned ? m_text->isEmpty() : m_size == 0;
}

qsizetype ReviewText::utf16Size() const
{
    if (m_owned)
        return m_text->size();
    const std::string_view bytes = utf8();
    if (std::all_of(bytes.begin(), bytes.end(), Ascii))
        return static_cast<qsizetype>(bytes.size());
    return toString().size();
}

void ReviewText::writeUtf16(QChar *&out) const
{
    const std::string_view bytes = utf8();
    if (!m_owned && std::all_of(bytes.begin(), bytes.end(), Ascii)) {
        for (const char c : bytes)
            *out++ = QChar(static_cast<char16_t>(c));
        return;
    }
    const QString text = toString();
    std::copy(text.begin(), text.end(), out);
    out += text.size();
}

int ReviewText::compare(const ReviewText &a, const ReviewText &b)
{
    if (!a.m_owned && !b.m_owned) {
        const std::string_view x = a.utf8();
        const std::string_view y = b.utf8();
        if (x == y)
            return 0;
        const auto parted = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
        const size_t at = static_cast<size_t>(parted.first - x.begin());
        // Up to a byte that is not ASCII the bytes are the characters themselves; where the
        // texts part within or next to another character, QString decides.
        const bool ascii = (at == 0 || Ascii(x[at - 1])) && (at == x.size() || Ascii(x[at]))
            && (at == y.size() || Ascii(y[at]));
        if (ascii) {
            if (at == x.size())
                return -1;
            if (at == y.size())
                return 1;
            return static_cast<unsigned char>(x[at]) < static_cast<unsigned char>(y[at]) ? -1 : 1;
        }
    }
    return Sign(QString::compare(a.toString(), b.toString(), Qt::CaseSensitive));
}

bool operator==(const ReviewText &a, QStringView b)
{
    if (a.m_owned)
        return QStringView(*a.m_text) == b;
    const std::string_view bytes = a.utf8();
    if (std::all_of(bytes.begin(), bytes.end(), Ascii)) {
        if (static_cast<qsizetype>(bytes.size()) != b.size())
            return false;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (b[static_cast<qsizetype>(i)].unicode() != static_cast<char16_t>(bytes[i]))
                return false;
        }
        return true;
    }
    return QStringView(a.toString()) == b;
}
