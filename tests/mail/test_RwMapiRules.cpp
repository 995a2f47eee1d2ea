#include "mail/RwMapiErrors.h"
#include "mail/RwMapiLogonInfo.h"
#include "mail/RwMapiObjects.h"
#include "mail/RwMapiProfileAdmin.h"
#include "mail/RwRecipients.h"

#include <gtest/gtest.h>

TEST(LogonFlagsTest, StoredValuesGiveTheMainWindowFlags)
{
    TRwMapiLogonInfo info;
    EXPECT_EQ(info.LogonFlags(), 0x100063u);
    info.NewSession = false;
    EXPECT_EQ(info.LogonFlags(), 0x100061u);
    // The settings dialog's test logon names its profile.
    info.ProfileRequired = true;
    EXPECT_EQ(
        info.LogonFlags() & (MAPI_EXPLICIT_PROFILE | MAPI_USE_DEFAULT), MAPI_EXPLICIT_PROFILE);
    EXPECT_EQ(info.InitializeFlags(), 0u);
}

TEST(LogonFlagsTest, ExtendedOnlyFlagsVanishInSimpleMode)
{
    TRwMapiLogonInfo info;
    info.Shared = true;
    info.NoMail = true;
    info.ForceDownload = true;
    info.ShowServiceDialog = true;
    EXPECT_EQ(info.LogonFlags(),
        MAPI_EXTENDED | MAPI_ALLOW_OTHERS | MAPI_USE_DEFAULT | MAPI_FORCE_DOWNLOAD | MAPI_LOGON_UI
            | MAPI_NEW_SESSION | MAPI_NO_MAIL | MAPI_SERVICE_UI_ALWAYS | MAPI_TIMEOUT_SHORT);
    info.UseExtendedMapi = false;
    EXPECT_EQ(info.LogonFlags(), MAPI_FORCE_DOWNLOAD | MAPI_LOGON_UI | MAPI_NEW_SESSION);
}

TEST(LogonFlagsTest, DialogSwitchesExcludeEachOther)
{
    TRwMapiLogonInfo info;
    info.setShowPasswordDialog(true);
    EXPECT_FALSE(info.ShowLogonDialog());
    EXPECT_EQ(info.LogonFlags() & (MAPI_LOGON_UI | MAPI_PASSWORD_UI), MAPI_PASSWORD_UI);
    info.setShowLogonDialog(true);
    EXPECT_FALSE(info.ShowPasswordDialog());
    // Turning one off leaves the other as it is.
    info.setShowLogonDialog(false);
    EXPECT_FALSE(info.ShowPasswordDialog());
}

TEST(LogonFlagsTest, NtServiceTurnsDialogsAndSharingOffAndNoMailOn)
{
    TRwMapiLogonInfo info;
    info.Shared = true;
    info.ShowServiceDialog = true;
    info.MultiThreadedNotifications = true;
    info.setNtService(true);
    EXPECT_FALSE(info.Shared);
    EXPECT_FALSE(info.ShowLogonDialog());
    EXPECT_FALSE(info.ShowPasswordDialog());
    EXPECT_FALSE(info.ShowServiceDialog);
    EXPECT_TRUE(info.NoMail);
    // Dialogs switched on again afterwards still stay out of the flags of a service.
    info.ShowServiceDialog = true;
    info.Shared = true;
    EXPECT_EQ(info.LogonFlags(),
        MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION | MAPI_NO_MAIL | MAPI_NT_SERVICE
            | MAPI_TIMEOUT_SHORT);
    EXPECT_EQ(info.InitializeFlags(), MAPI_MULTITHREAD_NOTIFICATIONS | MAPI_NT_SERVICE);
}

TEST(RecipientParseTest, SplitsAtSemicolonsAndSkipsOnlyABlankLastPiece)
{
    EXPECT_EQ(ParseRecipients(QStringLiteral("a@b.com;c@d.com;"), MAPI_TO).size(), 2);
    EXPECT_EQ(ParseRecipients(QStringLiteral("a@b.com; c@d.com ;  "), MAPI_CC).size(), 2);
    EXPECT_TRUE(ParseRecipients(QString(), MAPI_TO).isEmpty());
    EXPECT_TRUE(ParseRecipients(QStringLiteral("   "), MAPI_TO).isEmpty());
    try {
        ParseRecipients(QStringLiteral("a@b.com;;c@d.com"), MAPI_TO);
        FAIL() << "an empty piece must be refused";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("You can not add an empty recipient!"));
    }
    EXPECT_THROW(ParseRecipients(QStringLiteral(" ;a@b.com"), MAPI_TO), Exception);
}

TEST(RecipientParseTest, ReadsNamesAddressesAndTypes)
{
    struct Case
    {
        const char *text;
        TRwRecipient expected;
    };
    const QString smtp = QStringLiteral("SMTP");
    const Case cases[] = {
        { "Accounts <acc@example.com>",
            { MAPI_TO, QStringLiteral("Accounts"), smtp, QStringLiteral("acc@example.com") } },
        { "  Sales Team [sales@example.co.uk]  ",
            { MAPI_TO, QStringLiteral("Sales Team"), smtp,
                QStringLiteral("sales@example.co.uk") } },
        { "(x@example.com)",
            { MAPI_TO, QStringLiteral("(x@example.com)"), smtp, QStringLiteral("x@example.com") } },
        { "Fax <fax:0123 456>",
            { MAPI_TO, QStringLiteral("Fax"), QStringLiteral("FAX"), QStringLiteral("0123 456") } },
        { "Boss <smtp:boss@example.com>",
            { MAPI_TO, QStringLiteral("Boss"), smtp, QStringLiteral("boss@example.com") } },
        // Bracketed text without an at sign and without a type reads as a plain name.
        { "Someone <nobody>", { MAPI_TO, QStringLiteral("Someone <nobody>"), smtp, QString() } },
        { "/o=Org/cn=Recipients/cn=jim",
            { MAPI_TO, QStringLiteral("/o=Org/cn=Recipients/cn=jim"), QStringLiteral("EX"),
                QStringLiteral("/o=Org/cn=Recipients/cn=jim") } },
        { "jim@example.com",
            { MAPI_TO, QStringLiteral("jim@example.com"), smtp,
                QStringLiteral("jim@example.com") } },
        { "Jim Smith", { MAPI_TO, QStringLiteral("Jim Smith"), smtp, QString() } },
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseRecipient(QString::fromUtf8(c.text), MAPI_TO), c.expected) << c.text;
    EXPECT_EQ(ParseRecipients(QStringLiteral("a@b.com"), MAPI_BCC).front().Type, MAPI_BCC);
}

TEST(RecipientParseTest, AddressTest)
{
    for (const char *good : { "a@b.com", "first.last+tag@mail.example.org", "o'neil@x.co.uk" })
        EXPECT_TRUE(IsValidEmailAddress(QString::fromUtf8(good))) << good;
    for (const char *bad : { "@b.com", "a@b.c", "a@bcdef", "a@bcd.e", "a b@c.com", "a@b,c.com",
             "a@@bc.com", "plain", "" })
        EXPECT_FALSE(IsValidEmailAddress(QString::fromUtf8(bad))) << bad;
}

TEST(ProfileNamesTest, CrLfEndsEveryNameOtherSeparatorsJoin)
{
    const QStringList names { QStringLiteral("Alpha"), QStringLiteral("Beta"),
        QStringLiteral("Gamma") };
    EXPECT_EQ(JoinProfileNames(names, QStringLiteral("\r\n")),
        QStringLiteral("Alpha\r\nBeta\r\nGamma\r\n"));
    EXPECT_EQ(JoinProfileNames(names, QStringLiteral(";")), QStringLiteral("Alpha;Beta;Gamma"));
    EXPECT_EQ(JoinProfileNames({}, QStringLiteral("\r\n")), QString());
}

TEST(MapiErrorTextTest, GeneralFormCarriesClassOperationDescriptionAndSignedCode)
{
    EXPECT_EQ(MapiErrorMessage(QStringLiteral("TRwMapiSessionImpl"), QStringLiteral("Logon"),
                  MAPI_E_LOGON_FAILED),
        QStringLiteral("TRwMapiSessionImpl.Logon has raised the following exception:\r\n"
                       "The logon did not succeed, either because one or more of the "
                       "logon-parameters were invalid \r\nor because there were too many "
                       "sessions open already. (-2147221231)"));
    EXPECT_EQ(MapiErrorMessage(QStringLiteral("TRwMapiProfileAdmin"),
                  QStringLiteral("RetrieveMapiProfiles"), E_FAIL),
        QStringLiteral("TRwMapiProfileAdmin.RetrieveMapiProfiles has raised the following "
                       "exception:\r\nMAPI_E_CALL_FAILED (-2147467259)"));
    EXPECT_EQ(MapiErrorDescription(MakeResult(0x80041234u)), QStringLiteral("<unknown>"));
    EXPECT_EQ(MapiErrorDescription(MAPI_E_UNKNOWN_FLAGS), MapiErrorDescription(E_INVALIDARG));
    EXPECT_EQ(MapiErrorDescription(MAPI_E_UNKNOWN_CPID),
        QStringLiteral("The server is not configured to support the client''s code page."));
    EXPECT_EQ(MapiErrorDescription(MAPI_E_PROFILE_UNRESOLVED),
        QStringLiteral("The name specified for PR_PROFILE_UNRESOLVED_NAME is incorrect, "
                       "invalid, or otherwise not found."));
}

TEST(MapiErrorTextTest, CancelIsAbortKindOtherErrorsAreNot)
{
    try {
        RaiseMapiError(QStringLiteral("C"), QStringLiteral("Op"), MAPI_E_USER_CANCEL);
    } catch (const ERwMapiException &e) {
        EXPECT_TRUE(e.isAbort());
        EXPECT_EQ(e.code(), MAPI_E_USER_CANCEL);
    }
    try {
        RaiseMapiError(QStringLiteral("C"), QStringLiteral("Op"), MAPI_E_NOT_FOUND);
    } catch (const ERwMapiException &e) {
        EXPECT_FALSE(e.isAbort());
        EXPECT_EQ(e.message(),
            QStringLiteral("C.Op has raised the following exception:\r\n"
                           "The requested object does not exist. (-2147221233)"));
    }
}

TEST(MapiErrorTextTest, SimpleMapiCodes)
{
    EXPECT_EQ(SimpleMapiErrorText(3), QStringLiteral("Failed to logon."));
    EXPECT_EQ(SimpleMapiErrorText(15),
        QStringLiteral("The action failed, because of an invalid recipienttype"));
    EXPECT_EQ(
        SimpleMapiErrorText(26), QStringLiteral("The action is not supported by Simple MAPI."));
    EXPECT_EQ(SimpleMapiErrorText(7), QStringLiteral("Unknown error"));
    EXPECT_EQ(SimpleMapiErrorText(27), QStringLiteral("Unknown error"));
    EXPECT_EQ(ERwSimpleMapiException(14).code(), 14);
}

TEST(AttachmentNameTest, ShortNamesFollowTheEightDotThreeRule)
{
    EXPECT_EQ(ShortFileName(QStringLiteral("SI4711.PDF")), QStringLiteral("SI4711.PDF"));
    EXPECT_EQ(ShortFileName(QStringLiteral("Invoice 4711.pdf")), QStringLiteral("INVOIC~1.PDF"));
    EXPECT_EQ(ShortFileName(QStringLiteral("report.final.pdf")), QStringLiteral("REPORT~1.PDF"));
    EXPECT_EQ(ShortFileName(QStringLiteral("data.json")), QStringLiteral("DATA~1.JSO"));
    EXPECT_EQ(ShortPathName(QStringLiteral("/home/long folder/SI4711.PDF")),
        QStringLiteral("/home/LONGFO~1/SI4711.PDF"));
}
