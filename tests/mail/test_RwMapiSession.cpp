// The session's loading, logon and logoff rules against the scripted library.

#include "MailTestEnv.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiSession.h"

#include <QLibrary>

#include <gtest/gtest.h>

namespace {

const QString kDoubles = QStringLiteral(MAPI_DOUBLE_DIR);

class SessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        useLibrary(QStringLiteral("full"));
        reset();
    }
    void TearDown() override
    {
        TRwMapiSessionV3().UnloadMapi();
        qunsetenv("VELLORAN_MAPI_DOUBLE_INIT");
        qunsetenv("VELLORAN_MAPI_DOUBLE_LOGON");
    }

    void useLibrary(const QString &kind)
    {
        m_home.useMailLibraryIn(kDoubles + QStringLiteral("/double_") + kind);
    }

    QLibrary &probe()
    {
        if (!m_probe.isLoaded()) {
            m_probe.setFileName(kDoubles + QStringLiteral("/double_full/libmapi32.so"));
            EXPECT_TRUE(m_probe.load()) << qPrintable(m_probe.errorString());
        }
        return m_probe;
    }
    int count(const char *call)
    {
        return reinterpret_cast<int (*)(const char *)>(probe().resolve("DoubleCount"))(call);
    }
    ULONG flags(const char *call)
    {
        return reinterpret_cast<ULONG (*)(const char *)>(probe().resolve("DoubleFlags"))(call);
    }
    QString text(const char *call)
    {
        return QString::fromUtf8(
            reinterpret_cast<const char *(*)(const char *)>(probe().resolve("DoubleText"))(call));
    }
    void reset() { reinterpret_cast<void (*)()>(probe().resolve("DoubleReset"))(); }

    static QString logonError(TRwMapiSessionV3 &session)
    {
        try {
            session.setActive(true);
        } catch (const Exception &e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

    ScopedConfigHome m_home;
    QLibrary m_probe;
};

} // namespace

TEST_F(SessionTest, LibraryThatCannotBeLoaded)
{
    TempDir broken;
    QFile junk(broken.file(QStringLiteral("libmapi32.so")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();
    m_home.useMailLibraryIn(broken.path());
    TRwMapiSessionV3 session;
    EXPECT_EQ(logonError(session),
        QStringLiteral("The mapi32.dll could not be loaded. Please check "
                       "if a MAPI client is installed!"));
    EXPECT_FALSE(session.Active());
}

TEST_F(SessionTest, LibraryWithoutTheLogonEntryPoint)
{
    useLibrary(QStringLiteral("nologon"));
    TRwMapiSessionV3 session;
    EXPECT_EQ(logonError(session),
        QStringLiteral("The loaded MAPI library does not support \"MAPILogonEx\"!"));
    EXPECT_FALSE(session.Active());
}

TEST_F(SessionTest, EachInitialiseFailureHasItsTextAndLeavesMapiUnloaded)
{
    const QString failed = QStringLiteral("RwLoadMAPI failed!\r\n");
    const std::pair<const char *, QString> cases[] = {
        { "80004005",
            QStringLiteral("There is no MAPI Client Library (like MS Outlook) installed, "
                           "or it is not the default MAPI client!") },
        { "80040106", failed + QStringLiteral("The Caller passed an invalid parameter or flag.") },
        { "80070057", failed + QStringLiteral("The Caller passed an invalid parameter or flag.") },
        { "80040108", failed + QStringLiteral("Check if system resources are exhausted.") },
        { "8004010E",
            failed
                + QStringLiteral("Not enough system resources were available to "
                                 "complete the operation.") },
        { "80040110",
            failed
                + QStringLiteral("The version of OLE installed on the workstation is "
                                 "not compatible with this version of MAPI.") },
        { "80040112",
            failed
                + QStringLiteral("MAPI sets up context specific to the current "
                                 "process.\r\nFailures may occur on Win16 if the "
                                 "number of processes exceeds a certain number, or on "
                                 "any system if available memory is exhausted.") },
        { "80040117",
            failed
                + QStringLiteral("(Windows NT only) The calling process is an NT "
                                 "service and registry keys required by MAPI could not "
                                 "be initialized.\r\nAdditional information may be "
                                 "available in the application event log.") },
        { "80040605", failed + QStringLiteral("The profile provider has encountered an error.") },
        { "8004010F",
            QStringLiteral("TRwMapiSessionImpl.RwLoadMAPI has raised the following "
                           "exception:\r\nThe requested object does not exist. "
                           "(-2147221233)") },
    };
    TRwMapiSessionV3 session;
    for (const auto &[code, expected] : cases) {
        qputenv("VELLORAN_MAPI_DOUBLE_INIT", code);
        EXPECT_EQ(logonError(session), expected) << code;
        EXPECT_EQ(RwMapiState::instance().mode, TRwMapiMode::NotLoaded) << code;
    }
    EXPECT_EQ(count("MAPILogonEx"), 0);
    qunsetenv("VELLORAN_MAPI_DOUBLE_INIT");
    session.setActive(true);
    EXPECT_TRUE(session.Active());
}

TEST_F(SessionTest, LogonPassesTrimmedValuesAndTheComputedFlags)
{
    TRwMapiSessionV3 session;
    session.LogonInfo.ProfileName = QStringLiteral("  Office  ");
    session.LogonInfo.Password = QStringLiteral(" secret ");
    session.setActive(true);
    ASSERT_TRUE(session.Active());
    EXPECT_EQ(flags("MAPILogonEx"), 0x100063u);
    EXPECT_EQ(text("MAPILogonEx"), QStringLiteral("Office"));
    EXPECT_EQ(text("Password"), QStringLiteral("secret"));
    EXPECT_EQ(session.LogonInfo.ProfileName, QStringLiteral("Office"));
    EXPECT_EQ(session.LogonInfo.Password, QStringLiteral("secret"));
    // No initialisation record without its two switches.
    EXPECT_EQ(flags("MAPIInitialize"), 0xFFFFFFFFu);

    TRwMapiSessionV3 dialogSession;
    dialogSession.LogonInfo.ProfileRequired = true;
    dialogSession.LogonInfo.NewSession = false;
    dialogSession.setActive(true);
    EXPECT_EQ(flags("MAPILogonEx"),
        MAPI_EXTENDED | MAPI_EXPLICIT_PROFILE | MAPI_TIMEOUT_SHORT | MAPI_LOGON_UI);
}

TEST_F(SessionTest, InitialisationRecordCarriesItsFlags)
{
    TRwMapiSessionV3 session;
    session.LogonInfo.MultiThreadedNotifications = true;
    session.setActive(true);
    EXPECT_EQ(flags("MAPIInitialize"), MAPI_MULTITHREAD_NOTIFICATIONS);
}

TEST_F(SessionTest, ActivatingALoggedOnSessionDoesNothing)
{
    TRwMapiSessionV3 session;
    int before = 0, after = 0, beforeOff = 0, afterOff = 0;
    session.BeforeLogon = [&](TRwMapiSessionV3 &) { ++before; };
    session.AfterLogon = [&](TRwMapiSessionV3 &) { ++after; };
    session.BeforeLogoff = [&](TRwMapiSessionV3 &) { ++beforeOff; };
    session.AfterLogoff = [&](TRwMapiSessionV3 &) { ++afterOff; };
    session.setActive(true);
    session.setActive(true);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(count("MAPILogonEx"), 1);
    EXPECT_EQ(count("MAPIInitialize"), 1);
    session.setActive(false);
    session.setActive(false);
    EXPECT_EQ(beforeOff, 1);
    EXPECT_EQ(afterOff, 1);
    EXPECT_EQ(count("Logoff"), 1);
    // A direct logoff raises no events.
    session.setActive(true);
    session.DoLogOff();
    EXPECT_EQ(afterOff, 1);
    EXPECT_FALSE(session.Active());
}

TEST_F(SessionTest, TheLogonHandlerRunsBeforeTheCallAndCanChangeValues)
{
    TRwMapiSessionV3 session;
    session.BeforeLogon = [](TRwMapiSessionV3 &s) { s.LogonInfo.NewSession = false; };
    session.setActive(true);
    EXPECT_EQ(flags("MAPILogonEx"), 0x100061u);
}

TEST_F(SessionTest, FailedLogonRaisesTheGeneralFormAndStaysLoggedOff)
{
    TRwMapiSessionV3 session;
    int after = 0;
    session.AfterLogon = [&](TRwMapiSessionV3 &) { ++after; };
    qputenv("VELLORAN_MAPI_DOUBLE_LOGON", "80040111");
    try {
        session.setActive(true);
        FAIL();
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.code(), MAPI_E_LOGON_FAILED);
        EXPECT_FALSE(e.isAbort());
        EXPECT_TRUE(e.message().startsWith(QStringLiteral(
            "TRwMapiSessionImpl.Logon has raised the following exception:\r\nThe logon")));
        EXPECT_TRUE(e.message().endsWith(QStringLiteral(" (-2147221231)")));
    }
    EXPECT_FALSE(session.Active());
    EXPECT_EQ(after, 0);
    qputenv("VELLORAN_MAPI_DOUBLE_LOGON", "80040113");
    try {
        session.setActive(true);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_TRUE(e.isAbort());
    }
}

TEST_F(SessionTest, ProfileNamesAndTheDefaultProfile)
{
    TRwMapiSessionV3 session;
    EXPECT_EQ(
        session.ProfileNames(QStringLiteral("\r\n")), QStringLiteral("Alpha\r\nBeta\r\nGamma\r\n"));
    EXPECT_EQ(session.ProfileNames(QStringLiteral(";")), QStringLiteral("Alpha;Beta;Gamma"));
    EXPECT_EQ(session.ProfileNames(QStringLiteral(";"), true), QStringLiteral("Beta"));
    EXPECT_EQ(session.DefaultProfileName(), QStringLiteral("Beta"));
    EXPECT_EQ(count("MAPIInitialize"), 1); // listing loaded MAPI once
}

TEST_F(SessionTest, SimpleProfileListComesFromTheUserRegistry)
{
    m_home.write(QStringLiteral("registry.json"),
        R"({"keys": {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles": {"DefaultProfile": "Home"}}})");
    TRwMapiSessionV3 session;
    session.LogonInfo.UseExtendedMapi = false;
    EXPECT_EQ(session.ProfileNames(QStringLiteral("\r\n")), QStringLiteral("Home\r\n"));
    EXPECT_EQ(session.DefaultProfileName(), QStringLiteral("Home"));
    EXPECT_EQ(RwMapiState::instance().mode, TRwMapiMode::NotLoaded);
}

TEST_F(SessionTest, UnloadLogsOtherSessionsOffAndTheNextLogonReloads)
{
    TRwMapiSessionV3 mainWindow;
    mainWindow.setActive(true);
    TRwMapiSessionV3 dialog;
    dialog.UnloadMapi();
    EXPECT_FALSE(mainWindow.Active());
    EXPECT_EQ(count("Logoff"), 1);
    EXPECT_EQ(count("MAPIUninitialize"), 1);
    EXPECT_EQ(RwMapiState::instance().mode, TRwMapiMode::NotLoaded);
    mainWindow.setActive(true);
    EXPECT_TRUE(mainWindow.Active());
    EXPECT_EQ(count("MAPIInitialize"), 2);
}

TEST_F(SessionTest, ModeMismatchesAreRefused)
{
    TRwMapiSessionV3 extended;
    extended.setActive(true);
    TRwMapiSessionV3 simple;
    simple.LogonInfo.UseExtendedMapi = false;
    EXPECT_EQ(logonError(simple),
        QStringLiteral("You are trying to execute a Simple MAPI call while "
                       "Extended MAPI is used!"));
    extended.UnloadMapi();
    simple.setActive(true);
    EXPECT_EQ(count("MAPILogon"), 1);
    EXPECT_EQ(count("MAPIInitialize"), 1); // Simple mode initialises nothing
    extended.LogonInfo.UseExtendedMapi = true;
    EXPECT_EQ(logonError(extended),
        QStringLiteral("You are trying to execute an Extended MAPI call "
                       "while Simple MAPI is used!"));
    simple.setActive(false);
    EXPECT_EQ(count("MAPILogoff"), 1);
}

TEST_F(SessionTest, LoggingOffAlsoLogsOffSharedSessions)
{
    TRwMapiSessionV3 first;
    TRwMapiSessionV3 shared;
    TRwMapiSessionV3 separate;
    shared.LogonInfo.Shared = true;
    first.setActive(true);
    shared.setActive(true);
    separate.setActive(true);
    first.setActive(false);
    EXPECT_FALSE(shared.Active());
    EXPECT_TRUE(separate.Active());
    EXPECT_EQ(count("Logoff"), 2);
}

TEST_F(SessionTest, DestroyingALoggedOnSessionLogsItOff)
{
    {
        TRwMapiSessionV3 session;
        session.setActive(true);
    }
    EXPECT_EQ(count("Logoff"), 1);
    EXPECT_TRUE(RwMapiState::instance().sessions.empty());
}

TEST_F(SessionTest, LogoffAfterMapiWasUnloadedBehindTheSessionsBack)
{
    TRwMapiSessionV3 session;
    session.setActive(true);
    RwUnloadMAPI(); // the library goes without logging the session off
    try {
        session.DoLogOff();
        FAIL();
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.message(),
            QStringLiteral("TRwMapiSessionImpl.DoLogOff failed, because MAPI is no "
                           "longer initialized!!\r\nMake sure you log off, before "
                           "you uninitialize MAPI!"));
    }
    EXPECT_FALSE(session.Active());
}
