#include "platform/registry/Registry.h"
#include "support/TempDir.h"
#include "util/Errors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// Points the user's configuration folder at a fresh temporary folder.
class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }

    void writeMachineOverride(const QByteArray &json)
    {
        QDir().mkpath(m_dir.file(QStringLiteral("velloran")));
        QFile file(m_dir.file(QStringLiteral("velloran/machine-registry.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    }

    TempDir m_dir;
    QByteArray m_saved;
};

} // namespace

TEST(RegistryHiveTest, PathsAndNamesIgnoreCaseAndStraySeparators)
{
    RegistryHive hive;
    hive.setValue(QStringLiteral("\\Software\\Torvane\\\\Velloran\\"), QStringLiteral("Name"),
        { RegistryHive::Value::Type::String, QStringLiteral("x"), 0 });
    ASSERT_TRUE(hive.value(QStringLiteral("SOFTWARE\\torvane\\VELLORAN"), QStringLiteral("name")));
    EXPECT_EQ(
        hive.value(QStringLiteral("software\\torvane\\velloran"), QStringLiteral("NAME"))->text,
        QStringLiteral("x"));
    EXPECT_TRUE(hive.hasKey(QStringLiteral("software\\TORVANE")));
    EXPECT_EQ(
        hive.subKeyNames(QStringLiteral("Software")), QStringList { QStringLiteral("Torvane") });
    EXPECT_EQ(hive.valueNames(QStringLiteral("software\\torvane\\velloran")),
        QStringList { QStringLiteral("Name") });
}

TEST(RegistryHiveTest, DeletingAKeyTakesItsSubkeysButNotItsNamesakes)
{
    RegistryHive hive;
    hive.createKey(QStringLiteral("A\\B\\C"));
    hive.createKey(QStringLiteral("A\\BB"));
    hive.deleteKey(QStringLiteral("a\\b"));
    EXPECT_FALSE(hive.hasKey(QStringLiteral("A\\B\\C")));
    EXPECT_FALSE(hive.hasKey(QStringLiteral("A\\B")));
    EXPECT_TRUE(hive.hasKey(QStringLiteral("A\\BB")));
}

TEST(RegistryHiveTest, JsonRoundTripKeepsTypesAndRejectsBadDocumentsWhole)
{
    RegistryHive hive;
    hive.setValue(QStringLiteral("K"), QStringLiteral("Text"),
        { RegistryHive::Value::Type::String, QStringLiteral("é \"q\""), 0 });
    hive.setValue(QStringLiteral("K"), QStringLiteral("Number"),
        { RegistryHive::Value::Type::DWord, {}, 0xFFFFFFFFu });
    RegistryHive copy;
    ASSERT_TRUE(copy.mergeJson(hive.toJson()));
    EXPECT_EQ(
        copy.value(QStringLiteral("K"), QStringLiteral("Text"))->text, QStringLiteral("é \"q\""));
    EXPECT_EQ(copy.value(QStringLiteral("K"), QStringLiteral("Number"))->number, 0xFFFFFFFFu);

    // A document with one bad value changes nothing.
    EXPECT_FALSE(copy.mergeJson(R"({"keys": {"K": {"Text": "new", "Bad": [1]}}})"));
    EXPECT_EQ(
        copy.value(QStringLiteral("K"), QStringLiteral("Text"))->text, QStringLiteral("é \"q\""));
    EXPECT_FALSE(copy.mergeJson("not json"));
}

TEST_F(RegistryTest, UserValuesPersistAcrossOpens)
{
    EXPECT_FALSE(
        RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("Software\\Torvane\\V")));
    {
        auto key = RegistryKey::open(
            RegistryRoot::CurrentUser, QStringLiteral("Software\\Torvane\\V"), true);
        ASSERT_TRUE(key);
        key->writeString(QStringLiteral("MSOutLookProfileName"), QStringLiteral("Office"));
        key->writeDWord(QStringLiteral("Count"), 7);
    }
    EXPECT_TRUE(QFile::exists(RegistryKey::currentUserFile()));
    EXPECT_TRUE(RegistryKey::currentUserFile().startsWith(m_dir.path()));
    auto again
        = RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("software\\torvane\\v"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->readString(QStringLiteral("msoutlookprofilename")), QStringLiteral("Office"));
    EXPECT_EQ(again->readDWord(QStringLiteral("Count")), 7u);
    EXPECT_FALSE(again->readDWord(QStringLiteral("MSOutLookProfileName")));
    again->deleteValue(QStringLiteral("Count"));
    EXPECT_FALSE(
        RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("Software\\Torvane\\V"))
            ->hasValue(QStringLiteral("Count")));
}

TEST_F(RegistryTest, CreatingAnEmptyKeyIsSavedAtOnce)
{
    ASSERT_TRUE(RegistryKey::open(
        RegistryRoot::CurrentUser, QStringLiteral("Software\\Torvane\\App"), true));
    EXPECT_TRUE(
        RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("Software\\Torvane\\App")));
}

TEST_F(RegistryTest, DamagedUserFileIsNeverOverwritten)
{
    QDir().mkpath(m_dir.file(QStringLiteral("velloran")));
    QFile file(RegistryKey::currentUserFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ damaged");
    file.close();
    EXPECT_FALSE(RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("Software")));
    EXPECT_THROW(
        RegistryKey::open(RegistryRoot::CurrentUser, QStringLiteral("Software"), true), Exception);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{ damaged"));
}

TEST_F(RegistryTest, MachineHiveDescribesTheMailLibraryAndIsReadOnly)
{
    auto messaging = RegistryKey::open(RegistryRoot::LocalMachine,
        QStringLiteral("SOFTWARE\\Microsoft\\Windows Messaging Subsystem"));
    ASSERT_TRUE(messaging);
    EXPECT_EQ(messaging->readString(QStringLiteral("MAPIX")), QStringLiteral("1"));
    EXPECT_EQ(messaging->readString(QStringLiteral("MAPI")), QStringLiteral("1"));
    auto clients
        = RegistryKey::open(RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\Clients\\Mail"));
    ASSERT_TRUE(clients);
    const QString client = clients->readString(QString()).value_or(QString());
    EXPECT_TRUE(clients->subKeyNames().contains(client));
    auto outlook = RegistryKey::open(
        RegistryRoot::LocalMachine, QStringLiteral("\\Software\\Clients\\Mail\\") + client);
    ASSERT_TRUE(outlook && outlook->readString(QStringLiteral("DLLPathEx")));
    EXPECT_TRUE(
        outlook->readString(QStringLiteral("DLLPathEx"))->endsWith(QStringLiteral("mapi32.dll")));
    EXPECT_THROW(messaging->writeString(QStringLiteral("MAPIX"), QStringLiteral("0")), Exception);
    EXPECT_THROW(
        RegistryKey::open(RegistryRoot::LocalMachine, QStringLiteral("New"), true), Exception);
}

TEST_F(RegistryTest, MachineOverrideFileChangesAndRemovesDefaults)
{
    writeMachineOverride(R"({"keys": {
        "SOFTWARE\\Microsoft\\Windows Messaging Subsystem": {"MAPIX": null, "MAPI": "0"},
        "SOFTWARE\\Clients\\Mail\\Outlook Express": {}}})");
    auto messaging = RegistryKey::open(RegistryRoot::LocalMachine,
        QStringLiteral("SOFTWARE\\Microsoft\\Windows Messaging Subsystem"));
    ASSERT_TRUE(messaging);
    EXPECT_FALSE(messaging->hasValue(QStringLiteral("MAPIX")));
    EXPECT_EQ(messaging->readString(QStringLiteral("MAPI")), QStringLiteral("0"));
    EXPECT_EQ(messaging->readString(QStringLiteral("MAPIXVER")), QStringLiteral("1.0.0.1"));
    EXPECT_TRUE(
        RegistryKey::open(RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\Clients\\Mail"))
            ->hasSubKey(QStringLiteral("outlook express")));
}

// The HTML handler sits under the classes root, which is the machine hive's SOFTWARE\Classes.
TEST_F(RegistryTest, HtmlHandlerIsReadThroughTheClassesRoot)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    EXPECT_EQ(HtmlOpenCommand(),
        opener.isEmpty() ? QString() : u'"' + opener + QStringLiteral("\" \"%1\""));

    writeMachineOverride(R"({"keys": {
        "SOFTWARE\\Classes\\htmlfile\\shell\\open\\command": {"": "\"C:\\Web\\browse.exe\" -nohome"}}})");
    EXPECT_EQ(HtmlOpenCommand(), QStringLiteral("\"C:\\Web\\browse.exe\" -nohome"));
    auto key = RegistryKey::open(RegistryRoot::ClassesRoot, QStringLiteral("HTMLFILE\\Shell"));
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->hasSubKey(QStringLiteral("open")));

    writeMachineOverride(R"({"keys": {"SOFTWARE\\Classes\\htmlfile": null}})");
    EXPECT_TRUE(HtmlOpenCommand().isEmpty());
}
