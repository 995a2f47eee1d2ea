#include "review/QueryBuilder.h"
#include "review/ShowSql.h"
#include "review/SortClause.h"

#include <gtest/gtest.h>

namespace {

struct Click
{
    QString field;
    QString clause;
    QStringList fields;
    bool descending;
};

void ExpectSequence(QString clause, const std::vector<Click> &clicks)
{
    for (const Click &click : clicks) {
        const TitleSort sort = SortByTitle(clause, click.field);
        EXPECT_EQ(sort.sortClause, click.clause) << "after " << click.field.toStdString();
        EXPECT_EQ(sort.fields, click.fields) << "after " << click.field.toStdString();
        EXPECT_EQ(sort.descending, click.descending) << "after " << click.field.toStdString();
        clause = sort.sortClause;
    }
}

const QString Ref = QStringLiteral("st_trref");
const QString Account = QStringLiteral("st_account");
const QString Name = QStringLiteral("sn_name");
const QString Date = QStringLiteral("st_trdate");

TEST(SortClause, SameColumnTurnsTheOrderRound)
{
    ExpectSequence(DefaultSortClause,
        { { Ref, QStringLiteral("ORDER BY st_trref,st_account"), { Ref, Account }, false },
            { Ref, QStringLiteral("ORDER BY st_trref DESC,st_account"), { Ref, Account }, true },
            { Ref, QStringLiteral("ORDER BY st_trref,st_account"), { Ref, Account }, false } });
}

TEST(SortClause, AtMostThreeKeysAndTheOldThirdIsDropped)
{
    ExpectSequence(DefaultSortClause,
        { { Name, QStringLiteral("ORDER BY sn_name,st_account, st_trref"), { Name, Account, Ref },
              false },
            { Date, QStringLiteral("ORDER BY st_trdate,sn_name,st_account"),
                { Date, Name, Account }, false } });
}

TEST(SortClause, SecondKeyClickedMovesToTheFrontAscending)
{
    // The " DESC" moved to second place stays in the clause but sorts nothing.
    ExpectSequence(QStringLiteral("ORDER BY st_trref DESC,st_account"),
        { { Account, QStringLiteral("ORDER BY st_account,st_trref DESC"), { Account, Ref },
            false } });
}

TEST(SortClause, NamesCompareExactlyAndNonColumnsSortToo)
{
    ExpectSequence(QStringLiteral("ORDER BY Tag"),
        { { QStringLiteral("tag"), QStringLiteral("ORDER BY tag,Tag"),
              { QStringLiteral("tag"), QStringLiteral("Tag") }, false },
            { QStringLiteral("Exists"), QStringLiteral("ORDER BY Exists,tag,Tag"),
                { QStringLiteral("Exists"), QStringLiteral("tag"), QStringLiteral("Tag") },
                false } });
    // An empty clause simply gains the column.
    ExpectSequence(QStringLiteral("ORDER BY "),
        { { Ref, QStringLiteral("ORDER BY st_trref"), { Ref }, false } });
}

TEST(ShowSql, DefaultDisplayBreaksIntoReadableLines)
{
    const QString z = QStringLiteral("Z");
    ReviewFilter filter;
    filter.excludeSent = filter.excludeAllocated = true;
    const QString sql
        = SqlText(ReviewQueryLines(SelectText(z), FilterClause(z, filter), DefaultSortClause));
    const QStringList lines = ReadableSql(sql).split(QStringLiteral("\r\n"));

    EXPECT_EQ(lines.at(0), QStringLiteral(" SELECT   st_account  ,"));
    const qsizetype from = lines.indexOf(QStringLiteral("FROM Z_stran       "));
    ASSERT_GT(from, 1);
    for (qsizetype i = 1; i < from; ++i)
        EXPECT_TRUE(lines.at(i).startsWith(QStringLiteral("   "))) << lines.at(i).toStdString();
    EXPECT_EQ(lines.at(from + 1), QStringLiteral("LEFT JOIN Z_sname ON sn_account = st_account "));
    EXPECT_EQ(lines.at(from + 2), QStringLiteral("LEFT JOIN Z_ST_ZRQ ON id = st_id "));
    EXPECT_EQ(lines.at(from + 3), QString());
    EXPECT_TRUE(lines.at(from + 4).startsWith(QStringLiteral("WHERE RIGHT(st_memo,4)==")));
    EXPECT_EQ(lines.at(from + 5), QStringLiteral("ORDER BY st_account, st_trref"));
    EXPECT_EQ(lines.at(from + 6), QString()); // the text ends with a line break
    EXPECT_EQ(lines.size(), from + 7);
}

TEST(ShowSql, InitialTextIsUnchangedAndFiltersBreakToo)
{
    const QString initial = SqlText(InitialReviewQueryLines());
    EXPECT_EQ(ReadableSql(initial), initial);
    EXPECT_EQ(ReadableSql(QStringLiteral("a LIKE '% FROM %' )ORDER BY x")),
        QStringLiteral("a LIKE '%\r\nFROM %' )ORDER BY x"));
}

TEST(ShowSql, MessageHasItsRuleOfDashes)
{
    EXPECT_EQ(ShowSqlMessage(QStringLiteral("X")),
        QStringLiteral("SQL copied to Clipboard\r\n----------------------------\r\nX"));
}

} // namespace
