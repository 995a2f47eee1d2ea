#include "data/ConnectionSource.h"

#include "data/ConnectionString.h"
#include "platform/database/Connection.h"

#include <gtest/gtest.h>

namespace {

const QString Folder = QStringLiteral("D:\\Opera");

TEST(ConnectionSource, ComposedStringStaysInForceWhenTheEditorIsCancelled)
{
    db::Connection connection;
    QString shown;
    const QString label = SetConnectionSource(
        connection, QStringLiteral("<None>"), Folder, QStringLiteral("Z"), [&](QString &text) {
            shown = text;
            return false;
        });
    const QString composed = ComposeConnectionString(Folder, QStringLiteral("Z"));
    EXPECT_EQ(shown, composed); // the editor opens on the composed string
    EXPECT_EQ(label, composed);
    EXPECT_EQ(connection.connectionString(), composed);
}

TEST(ConnectionSource, ExistingStringIsKeptForAnotherCompany)
{
    db::Connection connection;
    const QString composed = ComposeConnectionString(Folder, QStringLiteral("Z"));
    const QString label = SetConnectionSource(
        connection, composed, Folder, QStringLiteral("A"), [](QString &) { return false; });
    EXPECT_EQ(label, composed);
    EXPECT_TRUE(label.contains(QStringLiteral("COMP_Z.DBC")));
}

TEST(ConnectionSource, ConfirmedEditReplacesTheString)
{
    db::Connection connection;
    const QString label = SetConnectionSource(
        connection, QStringLiteral("old"), Folder, QStringLiteral("Z"), [](QString &text) {
            text = QStringLiteral("new");
            return true;
        });
    EXPECT_EQ(label, QStringLiteral("new"));
    EXPECT_EQ(connection.connectionString(), QStringLiteral("new"));
}

TEST(ConnectionSource, BlankCompanyComposesNothing)
{
    db::Connection connection;
    const QString label
        = SetConnectionSource(connection, QStringLiteral("<None>"), Folder, QString(), {});
    EXPECT_EQ(label, QStringLiteral("<None>"));
    EXPECT_EQ(connection.connectionString(), QStringLiteral("<None>"));
}

} // namespace
