#include "data/ConnectionString.h"

#include <gtest/gtest.h>

namespace {

const QString ExpectedOperaZ = QStringLiteral(
    "Provider=VFPOLEDB.1;Data Source=D:\\Opera\\COMP_Z.DBC;Mode=Share Deny None;"
    "Extended Properties=\"\";User ID=\"\";Password=\"\";Mask Password=False;"
    "Cache Authentication=False;Encrypt Password=False;Collating Sequence=MACHINE;DSN=\"\"");

TEST(ConnectionString, ComposesTheTemplateCharacterForCharacter)
{
    EXPECT_EQ(ConnectionStringTail.size(), 175);
    EXPECT_TRUE(ConnectionStringTail.endsWith(QStringLiteral("DSN=\"\"")));
    EXPECT_EQ(
        ComposeConnectionString(QStringLiteral("D:\\Opera"), QStringLiteral("Z")), ExpectedOperaZ);
}

TEST(ConnectionString, UsesFolderAndCompanyExactlyAsTyped)
{
    // A trailing backslash stays: two backslashes before COMP_; blanks and case are kept.
    EXPECT_TRUE(ComposeConnectionString(QStringLiteral("D:\\Opera\\"), QStringLiteral("z "))
                    .startsWith(QStringLiteral(
                        "Provider=VFPOLEDB.1;Data Source=D:\\Opera\\\\COMP_z .DBC;Mode=")));
}

TEST(ConnectionString, ComposesOnlyForNoneOrBlankLabel)
{
    const QString folder = QStringLiteral("D:\\Opera");
    EXPECT_EQ(ComposeOrKeepConnectionString(QStringLiteral("<None>"), folder, QStringLiteral("Z")),
        ExpectedOperaZ);
    EXPECT_EQ(ComposeOrKeepConnectionString(QStringLiteral("   "), folder, QStringLiteral("Z")),
        ExpectedOperaZ);
    // Once a real string exists a new company does not recompose it.
    EXPECT_EQ(
        ComposeOrKeepConnectionString(ExpectedOperaZ, folder, QStringLiteral("A")), ExpectedOperaZ);
    // "<None>" only in exactly that spelling.
    EXPECT_EQ(ComposeOrKeepConnectionString(QStringLiteral("<none>"), folder, QStringLiteral("Z")),
        QStringLiteral("<none>"));
}

TEST(ConnectionString, BlankFolderOrCompanyComposesNothing)
{
    EXPECT_EQ(ComposeOrKeepConnectionString(
                  QStringLiteral("<None>"), QStringLiteral("D:\\Opera"), QString()),
        QStringLiteral("<None>"));
    EXPECT_EQ(ComposeOrKeepConnectionString(QString(), QStringLiteral(" "), QStringLiteral("Z")),
        QString());
}

} // namespace

namespace {

TEST(ConnectionString, ContainerFileGivesTheSameTail)
{
    EXPECT_EQ(ComposeConnectionStringForContainer(QStringLiteral("D:\\Opera\\COMP_Z.DBC")),
        ExpectedOperaZ);
}

} // namespace
