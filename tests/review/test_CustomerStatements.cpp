#include "review/CustomerStatements.h"

#include <gtest/gtest.h>

TEST(CustomerStatements, DocmailSwitchAndItsStatement)
{
    EXPECT_EQ(SwitchedDocmail(0), 8);
    EXPECT_EQ(SwitchedDocmail(12), 4);
    EXPECT_EQ(SwitchedDocmail(3), 11);
    EXPECT_EQ(SwitchedDocmail(16), 8);
    EXPECT_EQ(DocmailUpdateText(QStringLiteral("A"), QStringLiteral("A001"), 8),
        QStringLiteral("UPDATE A_SNAME  SET  sn_docmail = 8.00  WHERE sn_account = 'A001'"));
    // The account's trailing blanks stay inside the quotes.
    EXPECT_EQ(DocmailUpdateText(QStringLiteral("A"), QStringLiteral("A001    "), 4),
        QStringLiteral("UPDATE A_SNAME  SET  sn_docmail = 4.00  WHERE sn_account = 'A001    '"));
}

TEST(CustomerStatements, EmailStatementQuotesBothValues)
{
    EXPECT_EQ(EmailUpdateText(QStringLiteral("Z"), QStringLiteral("OXN005  "),
                  QStringLiteral("o'neil@example.com")),
        QStringLiteral("UPDATE Z_SNAME  SET  sn_email = 'o''neil@example.com'  WHERE "
                       "sn_account = 'OXN005  '"));
}
