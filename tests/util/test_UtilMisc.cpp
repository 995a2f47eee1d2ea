#include "util/UtilMisc.h"

#include <gtest/gtest.h>

TEST(UtilMisc, BlankMeansOnlyBlanksOrZero)
{
    EXPECT_TRUE(IsBlank(QString()));
    EXPECT_TRUE(IsBlank(QStringLiteral("   ")));
    EXPECT_FALSE(IsBlank(QStringLiteral(" x ")));
    EXPECT_TRUE(IsBlank(0.0));
    EXPECT_FALSE(IsBlank(40561.0));
}

TEST(UtilMisc, FormatNumberIsFixedPointWithoutSeparators)
{
    EXPECT_EQ(FormatNumber(1234567.5, 2), QStringLiteral("1234567.50"));
    EXPECT_EQ(FormatNumber(100, 2), QStringLiteral("100.00"));
    EXPECT_EQ(FormatNumber(2.005, 0), QStringLiteral("2"));
    EXPECT_EQ(FormatNumber(-3.26, 1), QStringLiteral("-3.3"));
    EXPECT_EQ(FormatNumber(-0.001, 2), QStringLiteral("0.00"));
}

TEST(UtilMisc, ReadNumberDropsSignsAndLetters)
{
    EXPECT_DOUBLE_EQ(ReadNumber(QStringLiteral("-12.50")), 12.5);
    EXPECT_DOUBLE_EQ(ReadNumber(QStringLiteral("£1,234.5")), 1234.5);
    EXPECT_DOUBLE_EQ(ReadNumber(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(ReadNumber(QString()), 0.0);
    EXPECT_DOUBLE_EQ(ReadNumber(QStringLiteral("1e5")), 15.0);
    EXPECT_DOUBLE_EQ(ReadNumber(QStringLiteral(".")), 0.0);
}

TEST(UtilMisc, ReplaceAllCollapsesRunsCompletely)
{
    EXPECT_EQ(ReplaceAll(QStringLiteral("D:\\\\\\\\Opera\\\\x"), QStringLiteral("\\\\"),
                  QStringLiteral("\\")),
        QStringLiteral("D:\\Opera\\x"));
    EXPECT_EQ(ReplaceAll(QStringLiteral("a    b  c"), QStringLiteral("  "), QStringLiteral(" ")),
        QStringLiteral("a b c"));
    // A replacement that joins with the text before it forms a new match, which is replaced too.
    EXPECT_EQ(ReplaceAll(QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("b")),
        QStringLiteral("b"));
    // A replacement holding the search text must not loop forever.
    EXPECT_EQ(ReplaceAll(QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("xx")),
        QStringLiteral("xx"));
}

TEST(UtilMisc, SplitTextDropsOnlyATrailingEmptyPiece)
{
    EXPECT_EQ(SplitText(QStringLiteral("a; b;;c;"), QStringLiteral(";")),
        (QStringList {
            QStringLiteral("a"), QStringLiteral(" b"), QString(), QStringLiteral("c") }));
    EXPECT_EQ(SplitText(QStringLiteral(";a"), QStringLiteral(";")),
        (QStringList { QString(), QStringLiteral("a") }));
    EXPECT_EQ(SplitText(QString(), QStringLiteral(";")), QStringList());
    EXPECT_EQ(JoinList({ QStringLiteral("a"), QStringLiteral("b") }, QStringLiteral("; ")),
        QStringLiteral("a; b"));
}

TEST(UtilMisc, DateKeyAndDateNumbers)
{
    EXPECT_EQ(DateKey(QDate(2011, 1, 18)), QStringLiteral("20110118"));
    EXPECT_DOUBLE_EQ(NumberFromDate(QDate(2011, 1, 18)), 40561.0);
    EXPECT_EQ(DateFromNumber(40561.75), QDate(2011, 1, 18));
    EXPECT_FALSE(DateFromNumber(0).isValid());
    EXPECT_DOUBLE_EQ(NumberFromDate(QDate()), 0.0);
}
