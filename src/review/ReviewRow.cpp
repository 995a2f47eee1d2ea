#include "review/ReviewRow.h"

#include <QHash>

#include <array>

namespace {

using K = FieldKind;

const std::array<ReviewFieldInfo, ReviewFieldCount> &Fields()
{
    static const std::array<ReviewFieldInfo, ReviewFieldCount> fields { {
        { QStringLiteral("Tag"), K::Boolean, 0, QStringLiteral("Tag"), 0, {}, true },
        { QStringLiteral("st_account"), K::Text, 8, QStringLiteral("SL Account"), 8, {}, true },
        { QStringLiteral("sn_name"), K::Text, 30, QStringLiteral("A/C Name"), 22, {}, true },
        { QStringLiteral("sn_docmail"), K::Integer, 0, {}, 0, {}, false },
        { QStringLiteral("MailInv"), K::Boolean, 0, QStringLiteral("inv"), 1, {}, true },
        { QStringLiteral("sn_email"), K::Text, 60, QStringLiteral("eMail Address"), 21, {}, true },
        { QStringLiteral("zrqtag"), K::Boolean, 0, {}, 0, {}, false },
        { QStringLiteral("zrqsent"), K::Boolean, 0, QStringLiteral("sent"), 1, {}, true },
        { QStringLiteral("zrqprint"), K::Boolean, 0, QStringLiteral("print"), 0, {}, true },
        { QStringLiteral("st_trref"), K::Text, 20, QStringLiteral("Doc Ref"), 15, {}, true },
        { QStringLiteral("st_trdate"), K::Date, 0, QStringLiteral("Date"), 12,
            QStringLiteral("dd mmm yy"), true },
        { QStringLiteral("st_custref"), K::Text, 20, QStringLiteral("Cust Ref"), 12, {}, true },
        { QStringLiteral("st_trtype"), K::Text, 1, QStringLiteral("ty"), 1, {}, true },
        { QStringLiteral("st_trvalue"), K::Decimal, 0, QStringLiteral("Gross"), 9,
            QStringLiteral("#####0.00"), true },
        { QStringLiteral("st_vatval"), K::Decimal, 0, QStringLiteral("VAT"), 8,
            QStringLiteral("###0.00"), true },
        { QStringLiteral("st_trbal"), K::Decimal, 0, QStringLiteral("Bal"), 8,
            QStringLiteral("#####0.00"), true },
        { QStringLiteral("st_paid"), K::Text, 1, QStringLiteral("pd"), 1, {}, true },
        { QStringLiteral("it_numdelv"), K::Text, 10, QStringLiteral("Del Note"), 10, {}, false },
        { QStringLiteral("st_memot"), K::Text, 24, QStringLiteral("PDF File"), 24, {}, true },
        { QStringLiteral("Exists"), K::Boolean, 0, QStringLiteral("Exists"), 0, {}, true },
        { QStringLiteral("id"), K::Decimal, 0, {}, 0, {}, false },
    } };
    return fields;
}

template <typename Row> auto TextMember(Row &row, ReviewField field) -> decltype(&row.st_account)
{
    switch (field) {
    case ReviewField::st_account:
        return &row.st_account;
    case ReviewField::sn_name:
        return &row.sn_name;
    case ReviewField::sn_email:
        return &row.sn_email;
    case ReviewField::st_trref:
        return &row.st_trref;
    case ReviewField::st_custref:
        return &row.st_custref;
    case ReviewField::st_trtype:
        return &row.st_trtype;
    case ReviewField::st_paid:
        return &row.st_paid;
    case ReviewField::it_numdelv:
        return &row.it_numdelv;
    case ReviewField::st_memot:
        return &row.st_memot;
    default:
        return nullptr;
    }
}

template <typename Row> auto BoolMember(Row &row, ReviewField field) -> decltype(&row.Tag)
{
    switch (field) {
    case ReviewField::Tag:
        return &row.Tag;
    case ReviewField::MailInv:
        return &row.MailInv;
    case ReviewField::zrqtag:
        return &row.zrqtag;
    case ReviewField::zrqsent:
        return &row.zrqsent;
    case ReviewField::zrqprint:
        return &row.zrqprint;
    case ReviewField::Exists:
        return &row.Exists;
    default:
        return nullptr;
    }
}

template <typename Row> auto DecimalMember(Row &row, ReviewField field) -> decltype(&row.st_trbal)
{
    switch (field) {
    case ReviewField::st_trvalue:
        return &row.st_trvalue;
    case ReviewField::st_vatval:
        return &row.st_vatval;
    case ReviewField::st_trbal:
        return &row.st_trbal;
    default:
        return nullptr;
    }
}

template <typename T> int Compare(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

const ReviewFieldInfo &FieldInfo(ReviewField field)
{
    return Fields().at(static_cast<size_t>(field));
}

int ReviewFieldIndex(const QString &name)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> map;
        for (int i = 0; i < ReviewFieldCount; ++i)
            map.insert(Fields().at(i).name.toLower(), i);
        return map;
    }();
    return index.value(name.toLower(), -1);
}

QVariant ReviewRow::value(ReviewField field) const
{
    if (isNull(field))
        return {};
    if (const QString *text = TextMember(*this, field))
        return *text;
    if (const bool *flag = BoolMember(*this, field))
        return *flag;
    if (const double *number = DecimalMember(*this, field))
        return *number;
    switch (field) {
    case ReviewField::sn_docmail:
        return sn_docmail;
    case ReviewField::st_trdate:
        return st_trdate;
    case ReviewField::id:
        return qint64(id);
    default:
        return {};
    }
}

void ReviewRow::setValue(ReviewField field, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        nulls |= 1u << int(field);
        return;
    }
    if (QString *text = TextMember(*this, field))
        *text = value.toString().left(FieldInfo(field).size);
    else if (bool *flag = BoolMember(*this, field))
        *flag = value.toBool();
    else if (double *number = DecimalMember(*this, field))
        *number = value.toDouble();
    else if (field == ReviewField::sn_docmail)
        sn_docmail = value.toInt();
    else if (field == ReviewField::st_trdate)
        st_trdate = value.toDate();
    else if (field == ReviewField::id)
        id = value.toLongLong();
    markSet(field);
}

QString ReviewRow::text(ReviewField field) const
{
    if (isNull(field))
        return {};
    if (field == ReviewField::id)
        return QString::number(id);
    return value(field).toString();
}

int CompareField(const ReviewRow &a, const ReviewRow &b, ReviewField field)
{
    const bool aNull = a.isNull(field);
    const bool bNull = b.isNull(field);
    if (aNull || bNull)
        return Compare(!aNull, !bNull);
    if (const QString *text = TextMember(a, field))
        return QString::compare(*text, *TextMember(b, field), Qt::CaseSensitive);
    if (const bool *flag = BoolMember(a, field))
        return Compare(*flag, *BoolMember(b, field));
    if (const double *number = DecimalMember(a, field))
        return Compare(*number, *DecimalMember(b, field));
    switch (field) {
    case ReviewField::sn_docmail:
        return Compare(a.sn_docmail, b.sn_docmail);
    case ReviewField::st_trdate:
        return Compare(a.st_trdate, b.st_trdate);
    case ReviewField::id:
        return Compare(a.id, b.id);
    default:
        return 0;
    }
}
