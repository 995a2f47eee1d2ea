// Connection strings read as the provider reads them.

#include "platform/database/Connection.h"

#include <gtest/gtest.h>

namespace {

using db::ParseConnectionString;

const QString Tail = QStringLiteral(
    ".DBC;Mode=Share Deny None;Extended Properties=\"\";User ID=\"\";Password=\"\";Mask "
    "Password=False;Cache Authentication=False;Encrypt Password=False;Collating "
    "Sequence=MACHINE;DSN=\"\"");

TEST(ConnectionString, TheComposedStringNamesTheContainer)
{
    const auto settings = ParseConnectionString(
        QStringLiteral("Provider=VFPOLEDB.1;Data Source=D:\\Opera\\COMP_Z") + Tail);
    EXPECT_EQ(QStringLiteral("VFPOLEDB.1"), settings.provider);
    EXPECT_EQ(QStringLiteral("D:\\Opera\\COMP_Z.DBC"), settings.dataSource);
    EXPECT_EQ(QStringLiteral("Share Deny None"), settings.keys.value(QStringLiteral("MODE")));
    EXPECT_EQ(QString(), settings.keys.value(QStringLiteral("DSN")));
    EXPECT_TRUE(settings.keys.contains(QStringLiteral("USER ID")));
    EXPECT_EQ(QStringLiteral("MACHINE"), settings.keys.value(QStringLiteral("COLLATING SEQUENCE")));
}

TEST(ConnectionString, ValuesAreTakenAsWrittenOrUnquoted)
{
    // A doubled separator from a folder typed with a trailing backslash stays.
    EXPECT_EQ(QStringLiteral("D:\\Opera\\\\COMP_Z.DBC"),
        ParseConnectionString(
            QStringLiteral("Provider=VFPOLEDB.1;Data Source=D:\\Opera\\\\COMP_Z") + Tail)
            .dataSource);
    const auto quoted = ParseConnectionString(QStringLiteral(
        "provider = vfpoledb ; DATA SOURCE = \"C:\\a;b\\\"\"x\"\"\\c.dbc\" ;x='it''s'"));
    EXPECT_EQ(QStringLiteral("C:\\a;b\\\"x\"\\c.dbc"), quoted.dataSource);
    EXPECT_EQ(QStringLiteral("it's"), quoted.keys.value(QStringLiteral("X")));
}

TEST(ConnectionString, UnusableStringsAreErrorsNamingTheFault)
{
    struct Bad
    {
        QString text;
        QString fragment;
    };
    const Bad cases[] = {
        { QStringLiteral("Provider=SQLOLEDB.1;Data Source=x"), QStringLiteral("SQLOLEDB.1") },
        { QStringLiteral("Data Source=x"), QStringLiteral("no provider") },
        { QStringLiteral("<None>"), QStringLiteral("<None>") },
        { QStringLiteral("Provider=VFPOLEDB.1"), QStringLiteral("Data Source") },
        { QStringLiteral("Provider=VFPOLEDB.1;Data Source=\"x"), QStringLiteral("Unterminated") },
        { QString(), QStringLiteral("no provider") },
    };
    for (const Bad &bad : cases) {
        try {
            ParseConnectionString(bad.text);
            ADD_FAILURE() << bad.text.toStdString() << " was accepted";
        } catch (const Exception &error) {
            EXPECT_TRUE(error.message().contains(bad.fragment))
                << bad.text.toStdString() << ": " << error.message().toStdString();
        }
    }
}

} // namespace
