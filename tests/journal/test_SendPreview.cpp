// The send preview as a plain function: the messages Send Tagged would send and every kind of
// problem it would meet.

#include "dispatch/MailRunEnv.h"
#include "dispatch/journal/SendPreview.h"
#include "dispatch/journal/ServerSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

PreviewDocument Row(const TempDir &dir, const QString &account, const QString &email,
    const QString &reference, int pdfBytes, bool tagged = true)
{
    PreviewDocument row;
    row.mail.tagged = tagged;
    row.mail.account = account + QStringLiteral("  "); // stored blank-padded
    row.mail.email = email;
    row.mail.type = QStringLiteral("I");
    row.mail.pdfPath = dir.file(reference + QStringLiteral(".PDF"));
    row.reference = reference;
    if (pdfBytes >= 0) {
        QFile file(row.mail.pdfPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(pdfBytes, 'x'));
    }
    return row;
}

} // namespace

TEST(SendPreview, OneLinePerAccountWithItsAddressDocumentsAndSize)
{
    TempDir dir;
    QList<PreviewDocument> rows {
        Row(dir, QStringLiteral("A1"), QStringLiteral("a@example.com"), QStringLiteral("I1"), 1000),
        Row(dir, QStringLiteral("A1"), QStringLiteral("a@example.com"), QStringLiteral("I2"), 500),
        Row(dir, QStringLiteral("A2"), QStringLiteral("b@example.com"), QStringLiteral("I3"), 10,
            false),
        Row(dir, QStringLiteral("A3"), QStringLiteral(" c@example.com; d@example.org "),
            QStringLiteral("I4"), 20),
    };
    const SendPreview preview = PreviewSendTagged(rows, 1 << 20);
    ASSERT_EQ(preview.messages.size(), 2); // A2's only row is not tagged
    EXPECT_EQ(preview.messages[0].account, u"A1");
    EXPECT_EQ(preview.messages[0].address, u"a@example.com");
    EXPECT_EQ(preview.messages[0].references,
        (QStringList { QStringLiteral("I1"), QStringLiteral("I2") }));
    EXPECT_EQ(preview.messages[0].attachmentBytes, 1500);
    EXPECT_EQ(preview.messages[1].address, u"c@example.com; d@example.org");
    EXPECT_TRUE(preview.problems.isEmpty()) << qPrintable(preview.problems.join(u'\n'));
}

TEST(SendPreview, ListsEveryKindOfProblem)
{
    TempDir dir;
    QList<PreviewDocument> rows {
        Row(dir, QStringLiteral("MISS"), QStringLiteral("m@example.com"), QStringLiteral("I1"), -1),
        Row(dir, QStringLiteral("BLANK"), QStringLiteral("   "), QStringLiteral("I2"), 10),
        Row(dir, QStringLiteral("BAD"), QStringLiteral("accounts at example"), QStringLiteral("I3"),
            10),
        Row(dir, QStringLiteral("BIG"), QStringLiteral("big@example.com"), QStringLiteral("I4"),
            300 * 1024),
        Row(dir, QStringLiteral("TWICE"), QStringLiteral("t@example.com"), QStringLiteral("I5"),
            10),
        Row(dir, QStringLiteral("TWICE"), QStringLiteral("t@example.com"), QStringLiteral("I6"),
            10),
    };
    rows[4].deliveredBefore = true;
    rows[5].markedSent = true;
    const SendPreview preview = PreviewSendTagged(rows, 256 * 1024);
    const QString all = preview.problems.join(u'\n');
    ASSERT_EQ(preview.problems.size(), 6) << qPrintable(all);
    EXPECT_TRUE(preview.problems[0].startsWith(u"PDF missing: I1 of account MISS"))
        << qPrintable(all);
    EXPECT_EQ(preview.problems[1], u"Account BLANK: the e-mail address is blank");
    EXPECT_EQ(
        preview.problems[2], u"Account BAD: \"accounts at example\" is not an e-mail address");
    EXPECT_TRUE(preview.problems[3].startsWith(u"Account BIG: the message (about 419 KB)"))
        << qPrintable(all);
    EXPECT_TRUE(preview.problems[3].endsWith(u"is larger than the mail server accepts (256 KB)"));
    EXPECT_EQ(preview.problems[4], u"I5 of account TWICE was delivered by e-mail before");
    EXPECT_EQ(preview.problems[5], u"I6 of account TWICE is marked as sent");
    // The missing PDF does not go with its message, which is still listed.
    ASSERT_EQ(preview.messages.size(), 5);
    EXPECT_TRUE(preview.messages[0].references.isEmpty());

    // With no known limit, sizes are not judged.
    EXPECT_EQ(PreviewSendTagged(rows, 0).problems.size(), 5);
}

TEST(SendPreview, AddressShapes)
{
    for (const char *good : { "a@example.com", "first.last+tag@mail.example.co.uk",
             "a@example.com;b@example.org", " a@example.com ; b@example.org ;" })
        EXPECT_TRUE(LooksLikeAddresses(QString::fromLatin1(good))) << good;
    for (const char *bad : { "", " ", ";", "example.com", "a@", "@example.com", "a@example",
             "a b@example.com", "a@example.com, b@example.com", "a@@example.com",
             "a@example.com;oops", "<a@example.com>", "a@example." })
        EXPECT_FALSE(LooksLikeAddresses(QString::fromLatin1(bad))) << bad;
}

TEST(SendPreview, MessageSizeCountsBase64LinesAndRoomForHeaders)
{
    // 3 bytes become 4 characters; lines of 76 end in CR LF.
    EXPECT_EQ(EstimatedMessageSize(0), 8 * 1024);
    EXPECT_EQ(EstimatedMessageSize(57), 8 * 1024 + 76 + 2);
    EXPECT_EQ(EstimatedMessageSize(58), 8 * 1024 + 80 + 4);
    EXPECT_EQ(SizeText(1), u"1 KB");
    EXPECT_EQ(SizeText(1536 * 1024), u"1.5 MB");
}

// The SIZE the sending account's server announces, asked without sending or signing in.
TEST(SendPreview, ServerSizeLimitIsAskedOfTheDefaultProfilesServer)
{
    {
        LoopbackMailUser user(QStringLiteral("size"));
        ASSERT_TRUE(user.serverUp());
        const ServerSizeLimit limit = AskServerSizeLimit(QStringLiteral("no such profile"));
        EXPECT_TRUE(limit.known);
        EXPECT_EQ(limit.bytes, 100000);
        EXPECT_EQ(limit.account, u"Office");
        EXPECT_TRUE(user.received().isEmpty());
    }
    {
        LoopbackMailUser user(QStringLiteral("accept")); // announces no limit
        ASSERT_TRUE(user.serverUp());
        const ServerSizeLimit limit = AskServerSizeLimit(QStringLiteral("Office"));
        EXPECT_TRUE(limit.known);
        EXPECT_EQ(limit.bytes, 0);
    }
    // No profile at all: nothing is known.
    ScopedConfigHome empty;
    EXPECT_FALSE(AskServerSizeLimit(QString()).known);
}
