// Reading the IMAP server's folder list and choosing the Sent folder from it.

#include "platform/mapi/ImapSentCopy.h"

#include <gtest/gtest.h>

TEST(ImapList, FoldersInEveryFormAServerWritesThem)
{
    const QByteArray responses = "* LIST (\\HasNoChildren) \"/\" INBOX\r\n"
                                 "* LIST (\\HasNoChildren \\Sent) \"/\" \"Sent Items\"\r\n"
                                 "* list (\\Noselect) NIL \"Quote \\\"d\\\" \\\\ name\"\r\n"
                                 "* LIST () \".\" {11}\r\nLiteral Box\r\n"
                                 "* LIST (\\Trash) \"/\" \"&AMk-l&AOk-ments supprim&AOk-s\"\r\n"
                                 "* STATUS INBOX (MESSAGES 3)\r\n"
                                 "A4 OK LIST completed\r\n";
    const QList<ImapFolder> folders = ParseImapList(responses);
    ASSERT_EQ(folders.size(), 5);
    EXPECT_EQ(folders[0].name, QStringLiteral("INBOX"));
    EXPECT_EQ(folders[1].name, QStringLiteral("Sent Items"));
    EXPECT_EQ(folders[1].flags,
        (QStringList { QStringLiteral("\\HasNoChildren"), QStringLiteral("\\Sent") }));
    EXPECT_EQ(folders[2].name, QStringLiteral("Quote \"d\" \\ name"));
    EXPECT_EQ(folders[3].name, QStringLiteral("Literal Box"));
    EXPECT_TRUE(folders[3].flags.isEmpty());
    EXPECT_EQ(folders[4].name, QStringLiteral("Éléments supprimés"));
}

TEST(ImapList, SentFolderByFlagOrByName)
{
    const QList<ImapFolder> folders { { QStringLiteral("INBOX"), {} },
        { QStringLiteral("Archive"), {} },
        { QStringLiteral("Gesendet"),
            { QStringLiteral("\\HasNoChildren"), QStringLiteral("\\sent") } } };
    EXPECT_EQ(ChooseSentFolder(folders, QString()), QStringLiteral("Gesendet"));
    EXPECT_EQ(ChooseSentFolder(folders, QStringLiteral("Archive")), QStringLiteral("Archive"));
    EXPECT_EQ(ChooseSentFolder(folders, QStringLiteral("inbox")), QStringLiteral("INBOX"));
    // Other names are matched exactly: a configured folder that is not there is not found,
    // rather than the flagged one taken in its place.
    EXPECT_TRUE(ChooseSentFolder(folders, QStringLiteral("archive")).isEmpty());
    EXPECT_TRUE(ChooseSentFolder(folders.mid(0, 2), QString()).isEmpty());
}

TEST(ImapList, MailboxNamesRoundTripThroughModifiedUtf7)
{
    const QList<QPair<QString, QByteArray>> cases {
        { QStringLiteral("Sent"), "Sent" },
        { QStringLiteral("R&D"), "R&-D" },
        { QStringLiteral("Éléments envoyés"), "&AMk-l&AOk-ments envoy&AOk-s" },
        { QStringLiteral("送信済み"), "&kAFP4W4IMH8-" },
        { QStringLiteral("Gesendete Objekte/März"), "Gesendete Objekte/M&AOQ-rz" },
    };
    for (const auto &[name, encoded] : cases) {
        EXPECT_EQ(EncodeMailboxName(name), encoded) << name.toStdString();
        EXPECT_EQ(DecodeMailboxName(encoded), name) << encoded.toStdString();
    }
}
