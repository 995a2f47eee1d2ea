// The mail library logs on with the password the keyring holds and sends with it.

#include "KeyringTestEnv.h"
#include "SmtpTestServer.h"
#include "mail/RwMapiErrors.h"
#include "mail/RwMapiSession.h"
#include "platform/keyring/SecretStore.h"
#include "platform/mapi/MapiDefs.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <gtest/gtest.h>

TEST(KeyringLogon, TheLibrarySendsWithTheKeyringPasswordAndRefusesALogonWithoutIt)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    const TempDir spool;
    const SmtpTestServer server(spool.path(), QStringLiteral("auth"));
    ASSERT_NE(server.port(), 0);
    home.writeProfiles(QStringLiteral(R"({"profiles": [{"name": "Keyed", "default": true,
        "senderAddress": "ledger@example.com", "store": "%1/store",
        "transport": {"kind": "smtp", "url": "%2", "starttls": "none", "username": "user",
        "passwordIn": "keyring"}}]})")
                           .arg(spool.path(), server.url())
                           .toUtf8());
    const SecretStore keyring;
    ASSERT_TRUE(
        keyring.write(SecretStore::smtpKey(QStringLiteral("Keyed")), QStringLiteral("right")).ok());

    QLibrary library(
        QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/libmapi32.so"));
    ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
    const auto logon = reinterpret_cast<LPMAPILOGON>(library.resolve("MAPILogon"));
    const auto logoff = reinterpret_cast<LPMAPILOGOFF>(library.resolve("MAPILogoff"));
    const auto send = reinterpret_cast<LPMAPISENDMAIL>(library.resolve("MAPISendMail"));
    ASSERT_TRUE(logon && logoff && send);

    LHANDLE session = 0;
    ASSERT_EQ(logon(0, "Keyed", "", 0, 0, &session), ULONG(SUCCESS_SUCCESS));
    char to[] = "SMTP:customer@example.com";
    char subject[] = "Keyring";
    MapiRecipDesc recipient { 0, MAPI_TO, nullptr, to, 0, nullptr };
    MapiMessage message {};
    message.lpszSubject = subject;
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    EXPECT_EQ(send(session, 0, &message, 0, 0), ULONG(SUCCESS_SUCCESS));
    EXPECT_TRUE(QFile::exists(spool.file(QStringLiteral("msg-1.eml"))))
        << "the server accepted only user/right";
    logoff(session, 0, 0, 0);

    // Without the secret the logon fails, instead of sending with no password.
    ASSERT_TRUE(keyring.remove(SecretStore::smtpKey(QStringLiteral("Keyed"))).ok());
    session = 0;
    EXPECT_EQ(logon(0, "Keyed", "", 0, 0, &session), ULONG(MAPI_E_LOGIN_FAILURE));
    EXPECT_EQ(session, LHANDLE(0));
}

// The program's mail session tells the user why, not only the logon's code.
TEST(KeyringLogon, TheSessionSaysTheKeyringLacksThePassword)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    home.writeProfiles(QStringLiteral(R"({"profiles": [{"name": "Lacking", "default": true,
        "senderAddress": "ledger@example.com", "store": "%1/store",
        "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:9", "username": "user",
        "passwordIn": "keyring"}}]})")
                           .arg(home.path())
                           .toUtf8());
    TRwMapiSessionV3 session;
    try {
        session.setActive(true);
        ADD_FAILURE() << "logged on without the password";
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.code(), MAPI_E_LOGON_FAILED);
        EXPECT_TRUE(e.message().startsWith(MapiErrorMessage(
            QStringLiteral("TRwMapiSessionImpl"), QStringLiteral("Logon"), MAPI_E_LOGON_FAILED)))
            << qPrintable(e.message());
        EXPECT_TRUE(e.message().contains(QStringLiteral("keyring holds no password")))
            << qPrintable(e.message());
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"Lacking\""))) << qPrintable(e.message());
    }
    EXPECT_FALSE(session.Active());
    session.UnloadMapi();
}
