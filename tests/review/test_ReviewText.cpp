// A review row's text field: the order, equality and text of bytes read in place are those of
// the QString the bytes stand for, and a text of its own is copied with its row.
#include "review/ReviewRow.h"

#include <QDate>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

// Texts that part on ASCII, on letters of Windows-1252, within a character, as a prefix, and on
// characters whose UTF-16 order is not their code points' order (above U+FFFF against the
// private and half-width ranges).
const std::vector<std::string> &Samples()
{
    static const std::vector<std::string> samples { "", " ", "A", "A ", "AB", "Ab", "a", "C001    ",
        "C002    ", "Müller", "Mueller", "Muller", "Mäller", "Møller", "Müller ", "Z", "é", "ê",
        "\xEF\xBD\x81", "\xEE\x80\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81", "x\xF0\x9F\x98\x80",
        "x\xEF\xBD\x81", "ab\xC3\xA9z", "ab\xC3\xA9" };
    return samples;
}

TEST(ReviewText, InPlaceTextsOrderAndCompareAsTheirQStrings)
{
    for (const std::string &x : Samples()) {
        for (const std::string &y : Samples()) {
            const QString qx = QString::fromStdString(x);
            const QString qy = QString::fromStdString(y);
            const int expected = Sign(QString::compare(qx, qy, Qt::CaseSensitive));
            const ReviewText a = ReviewText::inPlace(x);
            const ReviewText b = ReviewText::inPlace(y);
            EXPECT_EQ(ReviewText::compare(a, b), expected) << x << " / " << y;
            // A text of its own against one in place, as after an edit.
            EXPECT_EQ(ReviewText::compare(ReviewText(qx), b), expected) << x << " / " << y;
            EXPECT_EQ(a == qy, qx == qy) << x << " / " << y;
            EXPECT_EQ(a == b, qx == qy) << x << " / " << y;
        }
    }
}

TEST(ReviewText, ReadsAsTheTextItStandsFor)
{
    const std::string bytes = "Søren Ærø  ";
    const ReviewText text = ReviewText::inPlace(bytes);
    EXPECT_EQ(text.toString(), QStringLiteral("Søren Ærø  "));
    EXPECT_EQ(text.trimmed(), QStringLiteral("Søren Ærø"));
    EXPECT_EQ(text.toStdString(), bytes);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(ReviewText::inPlace(std::string_view()).isEmpty());
    EXPECT_TRUE(ReviewText().isEmpty());
    EXPECT_TRUE(ReviewText(QString()).isEmpty());
    const QString converted = text;
    EXPECT_EQ(converted, text.toString());
}

// A row's texts of its own are its own: a copy, an assignment and a move leave each row with
// the text it was given.
TEST(ReviewText, RowsCopyTheirOwnTexts)
{
    ReviewRow a;
    a.setValue(ReviewField::sn_email, QStringLiteral("first@example.test"));
    ReviewRow b = a;
    b.setValue(ReviewField::sn_email, QStringLiteral("second@example.test"));
    EXPECT_EQ(a.sn_email, QStringLiteral("first@example.test"));
    EXPECT_EQ(b.sn_email, QStringLiteral("second@example.test"));
    a = b;
    b.setValue(ReviewField::sn_email, QStringLiteral("third@example.test"));
    EXPECT_EQ(a.sn_email, QStringLiteral("second@example.test"));
    ReviewRow c = std::move(b);
    EXPECT_EQ(c.sn_email, QStringLiteral("third@example.test"));
    const ReviewRow &same = a;
    a = same; // assignment to itself keeps the text
    EXPECT_EQ(a.value(ReviewField::sn_email).toString(), QStringLiteral("second@example.test"));
    // Texts are cut to the field's size in characters.
    a.setValue(ReviewField::st_trtype, QStringLiteral("ÉX"));
    EXPECT_EQ(a.st_trtype, QStringLiteral("É"));
}

// A text copied out of a row holds its own text: it stays readable once the bytes it was read
// from are gone, and the original keeps referring to them.
TEST(ReviewText, ACopyOutlivesTheBytesItWasReadFrom)
{
    auto bytes = std::make_unique<std::string>("Ösel & Söhne");
    const ReviewText inPlace = ReviewText::inPlace(*bytes);
    ReviewText copied(inPlace);
    ReviewText assigned;
    assigned = inPlace;
    EXPECT_TRUE(inPlace.isInPlace());
    EXPECT_FALSE(copied.isInPlace());
    EXPECT_FALSE(assigned.isInPlace());
    bytes.reset();
    EXPECT_EQ(copied, QStringLiteral("Ösel & Söhne"));
    EXPECT_EQ(assigned, QStringLiteral("Ösel & Söhne"));
}

// A cleared row is a new row whatever it held, every field of it: texts of their own are let
// go (the sanitizers see one that is not) and texts in place refer to nothing.
TEST(ReviewText, ClearedRowIsANewRow)
{
    const std::string bytes = "C0001   ";
    ReviewRow row;
    for (int f = 0; f < ReviewFieldCount; ++f) {
        const auto field = static_cast<ReviewField>(f);
        switch (FieldInfo(field).kind) {
        case FieldKind::Boolean:
            row.setValue(field, true);
            break;
        case FieldKind::Text:
            row.setValue(field, QStringLiteral("X"));
            break;
        case FieldKind::Integer:
        case FieldKind::Decimal:
            row.setValue(field, 7);
            break;
        case FieldKind::Date:
            row.setValue(field, QDate(2026, 12, 10));
            break;
        }
    }
    row.st_account = ReviewText::inPlace(bytes);
    ASSERT_EQ(row.nulls, 0u);

    row.clear();
    const ReviewRow blank {};
    EXPECT_EQ(row.nulls, blank.nulls);
    for (int f = 0; f < ReviewFieldCount; ++f) {
        const auto field = static_cast<ReviewField>(f);
        const std::string name = FieldInfo(field).name.toStdString();
        if (const TextMember text = TextMemberOf(field)) {
            EXPECT_TRUE((row.*text).isInPlace()) << name;
            EXPECT_EQ((row.*text).utf8().data(), nullptr) << name;
            EXPECT_TRUE((row.*text).utf8().empty()) << name;
        } else if (const FlagMember flag = FlagMemberOf(field)) {
            EXPECT_EQ(row.*flag, blank.*flag) << name;
        } else if (const DecimalMember number = DecimalMemberOf(field)) {
            EXPECT_EQ(row.*number, blank.*number) << name;
        }
    }
    EXPECT_EQ(row.sn_docmail, blank.sn_docmail);
    EXPECT_EQ(row.st_trdate, blank.st_trdate);
    EXPECT_EQ(row.id, blank.id);
}

} // namespace
