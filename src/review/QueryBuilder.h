#pragma once

#include <QString>
#include <QStringList>

// The review query: the select text, the WHERE text composed from the filter values, and the
// query's lines. Every text is composed piece by piece, blanks included.

enum class MailFilter { EMail = 0, Print = 1, Both = 2 }; // RadMailFilter's item order

struct ReviewFilter
{
    bool excludeSent = false;
    bool excludePrinted = false;
    bool excludeAllocated = false;
    MailFilter mail = MailFilter::Both;
    double dateFrom = 0; // date numbers; 0 = no date
    double dateTo = 0;
    QString account;
    QString name;
    QString email;
    QString docRef;
    QString custRef;
    QString minimum;
    QString maximum;
};

extern const QString DefaultSortClause; // "ORDER BY st_account, st_trref"

// A text value in single quotes, inner quotes doubled.
QString QuoteText(const QString &text);
// '%' + the trimmed text with a to z in upper case + '%', quoted.
QString ContainsPattern(const QString &text);

QString SelectText(const QString &companyId);
QString FilterClause(const QString &companyId, const ReviewFilter &filter);

// The query's lines after a build: the select text, then the filter and sort clauses.
QStringList ReviewQueryLines(
    const QString &selectText, const QString &filterClause, const QString &sortClause);
// The query's text before the first build.
QStringList InitialReviewQueryLines();

// The lines as one text, each line ended by carriage return and line feed.
QString SqlText(const QStringList &lines);
