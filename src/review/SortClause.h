#pragma once

#include <QString>
#include <QStringList>

// The column-title sort rule: the ORDER BY text kept between Displays and the in-memory sort it
// asks for. At most three keys; only the first key's " DESC" decides the direction.
struct TitleSort
{
    QString sortClause; // the new clause
    QStringList fields; // the keys to sort the list by, trimmed, without " DESC"
    bool descending = false;
};

TitleSort SortByTitle(const QString &sortClause, const QString &field);

class MemSTran;

// A title click on the review list: the new clause, then the list sorted in memory with the
// current row kept current. A closed list is left alone with its clause; returns whether sorted.
// The caller disables and enables BtnDisplay around the call.
bool SortReviewListByTitle(MemSTran &list, QString &sortClause, const QString &field);
