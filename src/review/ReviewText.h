#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// A text field of a review row. A text read from a query refers to the query result's UTF-8
// bytes where they lie (the list keeps the result alive, see MemSTran::holdTexts) and becomes a
// QString only when it is read; a text written afterwards (an edit, a lookup) is held as a
// QString of its own. Either way it reads, compares and converts as the QString it stands for.
class ReviewText
{
public:
    ReviewText() = default;
    // Holds its own copy of the text; implicit, so a QString can be stored in a field.
    ReviewText(const QString &text);
    // A copy holds its own text too: bytes in place are alive only while the list holding their
    // result holds it, and a copy may go anywhere (another row, a list outliving this one). Moves
    // keep the text where it is.
    ReviewText(const ReviewText &other);
    ReviewText(ReviewText &&other) noexcept
        : m_bytes(std::exchange(other.m_bytes, nullptr))
        , m_size(std::exchange(other.m_size, 0))
        , m_owned(std::exchange(other.m_owned, false))
    { }
    ReviewText &operator=(const ReviewText &other);
    ReviewText &operator=(ReviewText &&other) noexcept
    {
        if (this != &other) {
            if (m_owned)
                release();
            m_bytes = std::exchange(other.m_bytes, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_owned = std::exchange(other.m_owned, false);
        }
        return *this;
    }
    ~ReviewText()
    {
        if (m_owned)
            release();
    }

    // Makes the text empty, as a new one is.
    void clear()
    {
        if (m_owned)
            release();
        m_bytes = nullptr;
        m_size = 0;
        m_owned = false;
    }

    // Refers to bytes in UTF-8 that stay put for as long as the text is read.
    static ReviewText inPlace(std::string_view utf8)
    {
        ReviewText text;
        text.m_bytes = utf8.data();
        text.m_size = static_cast<uint32_t>(utf8.size());
        return text;
    }

    QString toString() const;
    operator QString() const { return toString(); }
    bool isEmpty() const;
    QString trimmed() const { return toString().trimmed(); }
    std::string toStdString() const { return toString().toStdString(); }

    // The bytes referred to; empty for a text held as a QString.
    bool isInPlace() const { return !m_owned; }
    std::string_view utf8() const
    {
        return m_owned ? std::string_view() : std::string_view(m_bytes, m_size);
    }

    // The text's length in UTF-16 units, and the text written there, for string building.
    qsizetype utf16Size() const;
    void writeUtf16(QChar *&out) const;

    // QString::compare's order (UTF-16 code units, letter case significant), mostly without
    // converting: UTF-8 bytes order texts as their UTF-16 units do up to the first byte that
    // is not ASCII.
    static int compare(const ReviewText &a, const ReviewText &b);

    friend bool operator==(const ReviewText &a, const ReviewText &b) { return compare(a, b) == 0; }
    friend std::strong_ordering operator<=>(const ReviewText &a, const ReviewText &b)
    {
        return compare(a, b) <=> 0;
    }
    friend bool operator==(const ReviewText &a, QStringView b);
    friend bool operator==(const ReviewText &a, const QString &b) { return a == QStringView(b); }

private:
    void release(); // frees the text held as a QString

    union {
        const char *m_bytes = nullptr;
        QString *m_text;
    };
    uint32_t m_size = 0; // bytes referred to
    bool m_owned = false; // m_text holds the text
};

// Lets a text take part in QString building ("Name: " + row.sn_name) as a QString would.
template <> struct QConcatenable<ReviewText>
{
    using type = ReviewText;
    using ConvertTo = QString;
    enum { ExactSize = true };
    static qsizetype size(const ReviewText &text) { return text.utf16Size(); }
    static void appendTo(const ReviewText &text, QChar *&out) { text.writeUtf16(out); }
};
