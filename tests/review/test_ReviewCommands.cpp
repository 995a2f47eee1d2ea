// The review commands against a company written as real FoxPro files: the statements each one
// sends, in order, what the files hold afterwards, and the row left alone when a write fails.
#include "CompanyFolder.h"
#include "ReviewObjects.h"

#include "data/DeliveryNotes.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/Locking.h"
#include "review/ReviewBuild.h"
#include "review/ReviewCommands.h"
#include "util/Errors.h"

#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QString Z = QStringLiteral("Z");

CompanyData Sample()
{
    CompanyData data;
    const QDate day(2011, 1, 18);
    data.customers = {
        { QStringLiteral("C001"), QStringLiteral("Alpha Ltd"), QStringLiteral("a@x.test"), 8 },
        { QStringLiteral("C002"), QStringLiteral("Beta"), QStringLiteral("b@x.test"), 2 },
        { QStringLiteral("C003"), QStringLiteral("Gamma"), QStringLiteral("   "), 0 },
    };
    data.documents = {
        { QStringLiteral("C001"), QStringLiteral("SI0001"), day, QStringLiteral("I"), 50, 50,
            QStringLiteral("SI0001.PDF"), 1 },
        { QStringLiteral("C002"), QStringLiteral("SI0002"), day, QStringLiteral("I"), 100, 100,
            QStringLiteral("SI0002.PDF"), 2 },
        { QStringLiteral("C003"), QStringLiteral("SI0003"), day, QStringLiteral("I"), 5, 5,
            QStringLiteral("SI0003.PDF"), 3 },
    };
    return data;
}

class ReviewCommands : public ::testing::Test, protected ReviewObjects
{
protected:
    void SetUp() override
    {
        folder = temp.path();
        connection.setConnectionString(WriteCompany(folder, Z, Sample()));
        ReviewBuildInputs inputs;
        inputs.dataFolder = folder;
        inputs.companyId = Z;
        inputs.sortClause = QStringLiteral("ORDER BY st_account, st_trref");
        ReviewBuildObjects objects = buildObjects();
        ProgressSink progress;
        QString filterClause;
        ASSERT_EQ(BuildReviewList(objects, inputs, progress, filterClause), 3);
        connection.setStatementObserver([this](const QString &sql) { sent.append(sql); });
    }

    void goTo(qint64 id) { ASSERT_TRUE(list.locate(QStringLiteral("id"), id)); }

    // One flag of every status row, "id:value", as another program reads the table.
    QString storedFlags(const QString &column)
    {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral("-c"),
                QStringLiteral("import dbfread,sys; t=dbfread.DBF(sys.argv[1]); "
                               "print(' '.join('%d:%d' % (r['ST_ID'], r[sys.argv[2]]) "
                               "for r in sorted(t, key=lambda r: r['ST_ID'])))"),
                QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf")), column });
        EXPECT_TRUE(python.waitForFinished(60000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        return QString::fromUtf8(python.readAllStandardOutput().trimmed());
    }

    int storedDocmail(const QString &account)
    {
        db::Query query(connection);
        query.setSql(QStringLiteral("SELECT sn_docmail FROM Z_SNAME WHERE sn_account == '")
            + account + u'\'');
        query.open();
        return query.recordCount() == 1
            ? query.fieldByName(QStringLiteral("sn_docmail")).asInteger()
            : -1;
    }

    class ProgressSink final : public BuildProgress
    {
    public:
        void setCaption(const QString &) override { }
        void setMax(int) override { }
        void setPosition(int) override { }
    };

    ReviewWriter writer() { return { qryChk, command, Z }; }

    TempDir temp;
    QString folder;
    QStringList sent;
    int pumped = 0;
    LetMessagesThrough pump = [this] { ++pumped; };
};

QList<qint64> TaggedIds(const MemSTran &list)
{
    QList<qint64> ids;
    for (int i = 0; i < list.recordCount(); ++i) {
        if (list.row(i).Tag)
            ids.append(list.row(i).id);
    }
    return ids;
}

QString Check(int id)
{
    return QStringLiteral(" SELECT * FROM Z_ST_ZRQ WHERE st_ID = ") + QString::number(id);
}

QString Update(int id, const QString &assignment)
{
    return QStringLiteral("UPDATE Z_ST_ZRQ  SET ") + assignment + QStringLiteral(" WHERE st_ID = ")
        + QString::number(id);
}

} // namespace

TEST_F(ReviewCommands, TagAllInsertsOnlyMissingRowsAndTagNoneOnlyUpdates)
{
    goTo(2);
    FlipCurrentFlag(list, writer(), StatusFlag::Sent);
    sent.clear();

    TagAllRows(list, writer(), pump);
    EXPECT_EQ(sent,
        (QStringList { Check(1),
            QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (1,  0 )"),
            Update(1, QStringLiteral(" st_zrqtag =  1 ")), Check(2),
            Update(2, QStringLiteral(" st_zrqtag =  1 ")), Check(3),
            QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (3,  0 )"),
            Update(3, QStringLiteral(" st_zrqtag =  1 ")) }));
    EXPECT_EQ(pumped, 3);
    EXPECT_EQ(list.recNo(), 2) << "the last row stays current";
    EXPECT_EQ(TaggedIds(list), (QList<qint64> { 1, 2, 3 }));
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQTAG")), QStringLiteral("1:1 2:1 3:1"));
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQSENT")), QStringLiteral("1:0 2:1 3:0"));

    sent.clear();
    TagNoneRows(list, writer(), pump);
    EXPECT_EQ(sent,
        (QStringList { Update(1, QStringLiteral(" st_zrqtag = 0 ")),
            Update(2, QStringLiteral(" st_zrqtag = 0 ")),
            Update(3, QStringLiteral(" st_zrqtag = 0 ")) }));
    EXPECT_TRUE(TaggedIds(list).isEmpty());
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQTAG")), QStringLiteral("1:0 2:0 3:0"));
}

TEST_F(ReviewCommands, MarkUnmarkFlipsEachTaggedRowOnItsOwn)
{
    for (const int id : { 1, 3 }) {
        goTo(id);
        FlipCurrentFlag(list, writer(), StatusFlag::Tag);
    }
    goTo(1);
    FlipCurrentFlag(list, writer(), StatusFlag::Printed);
    sent.clear();

    FlipTaggedFlags(list, writer(), StatusFlag::Printed, pump);
    EXPECT_EQ(sent,
        (QStringList { Check(1), Update(1, QStringLiteral(" st_zrqprnt = 0 ")), Check(3),
            Update(3, QStringLiteral(" st_zrqprnt = 1 ")) }));
    EXPECT_FALSE(list.row(0).zrqprint);
    EXPECT_FALSE(list.row(1).zrqprint) << "untagged rows are skipped";
    EXPECT_TRUE(list.row(2).zrqprint);
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQPRNT")), QStringLiteral("1:0 3:1"));
}

TEST_F(ReviewCommands, MailFlagsSwitchOnlyTaggedAddressedPaperCustomers)
{
    TagAllRows(list, writer(), pump);
    sent.clear();
    SetMailFlagsWhereAddressed(list, writer(), pump);
    // C001 gets e-mail already and C003 has a blank address.
    EXPECT_EQ(sent,
        QStringList { QStringLiteral(
            "UPDATE Z_SNAME  SET  sn_docmail = 10.00  WHERE sn_account = 'C002    '") });
    EXPECT_TRUE(list.row(1).MailInv);
    EXPECT_EQ(list.row(1).sn_docmail, 10);
    EXPECT_EQ(storedDocmail(QStringLiteral("C002")), 10);
    EXPECT_EQ(storedDocmail(QStringLiteral("C001")), 8);

    // F6 flips the indicator and moves the setting back below 8.
    goTo(2);
    SwitchCurrentDelivery(list, writer());
    EXPECT_FALSE(list.current().MailInv);
    EXPECT_EQ(storedDocmail(QStringLiteral("C002")), 2);
}

TEST_F(ReviewCommands, MarkingAfterARunTouchesOnlyTaggedDocumentsItHandedOver)
{
    for (const int id : { 1, 2 }) {
        goTo(id);
        FlipCurrentFlag(list, writer(), StatusFlag::Tag);
    }
    sent.clear();
    // 2 was not handed over; 3 was, but is not tagged.
    MarkDispatchedRows(list, writer(), StatusFlag::Sent, QSet<qint64> { 1, 3 }, pump);
    EXPECT_EQ(sent, (QStringList { Check(1), Update(1, QStringLiteral(" st_zrqsent = 1 ")) }));
    EXPECT_TRUE(list.row(0).zrqsent);
    EXPECT_FALSE(list.row(1).zrqsent);
    EXPECT_FALSE(list.row(2).zrqsent);
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQSENT")), QStringLiteral("1:1 2:0"));
}

TEST_F(ReviewCommands, ClosedListFailsBeforeAnyStatement)
{
    list.close();
    EXPECT_THROW(TagAllRows(list, writer(), pump), Exception);
    EXPECT_THROW(FlipTaggedFlags(list, writer(), StatusFlag::Sent, pump), Exception);
    EXPECT_TRUE(sent.isEmpty());
}

// Another process holds the status table locked: the statement is rejected with the engine's
// error and the row keeps its old value.
TEST_F(ReviewCommands, RejectedWriteLeavesTheRowAsItWas)
{
    goTo(1);
    FlipCurrentFlag(list, writer(), StatusFlag::Tag);
    QProcess holder;
    holder.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import fcntl,sys,time; f=open(sys.argv[1],'r+b'); "
                           "fcntl.lockf(f, fcntl.LOCK_EX, 0x7FFFFFFF, 0); print('locked', "
                           "flush=True); time.sleep(60)"),
            QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf")) });
    ASSERT_TRUE(holder.waitForReadyRead(30000));
    ASSERT_EQ(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));

    vfp::SetLockTimeout(100);
    goTo(1);
    EXPECT_THROW(FlipCurrentFlag(list, writer(), StatusFlag::Tag), Exception);
    EXPECT_TRUE(list.current().Tag);
    EXPECT_THROW(FlipCurrentFlag(list, writer(), StatusFlag::Sent), Exception);
    EXPECT_FALSE(list.current().zrqsent);
    holder.kill();
    holder.waitForFinished();
    vfp::SetLockTimeout(10000);

    FlipCurrentFlag(list, writer(), StatusFlag::Tag);
    EXPECT_FALSE(list.current().Tag);
    EXPECT_EQ(storedFlags(QStringLiteral("ST_ZRQTAG")), QStringLiteral("1:0"));
}
