#include "review/QueryBuilder.h"

#include "util/UtilMisc.h"

const QString DefaultSortClause = QStringLiteral("ORDER BY st_account, st_trref");

QString QuoteText(const QString &text)
{
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

QString ContainsPattern(const QString &text)
{
    QString value = text.trimmed();
    for (QChar &c : value) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return QuoteText(u'%' + value + u'%');
}

QString SelectText(const QString &id)
{
    return QStringLiteral(" SELECT   st_account  ,   sn_name     ,   sn_email    ,   IIF(ISNULL(")
        + id + QStringLiteral("_ST_ZRQ.st_zrqtag),.f.,") + id
        + QStringLiteral("_ST_ZRQ.st_zrqtag) as zrqtag  , ") + QStringLiteral("  IIF(ISNULL(") + id
        + QStringLiteral("_ST_ZRQ.st_zrqsent),.f.,") + id
        + QStringLiteral("_ST_ZRQ.st_zrqsent) as zrqsent  , ") + QStringLiteral("  IIF(ISNULL(")
        + id + QStringLiteral("_ST_ZRQ.st_zrqprnt),.f.,") + id
        + QStringLiteral("_ST_ZRQ.st_zrqprnt) as zrqprint , ") + QStringLiteral("  st_trref    , ")
        + QStringLiteral("  st_trdate   , ") + QStringLiteral("  st_custref  , ")
        + QStringLiteral("  st_trtype   , ") + QStringLiteral("  st_trvalue  , ")
        + QStringLiteral("  st_vatval   , ") + QStringLiteral("  st_trbal    , ")
        + QStringLiteral("  st_paid     , ") + QStringLiteral("  st_memo     , ")
        + QStringLiteral("  CAST(st_memo as C(24)) as st_memoT, ")
        + QStringLiteral("  sn_docmail  , ") + QStringLiteral("  id            ")
        + QStringLiteral(" FROM ") + id + QStringLiteral("_stran       ")
        + QStringLiteral(" LEFT JOIN ") + id + QStringLiteral("_sname ON sn_account = st_account ")
        + QStringLiteral(" LEFT JOIN ") + id + QStringLiteral("_ST_ZRQ ON id = st_id ");
}

namespace {

QString NotFlag(const QString &id, const QString &column)
{
    return QStringLiteral(" AND !IIF(ISNULL(") + id + QStringLiteral("_ST_ZRQ.") + column
        + QStringLiteral("),.f.,") + id + QStringLiteral("_ST_ZRQ.") + column
        + QStringLiteral(") ");
}

QString DatePiece(const QString &comparison, double date)
{
    return QStringLiteral(" AND (dtos(st_trdate) ") + comparison + QStringLiteral("  ")
        + QuoteText(DateKey(DateFromNumber(date))) + QStringLiteral(" ) ");
}

QString LikePiece(const QString &column, const QString &text)
{
    return QStringLiteral(" AND (UPPER(") + column + QStringLiteral(") LIKE ")
        + ContainsPattern(text) + QStringLiteral(" )");
}

QString ValuePiece(const QString &comparison, const QString &text)
{
    return QStringLiteral(" AND (st_trvalue ") + comparison + u' '
        + FormatNumber(ReadNumber(text), 2) + QStringLiteral(" )");
}

} // namespace

QString FilterClause(const QString &id, const ReviewFilter &filter)
{
    QString clause = QStringLiteral(" WHERE RIGHT(st_memo,4)==") + QuoteText(QStringLiteral(".PDF"))
        + QStringLiteral(" AND st_trtype IN (") + QuoteText(QStringLiteral("I")) + u','
        + QuoteText(QStringLiteral("C")) + QStringLiteral(") ");
    if (filter.excludeSent)
        clause += NotFlag(id, QStringLiteral("st_zrqsent"));
    if (filter.excludePrinted)
        clause += NotFlag(id, QStringLiteral("st_zrqprnt"));
    if (filter.excludeAllocated)
        clause += QStringLiteral(" AND st_trbal<>0 ");
    if (filter.mail == MailFilter::EMail)
        clause += QStringLiteral(" AND sn_docmail>=8 ");
    else if (filter.mail == MailFilter::Print)
        clause += QStringLiteral(" AND sn_docmail<8 ");
    if (!IsBlank(filter.dateFrom))
        clause += DatePiece(QStringLiteral(">="), filter.dateFrom);
    if (!IsBlank(filter.dateTo))
        clause += DatePiece(QStringLiteral("<="), filter.dateTo);
    if (!IsBlank(filter.account))
        clause += LikePiece(QStringLiteral("st_account"), filter.account);
    if (!IsBlank(filter.name))
        clause += LikePiece(QStringLiteral("sn_name"), filter.name);
    if (!IsBlank(filter.email))
        clause += LikePiece(QStringLiteral("sn_email"), filter.email);
    if (!IsBlank(filter.docRef))
        clause += LikePiece(QStringLiteral("st_trref"), filter.docRef);
    if (!IsBlank(filter.custRef))
        clause += LikePiece(QStringLiteral("st_custref"), filter.custRef);
    if (!IsBlank(filter.minimum))
        clause += ValuePiece(QStringLiteral(">="), filter.minimum);
    if (!IsBlank(filter.maximum))
        clause += ValuePiece(QStringLiteral("<="), filter.maximum);
    return clause;
}

QStringList ReviewQueryLines(
    const QString &selectText, const QString &filterClause, const QString &sortClause)
{
    return { selectText, filterClause + sortClause };
}

QStringList InitialReviewQueryLines()
{
    return {
        QStringLiteral("SELECT"),
        QStringLiteral(" st_account,"),
        QStringLiteral(" sn_name,"),
        QStringLiteral(" sn_email,"),
        QStringLiteral(" IIF(ISNULL(t_ST_ZRQ.st_zrqtag),.f.,t_ST_ZRQ.st_zrqtag) as zrqtag , "),
        QStringLiteral(" IIF(ISNULL(t_ST_ZRQ.st_zrqsent),.f.,t_ST_ZRQ.st_zrqsent) as zrqsent , "),
        QStringLiteral(" IIF(ISNULL(t_ST_ZRQ.st_zrqprnt),.f.,t_ST_ZRQ.st_zrqprnt) as zrqprint , "),
        QStringLiteral(" st_trref, "),
        QStringLiteral(" st_trdate, "),
        QStringLiteral(" st_custref, "),
        QStringLiteral(" st_trtype, "),
        QStringLiteral(" st_trvalue, "),
        QStringLiteral(" st_vatval, "),
        QStringLiteral(" st_trbal, "),
        QStringLiteral(" st_paid, "),
        QStringLiteral(" st_memo,"),
        QStringLiteral(" sn_docmail,"),
        QStringLiteral(" CAST(st_memo as C(24)) as st_memoT,"),
        QStringLiteral("  id"),
        QStringLiteral("FROM t_stran"),
        QStringLiteral("LEFT JOIN t_sname ON sn_account = st_account"),
        QStringLiteral("LEFT JOIN t_ST_ZRQ ON id = st_id "),
    };
}

QString SqlText(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}
