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
