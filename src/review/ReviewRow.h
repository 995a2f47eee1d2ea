#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include "review/ReviewText.h"

#include <cstdint>

// One listed document of the review list, its fields in the grid's column order.
enum class ReviewField : int {
    Tag,
    st_account,
    sn_name,
    sn_docmail,
    MailInv,
    sn_email,
    zrqtag,
    zrqsent,
    zrqprint,
    st_trref,
    st_trdate,
    st_custref,
    st_trtype,
    st_trvalue,
    st_vatval,
    st_trbal,
    st_paid,
    it_numdelv,
    st_memot,
    Exists,
    id,
};
constexpr int ReviewFieldCount = 21;

enum class FieldKind { Boolean, Text, Integer, Date, Decimal };

struct ReviewFieldInfo
{
    QString name;
    FieldKind kind;
    int size; // characters of a text field, 0 otherwise
    QString title; // empty for a hidden field
    int width; // display width in characters; 0 = the toolkit's default for the type
    QString format;
    bool shown; // shown in the grid ("Del Note" only when the option is on)
};

const ReviewFieldInfo &FieldInfo(ReviewField field);
// The field of a name, letter case ignored; -1 when the row has no such field.
int ReviewFieldIndex(const QString &name);

struct ReviewRow
{
    bool Tag = false;
    ReviewText st_account;
    ReviewText sn_name;
    int32_t sn_docmail = 0;
    bool MailInv = false;
    ReviewText sn_email;
    bool zrqtag = false;
    bool zrqsent = false;
    bool zrqprint = false;
    ReviewText st_trref;
    QDate st_trdate;
    ReviewText st_custref;
    ReviewText st_trtype;
    double st_trvalue = 0;
    double st_vatval = 0;
    double st_trbal = 0;
    ReviewText st_paid;
    ReviewText it_numdelv;
    ReviewText st_memot;
    bool Exists = false;
    int64_t id = 0;

    // A bit per field: set while the field is empty (a new row starts with every field empty).
    static constexpr uint32_t AllNull = (1u << ReviewFieldCount) - 1;
    uint32_t nulls = AllNull;

    bool isNull(ReviewField field) const { return nulls & (1u << int(field)); }
    // The field's value; an invalid QVariant when empty.
    QVariant value(ReviewField field) const;
    // Stores a value converted to the field's type (texts cut to the field's size);
    // an invalid QVariant empties the field.
    void setValue(ReviewField field, const QVariant &value);
    // The field as text for a statement: empty when empty, a number as plain digits.
    QString text(ReviewField field) const;
    // Asks for a text field's bytes ahead of reading them (a hint only).
    void prefetch(ReviewField field) const;
    // Makes the row as a new one: every field empty. Written out, as a fill clears every row it
    // reuses: assigning a new row would move each text twice.
    void clear()
    {
        for (ReviewText *text : { &st_account, &sn_name, &sn_email, &st_trref, &st_custref,
                 &st_trtype, &st_paid, &it_numdelv, &st_memot })
            text->clear();
        Tag = MailInv = zrqtag = zrqsent = zrqprint = Exists = false;
        sn_docmail = 0;
        st_trdate = QDate();
        st_trvalue = st_vatval = st_trbal = 0;
        id = 0;
        nulls = AllNull;
    }
    // Marks a field filled after a typed member was written directly.
    void markSet(ReviewField field) { nulls &= ~(1u << int(field)); }
};

// The typed member behind a field, for writing many rows without a QVariant per value; null
// where the field is of another type.
using TextMember = ReviewText ReviewRow::*;
using FlagMember = bool ReviewRow::*;
using DecimalMember = double ReviewRow::*;
TextMember TextMemberOf(ReviewField field);
FlagMember FlagMemberOf(ReviewField field);
DecimalMember DecimalMemberOf(ReviewField field);

// Orders two rows by one field: empty first, false before true, texts by character code.
int CompareField(const ReviewRow &a, const ReviewRow &b, ReviewField field);

// The same order as a plain function of two rows, for sorting many rows by one field.
using RowComparator = int (*)(const ReviewRow &a, const ReviewRow &b);
RowComparator ComparatorFor(ReviewField field);
