// Display's build against a company written as real FoxPro files.
#include "CompanyFolder.h"
#include "ReviewObjects.h"

#include "data/DeliveryNoteOps.h"
#include "data/StatusTableOps.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "review/ReviewBuild.h"
#include "util/Errors.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QString Z = QStringLiteral("Z");

CompanyData Sample()
{
    CompanyData data;
    const QDate day(2011, 1, 18);
    data.customers
        = { { QStringLiteral("C001"), QStringLiteral("Alpha Ltd"), QStringLiteral("a@x.test"), 8 },
              { QStringLiteral("C002"), QStringLiteral("Beta"), QStringLiteral("b@x.test"), 2 } };
    data.documents = {
        { QStringLiteral("C002"), QStringLiteral("SI0002"), day, QStringLiteral("I"), 100, 100,
            QStringLiteral("SI0002.PDF"), 1 },
        { QStringLiteral("C001"), QStringLiteral("SI0001"), day, QStringLiteral("I"), 50, 50,
            QStringLiteral("SI0001.PDF"), 2 },
        { QStringLiteral("C001"), QStringLiteral("CN7"), day, QStringLiteral("C"), -10, -10,
            QStringLiteral("CN7.PDF"), 3 },
        { QStringLiteral("C001"), QStringLiteral("SI0003"), day, QStringLiteral("I"), 20, 0,
            QStringLiteral("SI0003.PDF"), 4 },
        { QStringLiteral("C001"), QStringLiteral("SI0004"), day, QStringLiteral("I"), 20, 20,
            QStringLiteral("SI0004.pdf"), 5 },
        { QStringLiteral("C001"), QStringLiteral("PAY1"), day, QStringLiteral("R"), 20, 20,
            QStringLiteral("PAY1.PDF"), 6 },
        { QStringLiteral("C003"), QStringLiteral("SI0005"), day, QStringLiteral("I"), 5, 5,
            QStringLiteral("SI0005.PDF"), 7 },
    };
    data.invoiceLines = { { QStringLiteral("SI0001"), QStringLiteral("D2") },
        { QStringLiteral("SI0001"), QStringLiteral("D1") },
        { QStringLiteral("SI0002"), QStringLiteral("D3") } };
    data.invoiceHeads = { { QStringLiteral("CN7"), QStringLiteral("D9") } };
    data.pdfFiles
        = { QStringLiteral("si0002.pdf"), QStringLiteral("CN7.PDF"), QStringLiteral("SI0005.PDF") };
    return data;
}

class RecordingProgress : public BuildProgress
{
public:
    void setCaption(const QString &caption) override { captions.append(caption); }
    void setMax(int value) override { max = value; }
    void setPosition(int value) override { position = value; }

    QStringList captions;
    int max = -1;
    int position = -1;
};

// The main window's objects of a build, on one connection.
class ReviewBuild : public ::testing::Test, protected ReviewObjects
{
protected:
    void SetUp() override
    {
        folder = temp.path();
        connection.setConnectionString(WriteCompany(folder, Z, Sample()));
        inputs.dataFolder = folder;
        inputs.companyId = Z;
        inputs.filter.excludeSent = true;
        inputs.filter.excludeAllocated = true;
        inputs.sortClause = QStringLiteral("ORDER BY st_account, st_trref");
    }

    int build()
    {
        ReviewBuildObjects objects = buildObjects();
        return BuildReviewList(objects, inputs, progress, filterClause);
    }

    QList<qint64> ids()
    {
        QList<qint64> out;
        for (list.first(); !list.eof(); list.next())
            out.append(list.value(ReviewField::id).toLongLong());
        return out;
    }

    const ReviewRow &rowOf(qint64 id)
    {
        EXPECT_TRUE(list.locate(QStringLiteral("id"), id));
        return list.current();
    }

    TempDir temp;
    QString folder;
    ReviewBuildInputs inputs;
    RecordingProgress progress;
    QString filterClause;
};

TEST_F(ReviewBuild, ListsPdfDocumentsInAccountOrderWithTheirFlags)
{
    inputs.showDelNotes = true;
    EXPECT_EQ(build(), 4);
    // Lower-case ".pdf", other document types and zero balances are left out.
    EXPECT_EQ(ids(), (QList<qint64> { 3, 2, 1, 7 }));
    EXPECT_EQ(RecordCountLabel(4), QStringLiteral("4 recs"));
    EXPECT_EQ(filterClause.size(), 139);
    EXPECT_EQ(progress.max, 4);
    EXPECT_EQ(progress.position, 4);
    ASSERT_GE(progress.captions.size(), 3);
    EXPECT_EQ(progress.captions.at(0), QStringLiteral("Preparing Query"));
    EXPECT_EQ(progress.captions.at(1), QStringLiteral("Building Results"));
    EXPECT_EQ(progress.captions.at(2),
        QStringLiteral("Building Results [1 of 4]  [")
            + QStringLiteral("Alpha Ltd").leftJustified(30) + u']');

    const ReviewRow &credit = rowOf(3);
    EXPECT_EQ(credit.st_account, QStringLiteral("C001    "));
    EXPECT_EQ(credit.st_memot, QStringLiteral("CN7.PDF").leftJustified(24));
    EXPECT_TRUE(credit.Exists);
    EXPECT_TRUE(credit.MailInv);
    EXPECT_EQ(credit.it_numdelv, QStringLiteral("D9        "));
    EXPECT_DOUBLE_EQ(credit.st_trbal, -10);
    EXPECT_EQ(credit.st_trdate, QDate(2011, 1, 18));

    const ReviewRow &missingPdf = rowOf(2);
    EXPECT_FALSE(missingPdf.Exists); // listed all the same
    EXPECT_EQ(missingPdf.it_numdelv, QStringLiteral("D1        ")); // first pair in order
    EXPECT_TRUE(rowOf(1).Exists); // the file's name differs only in letter case
    EXPECT_FALSE(rowOf(1).MailInv);

    const ReviewRow &noCustomer = rowOf(7);
    EXPECT_EQ(noCustomer.sn_name.trimmed(), QString());
    EXPECT_FALSE(noCustomer.MailInv);
    EXPECT_FALSE(noCustomer.Tag || noCustomer.zrqtag || noCustomer.zrqsent || noCustomer.zrqprint);
    EXPECT_TRUE(noCustomer.it_numdelv.isEmpty());

    // The status table was created beside the company.
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf"))));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.cdx"))));
}

TEST_F(ReviewBuild, WithoutDeliveryNotesTheColumnStaysEmpty)
{
    build();
    for (list.first(); !list.eof(); list.next())
        EXPECT_TRUE(list.current().it_numdelv.isEmpty());
    EXPECT_FALSE(notes.isReadFor(Z));
}

TEST_F(ReviewBuild, StoredFlagsAreReadBackAndExcluded)
{
    build();
    SetStatusFlag(qryChk, command, Z, QStringLiteral("2"), StatusFlag::Sent, true);
    SetStatusFlag(qryChk, command, Z, QStringLiteral("1"), StatusFlag::Tag, TagAllAssignment);
    SetStatusFlag(qryChk, command, Z, QStringLiteral("1"), StatusFlag::Printed, true);
    // Clearing a flag where there is no row inserts nothing.
    UpdateStatusFlag(command, Z, QStringLiteral("7"), TagNoneAssignment);

    build();
    EXPECT_EQ(ids(), (QList<qint64> { 3, 1, 7 })); // the sent document is left out
    EXPECT_TRUE(rowOf(1).Tag);
    EXPECT_TRUE(rowOf(1).zrqtag);
    EXPECT_TRUE(rowOf(1).zrqprint);
    EXPECT_FALSE(rowOf(1).zrqsent);

    inputs.filter.excludePrinted = true;
    inputs.filter.excludeSent = false;
    build();
    EXPECT_EQ(ids(), (QList<qint64> { 3, 2, 7 }));

    // One row per document: the second flag of document 1 only updated its row.
    qryChk.setSql(QStringLiteral("SELECT * FROM Z_ST_ZRQ"));
    qryChk.open();
    EXPECT_EQ(qryChk.recordCount(), 2);
    qryChk.close();
}

TEST_F(ReviewBuild, StatusTableReadableByAnotherReader)
{
    build();
    SetStatusFlag(qryChk, command, Z, QStringLiteral("3"), StatusFlag::Sent, true);
    connection.close(); // releases the files
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral(
                "import dbfread,sys\n"
                "for r in dbfread.DBF(sys.argv[1]):\n"
                "    print(int(r['ST_ID']), r['ST_ZRQTAG'], r['ST_ZRQSENT'], r['ST_ZRQPRNT'])"),
            QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf")) });
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(),
        QStringLiteral("3 False True False"));
}

TEST_F(ReviewBuild, ExistingStatusTableIsNotCreatedAgain)
{
    EXPECT_TRUE(EnsureStatusTable(command, folder, Z));
    // The folder typed with a trailing separator names the same files.
    EXPECT_FALSE(EnsureStatusTable(command, folder + QStringLiteral("\\"), Z));
}

TEST_F(ReviewBuild, MissingIndexResendsTheScriptWithoutLosingFlags)
{
    build();
    SetStatusFlag(qryChk, command, Z, QStringLiteral("2"), StatusFlag::Sent, true);
    connection.close();
    ASSERT_TRUE(QFile::remove(QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.cdx"))));
    // The script is sent again; the engine keeps the existing table and rebuilds its index.
    EXPECT_TRUE(EnsureStatusTable(command, folder, Z));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.cdx"))));
    qryChk.setSql(QStringLiteral("SELECT * FROM Z_ST_ZRQ WHERE st_zrqsent"));
    qryChk.open();
    EXPECT_EQ(qryChk.recordCount(), 1);
}

TEST_F(ReviewBuild, UnopenableConnectionEndsTheBuildBeforeTheList)
{
    connection.setConnectionString(QStringLiteral("<None>"));
    EXPECT_THROW(build(), Exception);
    EXPECT_FALSE(list.isOpen());
    EXPECT_EQ(list.recordCount(), 0);
}

TEST_F(ReviewBuild, RejectedStatementLeavesTheListClosed)
{
    inputs.companyId = QStringLiteral("Q"); // no such tables
    EXPECT_THROW(build(), Exception);
    EXPECT_FALSE(list.isOpen());
}

TEST_F(ReviewBuild, LookupsAreReusedForTheSameCompanyOnly)
{
    EXPECT_TRUE(OpenDeliveryNotes(notes, qryInv, qryCN, Z));
    EXPECT_FALSE(OpenDeliveryNotes(notes, qryInv, qryCN, Z));
    // A closed connection ends the lookups' result sets: they are read again.
    connection.close();
    EXPECT_TRUE(OpenDeliveryNotes(notes, qryInv, qryCN, Z));
    // Another company's tables are read, here failing because they do not exist.
    EXPECT_THROW(OpenDeliveryNotes(notes, qryInv, qryCN, QStringLiteral("Q")), Exception);
    EXPECT_FALSE(notes.isReadFor(Z));
}

} // namespace
