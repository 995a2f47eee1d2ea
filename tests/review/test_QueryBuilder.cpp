#include "review/QueryBuilder.h"
#include "review/ReviewBuild.h"

#include "util/UtilMisc.h"

#include <QDate>

#include <gtest/gtest.h>

namespace {

const QString Z = QStringLiteral("Z");

ReviewFilter DefaultStart()
{
    ReviewFilter filter;
    filter.excludeSent = true;
    filter.excludeAllocated = true;
    return filter;
}

QString Base()
{
    return FilterClause(Z, ReviewFilter());
}

// The filter clause's pieces beyond the fixed first one.
QString Extra(const ReviewFilter &filter)
{
    return FilterClause(Z, filter).mid(Base().size());
}

TEST(QueryBuilder, DefaultStartFilterClauseIs139Characters)
{
    const QString expected = QStringLiteral(
        " WHERE RIGHT(st_memo,4)=='.PDF' AND st_trtype IN ('I','C')  AND "
        "!IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent)  AND st_trbal<>0 ");
    const QString clause = FilterClause(Z, DefaultStart());
    EXPECT_EQ(clause, expected);
    EXPECT_EQ(clause.size(), 139);
    const QStringList lines = ReviewQueryLines(SelectText(Z), clause, DefaultSortClause);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1), expected + QStringLiteral("ORDER BY st_account, st_trref"));
}

TEST(QueryBuilder, SelectTextPiecesForCompanyZ)
{
    const QString expected = QStringLiteral(
        " SELECT   st_account  ,   sn_name     ,   sn_email    ,   IIF(ISNULL("
        "Z_ST_ZRQ.st_zrqtag),.f.,Z_ST_ZRQ.st_zrqtag) as zrqtag  , "
        "  IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent) as zrqsent  , "
        "  IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) as zrqprint , "
        "  st_trref    ,   st_trdate   ,   st_custref  ,   st_trtype   ,   st_trvalue  , "
        "  st_vatval   ,   st_trbal    ,   st_paid     ,   st_memo     , "
        "  CAST(st_memo as C(24)) as st_memoT,   sn_docmail  ,   id            "
        " FROM Z_stran        LEFT JOIN Z_sname ON sn_account = st_account "
        " LEFT JOIN Z_ST_ZRQ ON id = st_id ");
    EXPECT_EQ(SelectText(Z), expected);
    // The fixed pieces add up to 577 characters; the identifier is inserted nine times.
    EXPECT_EQ(SelectText(QString()).size(), 577);
    EXPECT_EQ(SelectText(QStringLiteral("AB")).size(), 577 + 18);
}

TEST(QueryBuilder, StatusAndBalanceAndMailPieces)
{
    ReviewFilter filter;
    filter.excludePrinted = true;
    EXPECT_EQ(Extra(filter),
        QStringLiteral(" AND !IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) "));
    filter = {};
    filter.mail = MailFilter::EMail;
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND sn_docmail>=8 "));
    filter.mail = MailFilter::Print;
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND sn_docmail<8 "));
    filter.mail = MailFilter::Both;
    EXPECT_EQ(Extra(filter), QString());
}

TEST(QueryBuilder, TextFiltersAreQuotedUpperCasedContainsPatterns)
{
    ReviewFilter filter;
    filter.name = QStringLiteral("o'neil ");
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (UPPER(sn_name) LIKE '%O''NEIL%' )"));

    // Only a to z change case; wildcards typed by the user pass through.
    filter = {};
    filter.email = QStringLiteral(" é%x_y ");
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (UPPER(sn_email) LIKE '%é%X_Y%' )"));

    // A filter of blanks adds nothing; the order of the pieces is fixed.
    filter = {};
    filter.account = QStringLiteral("   ");
    filter.custRef = QStringLiteral("c1");
    filter.docRef = QStringLiteral("si");
    filter.account = QStringLiteral("ab");
    EXPECT_EQ(Extra(filter),
        QStringLiteral(" AND (UPPER(st_account) LIKE '%AB%' )"
                       " AND (UPPER(st_trref) LIKE '%SI%' )"
                       " AND (UPPER(st_custref) LIKE '%C1%' )"));
}

TEST(QueryBuilder, DatePiecesUseDateKeysWithTwoBlanks)
{
    ReviewFilter filter;
    filter.dateFrom = NumberFromDate(QDate(2011, 1, 18));
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (dtos(st_trdate) >=  '20110118' ) "));
    filter.dateTo = NumberFromDate(QDate(2011, 2, 1)) + 0.75; // a time of day is ignored
    EXPECT_EQ(Extra(filter),
        QStringLiteral(" AND (dtos(st_trdate) >=  '20110118' ) "
                       " AND (dtos(st_trdate) <=  '20110201' ) "));
}

TEST(QueryBuilder, AmountsAreReadAndWrittenWithTwoDecimals)
{
    ReviewFilter filter;
    filter.minimum = QStringLiteral("-5");
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (st_trvalue >= 5.00 )"));
    filter.minimum = QStringLiteral("abc");
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (st_trvalue >= 0.00 )"));
    filter.minimum = QString();
    filter.maximum = QStringLiteral("1,250.5");
    EXPECT_EQ(Extra(filter), QStringLiteral(" AND (st_trvalue <= 1250.50 )"));
    // A clause ending in " )" runs straight into the sort clause.
    EXPECT_TRUE(ReviewQueryLines(SelectText(Z), FilterClause(Z, filter), DefaultSortClause)
                    .at(1)
                    .endsWith(QStringLiteral("1250.50 )ORDER BY st_account, st_trref")));
}

TEST(QueryBuilder, EveryPieceInItsOrder)
{
    ReviewFilter filter;
    filter.excludeSent = filter.excludePrinted = filter.excludeAllocated = true;
    filter.mail = MailFilter::Print;
    filter.dateFrom = filter.dateTo = NumberFromDate(QDate(2020, 5, 6));
    filter.account = filter.name = filter.email = filter.docRef = filter.custRef
        = QStringLiteral("q");
    filter.minimum = QStringLiteral("1");
    filter.maximum = QStringLiteral("2");
    const QString clause = FilterClause(Z, filter);
    const QStringList markers { QStringLiteral("st_zrqsent) "), QStringLiteral("st_zrqprnt) "),
        QStringLiteral("st_trbal<>0"), QStringLiteral("sn_docmail<8"),
        QStringLiteral(">=  '20200506'"), QStringLiteral("<=  '20200506'"),
        QStringLiteral("UPPER(st_account)"), QStringLiteral("UPPER(sn_name)"),
        QStringLiteral("UPPER(sn_email)"), QStringLiteral("UPPER(st_trref)"),
        QStringLiteral("UPPER(st_custref)"), QStringLiteral(">= 1.00"), QStringLiteral("<= 2.00") };
    qsizetype at = 0;
    for (const QString &marker : markers) {
        const qsizetype found = clause.indexOf(marker, at);
        EXPECT_GT(found, at) << marker.toStdString();
        at = std::max(at, found);
    }
}

TEST(QueryBuilder, QueryTextEndsEveryLineWithCrLf)
{
    EXPECT_EQ(SqlText({ QStringLiteral("a"), QStringLiteral("b") }), QStringLiteral("a\r\nb\r\n"));
    const QStringList initial = InitialReviewQueryLines();
    EXPECT_EQ(initial.size(), 22);
    EXPECT_EQ(initial.first(), QStringLiteral("SELECT"));
    EXPECT_EQ(initial.last(), QStringLiteral("LEFT JOIN t_ST_ZRQ ON id = st_id "));
}

} // namespace

namespace {

TEST(DisplayCheck, OnlyBlanknessIsTested)
{
    EXPECT_TRUE(DisplayInputsComplete(QStringLiteral("<None>"), QStringLiteral("<None>")));
    EXPECT_FALSE(DisplayInputsComplete(QStringLiteral("  "), QStringLiteral("x")));
    EXPECT_FALSE(DisplayInputsComplete(QStringLiteral("x"), QString()));
    EXPECT_EQ(DataConnectionProblem,
        QStringLiteral("Problem with Data Connection and Location information"));
}

} // namespace
