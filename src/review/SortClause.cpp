#include "review/SortClause.h"

#include "review/MemSTran.h"
#include "util/UtilMisc.h"

namespace {

const QString Desc = QStringLiteral(" DESC");

QString KeyName(const QString &key)
{
    return ReplaceAll(key, Desc, QString()).trimmed();
}

} // namespace

TitleSort SortByTitle(const QString &sortClause, const QString &field)
{
    const QString keys = ReplaceAll(sortClause, QStringLiteral("ORDER BY "), QString());
    QStringList list = SplitText(keys, QStringLiteral(","));

    TitleSort result;
    if (list.isEmpty() || KeyName(list.first()) != field) {
        if (list.size() > 1 && KeyName(list.at(1)) == field)
            list.removeAt(1);
        if (list.size() == 3)
            list.removeAt(2);
        list.prepend(field);
        result.descending = false;
    } else {
        list.first() = list.first().contains(Desc) ? field : field + Desc;
        result.descending = list.first().contains(Desc);
    }
    result.sortClause = QStringLiteral("ORDER BY ") + JoinList(list, QStringLiteral(","));
    for (const QString &key : list)
        result.fields.append(KeyName(key));
    return result;
}

bool SortReviewListByTitle(MemSTran &list, QString &sortClause, const QString &field)
{
    if (!list.isOpen())
        return false;
    const TitleSort sort = SortByTitle(sortClause, field);
    list.disableControls();
    const QVariant currentId = list.value(ReviewField::id);
    sortClause = sort.sortClause;
    try {
        list.sort(sort.fields, sort.descending);
    } catch (...) {
        list.enableControls();
        throw;
    }
    if (currentId.isValid())
        list.locate(QStringLiteral("id"), currentId);
    list.enableControls();
    return true;
}
