// The mail library as the session sees it: loaded by path, called by its exported names.

#include "platform/mapi/MapiDefs.h"
#include "platform/mapi/Transport.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>

#include <gtest/gtest.h>

namespace {

class EntryPointTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
        QDir().mkpath(m_home.file(QStringLiteral("velloran")));
        QFile profiles(m_home.file(QStringLiteral("velloran/mail-profiles.json")));
        ASSERT_TRUE(profiles.open(QIODevice::WriteOnly));
        profiles.write(QStringLiteral(R"({"profiles": [
            {"name": "Office", "default": true, "password": "pw", "senderAddress": "a@example.com",
             "store": "%1/store", "transport": {"kind": "drop", "folder": "%1/drop"}},
            {"name": "Home", "senderAddress": "h@example.com", "store": "%1/home",
             "transport": {"kind": "drop", "folder": "%1/drop"}}]})")
                           .arg(m_home.path())
                           .toUtf8());
        profiles.close();
        m_library.setFileName(
            QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/libmapi32.so"));
        ASSERT_TRUE(m_library.load()) << qPrintable(m_library.errorString());
        m_logon = reinterpret_cast<MAPILOGONEX>(m_library.resolve("MAPILogonEx"));
        m_init = reinterpret_cast<MAPIINITIALIZE>(m_library.resolve("MAPIInitialize"));
        m_uninit = reinterpret_cast<MAPIUNINITIALIZE>(m_library.resolve("MAPIUninitialize"));
        ASSERT_TRUE(m_logon && m_init && m_uninit);
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }

    HRESULT logon(const char *profile, const char *password, ULONG flags, IMAPISession **session)
    {
        return m_logon(0, profile, password, flags, session);
    }

    TempDir m_home;
    QByteArray m_saved;
    QLibrary m_library;
    MAPILOGONEX m_logon = nullptr;
    MAPIINITIALIZE m_init = nullptr;
    MAPIUNINITIALIZE m_uninit = nullptr;
};

} // namespace

TEST_F(EntryPointTest, LogonNeedsInitialisationTheRightPasswordAndAKnownProfile)
{
    IMAPISession *session = nullptr;
    EXPECT_EQ(logon("Office", "pw", MAPI_EXTENDED | MAPI_EXPLICIT_PROFILE, &session),
        MAPI_E_NOT_INITIALIZED);
    MAPIINIT_0 bad { 1, 0 };
    EXPECT_EQ(m_init(&bad), MAPI_E_VERSION);
    ASSERT_EQ(m_init(nullptr), S_OK);
    EXPECT_EQ(logon("Office", "wrong", MAPI_EXTENDED | MAPI_EXPLICIT_PROFILE, &session),
        MAPI_E_LOGON_FAILED);
    EXPECT_EQ(
        logon("Nowhere", "", MAPI_EXTENDED | MAPI_EXPLICIT_PROFILE, &session), MAPI_E_LOGON_FAILED);
    EXPECT_EQ(logon("Home", "", 0x40000000u, &session), MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(session, nullptr);
    // The default profile is used whatever name is given.
    ASSERT_EQ(
        logon("Home", "pw", MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, &session), S_OK);
    IMAPITable *stores = nullptr;
    ASSERT_EQ(session->GetMsgStoresTable(0, &stores), S_OK);
    stores->Release();
    EXPECT_EQ(session->Logoff(0, 0, 0), S_OK);
    EXPECT_EQ(session->GetMsgStoresTable(0, &stores), MAPI_E_INVALID_OBJECT);
    session->Release();
    m_uninit();
}

TEST_F(EntryPointTest, LogonWithoutNewSessionJoinsTheSharedSession)
{
    ASSERT_EQ(m_init(nullptr), S_OK);
    IMAPISession *first = nullptr;
    IMAPISession *second = nullptr;
    IMAPISession *third = nullptr;
    ASSERT_EQ(
        logon("Home", "", MAPI_EXTENDED | MAPI_ALLOW_OTHERS | MAPI_NEW_SESSION, &first), S_OK);
    ASSERT_EQ(logon("Home", "", MAPI_EXTENDED, &second), S_OK);
    ASSERT_EQ(logon("Home", "", MAPI_EXTENDED | MAPI_NEW_SESSION, &third), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, third);
    first->Release();
    second->Release();
    third->Release();
    m_uninit();
}

TEST(SendmailTransportTest, HandsTheMessageToTheCommandWithLfLineEnds)
{
    TempDir dir;
    const QString script = dir.file(QStringLiteral("fake-sendmail"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1/args'\ncat > '%1/message'\n"
                              "[ \"$FAIL\" = 1 ] && exit 75\nexit 0\n")
                   .arg(dir.path())
                   .toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TransportSettings settings;
    settings.kind = TransportSettings::Kind::Sendmail;
    settings.command = script + QStringLiteral(" -i");
    auto transport = Transport::create(settings, QString());
    const SendResult sent = transport->send(QStringLiteral("ledger@example.com"),
        { QStringLiteral("a@example.com"), QStringLiteral("b@example.com") },
        "Subject: x\r\n\r\nline\r\n");
    EXPECT_EQ(sent.code, S_OK) << sent.detail.toStdString();
    QFile args(dir.file(QStringLiteral("args")));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        args.readAll(), QByteArray("-i -f ledger@example.com -- a@example.com b@example.com\n"));
    QFile message(dir.file(QStringLiteral("message")));
    ASSERT_TRUE(message.open(QIODevice::ReadOnly));
    EXPECT_EQ(message.readAll(), QByteArray("Subject: x\n\nline\n"));

    qputenv("FAIL", "1");
    EXPECT_EQ(
        transport->send(QStringLiteral("l@example.com"), { QStringLiteral("a@example.com") }, "x")
            .code,
        E_FAIL);
    qunsetenv("FAIL");
    settings.command = dir.file(QStringLiteral("does-not-exist"));
    EXPECT_EQ(Transport::create(settings, QString())
                  ->send(QStringLiteral("l@example.com"), { QStringLiteral("a@example.com") }, "x")
                  .code,
        MAPI_E_NETWORK_ERROR);
}
