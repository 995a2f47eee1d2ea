// The journal table on its own: created by the engine, rows written and read back (also by
// another reader), two workstations appending at once, a journal that cannot be written, the
// rows a crashed run leaves unanswered, and the print run's rows.

#include "data/DispatchJournal.h"
#include "data/StatusTableOps.h"
#include "dispatch/PrintDispatch.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/DesktopVerbs.h"
#include "platform/shell/ScriptedVerbs.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <set>

namespace {

const QString Company = QStringLiteral("Z");

class JournalTableTest : public ::testing::Test
{
protected:
    JournalTableTest()
    {
        connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder);
    }

    QString path(const QString &extension) const
    {
        return QDir(folder).filePath(JournalTableName(Company) + extension);
    }

    TempDir dir;
    QString folder = dir.path();
    ScopedMessages messages;
    db::Connection connection;
    db::Command command { connection };
    db::Query query { connection };
};

// The records of the journal as python's dbfread reads them: "<id> <ref> <result>" a line.
QStringList ReadByDbfread(const QString &dbf)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import dbfread,sys\n"
                           "for r in dbfread.DBF(sys.argv[1], char_decode_errors='strict'):\n"
                           "    print(int(r['JL_ID']), r['JL_REF'], r['JL_RESULT'])\n"),
            dbf });
    python.waitForFinished(120000);
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST_F(JournalTableTest, RowsOfEveryAttemptAreKeptWithWhoWhereAndWhyAndAnotherReaderAgrees)
{
    ASSERT_TRUE(EnsureJournalTable(command, folder, Company));
    ASSERT_TRUE(QFile::exists(path(QStringLiteral(".dbf"))));
    ASSERT_TRUE(QFile::exists(path(QStringLiteral(".cdx"))));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    {
        DispatchJournal journal(connection, folder, Company);
        journal.record({ JournalChannel::Mail, { 7, 9 }, QStringLiteral("a@example.com"),
            QStringLiteral("id-1@example.com"), true, {} });
        journal.record({ JournalChannel::Mail, { 12 }, QStringLiteral("x@refused.invalid"), {},
            false, QStringLiteral("Recipient refused:\r\n550 mailbox unavailable") });
        journal.record({ JournalChannel::Paper, { 7 }, QStringLiteral("Office"), QString(300, u'j'),
            true, {} });
        EXPECT_FALSE(journal.failed());
        EXPECT_EQ(journal.delivered(), (QSet<qint64> { 7, 9 }));
    }
    // An existing journal is kept, rows and all.
    EXPECT_FALSE(EnsureJournalTable(command, folder, Company));

    const QList<JournalEntry> rows = ReadJournal(query, Company);
    ASSERT_EQ(rows.size(), 4);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    for (const JournalEntry &row : rows) {
        EXPECT_EQ(row.user, JournalUserName());
        EXPECT_EQ(row.workstation, JournalWorkstationName());
        EXPECT_TRUE(row.when >= before && row.when <= after) << qPrintable(row.when.toString());
        EXPECT_FALSE(row.asked);
    }
    EXPECT_EQ(rows[0].document, 7);
    EXPECT_EQ(rows[1].document, 9);
    EXPECT_EQ(rows[1].reference, u"id-1@example.com");
    EXPECT_TRUE(rows[1].accepted);
    EXPECT_EQ(rows[2].channel, JournalChannel::Mail);
    EXPECT_FALSE(rows[2].accepted);
    EXPECT_EQ(rows[2].destination, u"x@refused.invalid");
    // The reason reads on one line.
    EXPECT_EQ(rows[2].reason, u"Recipient refused:  550 mailbox unavailable");
    EXPECT_EQ(rows[3].channel, JournalChannel::Paper);
    EXPECT_EQ(rows[3].reference, QString(254, u'j')); // cut to the column's width
    EXPECT_EQ(rows[0].run, rows[3].run);

    // One document's rows, newest first: the paper row of 7 before its e-mail row.
    const QList<JournalEntry> seven = ReadDocumentJournal(query, Company, 7);
    ASSERT_EQ(seven.size(), 2);
    EXPECT_EQ(seven[0].channel, JournalChannel::Paper);
    EXPECT_EQ(seven[1].channel, JournalChannel::Mail);
    EXPECT_EQ(
        ReadDeliveredDocuments(query, Company, JournalChannel::Mail), (QSet<qint64> { 7, 9 }));

    const QStringList other = ReadByDbfread(path(QStringLiteral(".dbf")));
    EXPECT_EQ(other,
        (QStringList { QStringLiteral("7 id-1@example.com ACCEPTED"),
            QStringLiteral("9 id-1@example.com ACCEPTED"), QStringLiteral("12  REFUSED"),
            QStringLiteral("7 ") + QString(254, u'j') + QStringLiteral(" ACCEPTED") }));
    EXPECT_TRUE(messages->entries.isEmpty());
}

// Two workstations append at once, each under the header lock: every row of both is there once,
// and the index on the document id holds exactly the keys of the records.
TEST_F(JournalTableTest, TwoProcessesAppendingAtOnceLoseNoRowAndKeepTheIndexTrue)
{
    ASSERT_TRUE(EnsureJournalTable(command, folder, Company));
    connection.close();
    constexpr int Rows = 250;
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(JOURNAL_APPEND),
        { folder, QStringLiteral("A"), QStringLiteral("1"), QString::number(Rows) });
    second.start(QStringLiteral(JOURNAL_APPEND),
        { folder, QStringLiteral("B"), QStringLiteral("100001"), QString::number(Rows) });
    ASSERT_TRUE(first.waitForFinished(240000));
    ASSERT_TRUE(second.waitForFinished(240000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();

    std::set<QString> references;
    for (const JournalEntry &row : ReadJournal(query, Company)) {
        const bool second = row.document > 100000;
        EXPECT_EQ(row.reference,
            (second ? QStringLiteral("B-") : QStringLiteral("A-"))
                + QString::number(row.document - (second ? 100001 : 1)));
        references.insert(row.reference);
    }
    EXPECT_EQ(references.size(), size_t(2 * Rows));
    EXPECT_EQ(ReadByDbfread(path(QStringLiteral(".dbf"))).size(), 2 * Rows);

    // The index: every record's key, no other, each pointing at its record.
    const auto opened = vfp::OpenTable(path(QStringLiteral(".dbf")).toStdString());
    const auto *table = dynamic_cast<const vfp::DbfTable *>(opened.get());
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->index(), nullptr);
    ASSERT_EQ(table->index()->tags().size(), 1u);
    const vfp::CdxTag &tag = table->index()->tags().front();
    std::vector<vfp::CdxKey> expected;
    for (uint32_t r = 1; r <= table->recordCount(); ++r) {
        const auto key = table->keyFor(tag, table->recordBytes(r).data());
        ASSERT_TRUE(key.has_value());
        expected.push_back({ *key, r });
    }
    std::sort(expected.begin(), expected.end(), vfp::CdxKeyLess);
    const std::vector<vfp::CdxKey> actual = table->index()->keys(tag, table->padFor(tag));
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].key, expected[i].key) << i;
        EXPECT_EQ(actual[i].recno, expected[i].recno) << i;
    }
    // A document's rows are found through the index.
    EXPECT_EQ(ReadDocumentJournal(query, Company, 100001 + Rows - 1).size(), 1);
    EXPECT_EQ(ReadDocumentJournal(query, Company, Rows).size(), 1);
}

// A journal that cannot be written never stops the run: the user is told once, and what the
// run delivered is still known for its marking question.
TEST_F(JournalTableTest, JournalThatCannotBeWrittenIsToldOnceAndTheRunGoesOn)
{
    for (const QString &extension : { QStringLiteral(".dbf"), QStringLiteral(".cdx") }) {
        QFile file(path(extension));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a table");
    }
    DispatchJournal journal(connection, folder, Company);
    for (qint64 id = 1; id <= 3; ++id)
        journal.record({ JournalChannel::Mail, { id }, QStringLiteral("a@example.com"),
            QStringLiteral("m"), id != 2, {} });
    EXPECT_TRUE(journal.failed());
    EXPECT_FALSE(journal.written());
    EXPECT_EQ(journal.delivered(), (QSet<qint64> { 1, 3 }));
    ASSERT_EQ(messages->entries.size(), 1);
    EXPECT_EQ(messages->entries[0].kind, MessageService::Kind::Warning);
    EXPECT_TRUE(messages->entries[0].text.contains(u"cannot be written"))
        << qPrintable(messages->entries[0].text);
}

// What a run that never reached its marking question leaves: only this workstation's accepted
// rows of the channel, not yet answered; a station whose name merely starts the same is another.
TEST_F(JournalTableTest, UnansweredDeliveriesAreThisWorkstationsOnlyUntilTheirRunIsAnswered)
{
    ASSERT_TRUE(EnsureJournalTable(command, folder, Company));
    DispatchJournal crashed(connection, folder, Company);
    crashed.record({ JournalChannel::Mail, { 1, 2 }, QStringLiteral("a@example.com"),
        QStringLiteral("m1"), true, {} });
    crashed.record({ JournalChannel::Mail, { 3 }, QStringLiteral("b@refused.invalid"), {}, false,
        QStringLiteral("refused") });
    crashed.record({ JournalChannel::Paper, { 4 }, QStringLiteral("Office"),
        QStringLiteral("job-1"), true, {} });
    DispatchJournal answered(connection, folder, Company);
    answered.record({ JournalChannel::Mail, { 5 }, QStringLiteral("c@example.com"),
        QStringLiteral("m2"), true, {} });
    MarkRunsAsked(command, Company, { answered.run() });
    const QString table = JournalTableName(Company);
    command.execute(QStringLiteral("INSERT INTO ") + table
        + QStringLiteral(
            " (JL_ID, JL_CHANNEL, JL_STATION, JL_RESULT, JL_RUN) VALUES (6, 'E-MAIL', '")
        + JournalWorkstationName() + QStringLiteral("X', 'ACCEPTED', 'other')"));

    const auto documents = [&](JournalChannel channel) {
        QList<qint64> ids;
        for (const JournalEntry &entry :
            ReadUnaskedDeliveries(query, Company, channel, JournalWorkstationName()))
            ids.append(entry.document);
        return ids;
    };
    EXPECT_EQ(documents(JournalChannel::Mail), (QList<qint64> { 1, 2 }));
    EXPECT_EQ(documents(JournalChannel::Paper), (QList<qint64> { 4 }));

    // Of those, the ones the status table does not show as sent (no status row is not sent).
    EnsureStatusTable(command, folder, Company);
    SetStatusFlag(query, command, Company, QStringLiteral("2"), StatusFlag::Sent, true);
    SetStatusFlag(query, command, Company, QStringLiteral("1"), StatusFlag::Printed, true);
    EXPECT_EQ(
        UnmarkedDocuments(query, Company, { 1, 2, 9 }, StatusFlag::Sent), (QList<qint64> { 1, 9 }));
    EXPECT_EQ(
        UnmarkedDocuments(query, Company, { 1, 2 }, StatusFlag::Printed), (QList<qint64> { 2 }));

    MarkRunsAsked(command, Company, { crashed.run() });
    EXPECT_TRUE(documents(JournalChannel::Mail).isEmpty());
    EXPECT_TRUE(documents(JournalChannel::Paper).isEmpty());
}

// The print run records each request as the print system answers it: the printer, the job's id
// when accepted, the reason when not.
TEST_F(JournalTableTest, PrintRunRecordsEachJobWithItsIdOrItsReason)
{
    const QString pdf = dir.file(QStringLiteral("I1.PDF"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4");
    file.close();
    const PrinterInfo office { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} };
    ScriptedPrintSystem printing({ office }, QStringLiteral("Office"));
    ScriptedVerbs verbs;
    struct : DispatchProgress
    {
        void setCaption(const QString &) override { }
    } progress;
    const QList<PrintDocument> rows {
        { QStringLiteral("A1"), QStringLiteral("I1"), QStringLiteral("I1.PDF"), pdf, 1, true },
        { QStringLiteral("A1"), QStringLiteral("I2"), QStringLiteral("I2.PDF"),
            dir.file(QStringLiteral("I2.PDF")), 2, true },
        { QStringLiteral("A2"), QStringLiteral("I3"), QStringLiteral("I1.PDF"), pdf, 3, true },
    };
    DispatchJournal journal(connection, folder, Company);
    const QList<qint64> accepted
        = PrintTaggedDocuments(rows, office, printing, verbs, progress, &journal);
    EXPECT_EQ(accepted, (QList<qint64> { 1, 3 }));

    const QList<JournalEntry> written = ReadJournal(query, Company);
    ASSERT_EQ(written.size(), 3);
    EXPECT_EQ(written[0].reference, u"job-1");
    EXPECT_EQ(written[2].reference, u"job-3");
    EXPECT_FALSE(written[1].accepted);
    EXPECT_TRUE(written[1].reference.isEmpty());
    EXPECT_EQ(written[1].reason, u"The PDF file was not found");
    for (const JournalEntry &row : written) {
        EXPECT_EQ(row.channel, JournalChannel::Paper);
        EXPECT_EQ(row.destination, u"Office");
    }
}

// The desktop's print verbs tell the job the print system took, and nothing after a refusal or
// another verb, so a journal row never carries an earlier job's id.
TEST(PrintJobId, DesktopVerbsTellTheJobOfTheirLastPrintRequestOnly)
{
    TempDir dir;
    const QString pdf = dir.file(QStringLiteral("I1.PDF"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4");
    file.close();
    ScriptedPrintSystem printing(
        { { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} },
            { QStringLiteral("Labels"), QStringLiteral("Labels"), {}, {} } },
        QStringLiteral("Office"));
    printing.refuseDevice(QStringLiteral("Labels"));
    DesktopVerbs verbs(DesktopTools {}, &printing);
    EXPECT_TRUE(
        VerbSucceeded(verbs.execute(QStringLiteral("print"), pdf, {}, {}, VerbShow::Minimised)));
    EXPECT_EQ(verbs.lastPrintJob(), u"Office-1");
    EXPECT_TRUE(VerbSucceeded(verbs.execute(QStringLiteral("printto"), pdf,
        QStringLiteral("\"Office\" \"\" \"\""), {}, VerbShow::Minimised)));
    EXPECT_EQ(verbs.lastPrintJob(), u"Office-2");
    EXPECT_FALSE(VerbSucceeded(verbs.execute(QStringLiteral("printto"), pdf,
        QStringLiteral("\"Labels\" \"\" \"\""), {}, VerbShow::Minimised)));
    EXPECT_TRUE(verbs.lastPrintJob().isEmpty());
    EXPECT_FALSE(VerbSucceeded(verbs.execute(QStringLiteral("print"),
        dir.file(QStringLiteral("none.pdf")), {}, {}, VerbShow::Minimised)));
    EXPECT_TRUE(verbs.lastPrintJob().isEmpty());
}
