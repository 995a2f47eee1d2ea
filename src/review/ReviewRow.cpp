#include "review/ReviewRow.h"

#include <QHash>

#include <array>
#include <type_traits>

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

template <typename T> int Compare(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

template <auto Member, ReviewField Field> int CompareMember(const ReviewRow &a, const ReviewRow &b)
{
    const bool aNull = a.isNull(Field);
    const bool bNull = b.isNull(Field);
    if (aNull || bNull)
        return Compare(!aNull, !bNull);
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(a.*Member)>, ReviewText>)
        return ReviewText::compare(a.*Member, b.*Member);
    else
        return Compare(a.*Member, b.*Member);
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
    if (const TextMember text = TextMemberOf(field))
        return (this->*text).toString();
    if (const FlagMember flag = FlagMemberOf(field))
        return this->*flag;
    if (const DecimalMember number = DecimalMemberOf(field))
        return this->*number;
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
    // A value that does not convert to the field's type leaves the field empty.
    bool converted = value.isValid() && !value.isNull();
    if (!converted) {
        nulls |= 1u << int(field);
        return;
    }
    if (const TextMember text = TextMemberOf(field)) {
        this->*text = ReviewText(value.toString().left(FieldInfo(field).size));
    } else if (const FlagMember flag = FlagMemberOf(field)) {
        this->*flag = value.toBool();
    } else if (const DecimalMember number = DecimalMemberOf(field)) {
        this->*number = value.toDouble(&converted);
    } else if (field == ReviewField::sn_docmail) {
        sn_docmail = value.toInt(&converted);
    } else if (field == ReviewField::st_trdate) {
        st_trdate = value.toDate();
        converted = st_trdate.isValid();
    } else if (field == ReviewField::id) {
        id = value.toLongLong(&converted);
    }
    if (converted)
        markSet(field);
    else
        nulls |= 1u << int(field);
}

QString ReviewRow::text(ReviewField field) const
{
    if (isNull(field))
        return {};
    if (field == ReviewField::id)
        return QString::number(id);
    return value(field).toString();
}

void ReviewRow::prefetch([[maybe_unused]] ReviewField field) const
{
#if defined(__GNUC__)
    if (const TextMember text = TextMemberOf(field)) {
        if ((this->*text).isInPlace())
            __builtin_prefetch((this->*text).utf8().data());
    }
#endif
}

TextMember TextMemberOf(ReviewField field)
{
    switch (field) {
    case ReviewField::st_account:
        return &ReviewRow::st_account;
    case ReviewField::sn_name:
        return &ReviewRow::sn_name;
    case ReviewField::sn_email:
        return &ReviewRow::sn_email;
    case ReviewField::st_trref:
        return &ReviewRow::st_trref;
    case ReviewField::st_custref:
        return &ReviewRow::st_custref;
    case ReviewField::st_trtype:
        return &ReviewRow::st_trtype;
    case ReviewField::st_paid:
        return &ReviewRow::st_paid;
    case ReviewField::it_numdelv:
        return &ReviewRow::it_numdelv;
    case ReviewField::st_memot:
        return &ReviewRow::st_memot;
    default:
        return nullptr;
    }
}

FlagMember FlagMemberOf(ReviewField field)
{
    switch (field) {
    case ReviewField::Tag:
        return &ReviewRow::Tag;
    case ReviewField::MailInv:
        return &ReviewRow::MailInv;
    case ReviewField::zrqtag:
        return &ReviewRow::zrqtag;
    case ReviewField::zrqsent:
        return &ReviewRow::zrqsent;
    case ReviewField::zrqprint:
        return &ReviewRow::zrqprint;
    case ReviewField::Exists:
        return &ReviewRow::Exists;
    default:
        return nullptr;
    }
}

DecimalMember DecimalMemberOf(ReviewField field)
{
    switch (field) {
    case ReviewField::st_trvalue:
        return &ReviewRow::st_trvalue;
    case ReviewField::st_vatval:
        return &ReviewRow::st_vatval;
    case ReviewField::st_trbal:
        return &ReviewRow::st_trbal;
    default:
        return nullptr;
    }
}

RowComparator ComparatorFor(ReviewField field)
{
    using F = ReviewField;
    using R = ReviewRow;
    switch (field) {
    case F::Tag:
        return &CompareMember<&R::Tag, F::Tag>;
    case F::st_account:
        return &CompareMember<&R::st_account, F::st_account>;
    case F::sn_name:
        return &CompareMember<&R::sn_name, F::sn_name>;
    case F::sn_docmail:
        return &CompareMember<&R::sn_docmail, F::sn_docmail>;
    case F::MailInv:
        return &CompareMember<&R::MailInv, F::MailInv>;
    case F::sn_email:
        return &CompareMember<&R::sn_email, F::sn_email>;
    case F::zrqtag:
        return &CompareMember<&R::zrqtag, F::zrqtag>;
    case F::zrqsent:
        return &CompareMember<&R::zrqsent, F::zrqsent>;
    case F::zrqprint:
        return &CompareMember<&R::zrqprint, F::zrqprint>;
    case F::st_trref:
        return &CompareMember<&R::st_trref, F::st_trref>;
    case F::st_trdate:
        return &CompareMember<&R::st_trdate, F::st_trdate>;
    case F::st_custref:
        return &CompareMember<&R::st_custref, F::st_custref>;
    case F::st_trtype:
        return &CompareMember<&R::st_trtype, F::st_trtype>;
    case F::st_trvalue:
        return &CompareMember<&R::st_trvalue, F::st_trvalue>;
    case F::st_vatval:
        return &CompareMember<&R::st_vatval, F::st_vatval>;
    case F::st_trbal:
        return &CompareMember<&R::st_trbal, F::st_trbal>;
    case F::st_paid:
        return &CompareMember<&R::st_paid, F::st_paid>;
    case F::it_numdelv:
        return &CompareMember<&R::it_numdelv, F::it_numdelv>;
    case F::st_memot:
        return &CompareMember<&R::st_memot, F::st_memot>;
    case F::Exists:
        return &CompareMember<&R::Exists, F::Exists>;
    case F::id:
        return &CompareMember<&R::id, F::id>;
    }
    return nullptr;
}

int CompareField(const ReviewRow &a, const ReviewRow &b, ReviewField field)
{
    return ComparatorFor(field)(a, b);
}
