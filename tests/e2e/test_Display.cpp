// Display on a generated company, through the real main window, the engine and the files.

#include "CompanyWindow.h"
#include "DemoData.h"
#include "app/SalesMain.h"
#include "components/RadioGroup.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

struct Expected
{
    int rows = 0;
    std::set<QString> references;
};

bool EndsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size()
        && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Exclusions
{
    bool sent = true;
    bool printed = false;
    bool allocated = true;
};

// What the review must list under the exclusion boxes, from the generated data: one row per
// PDF document and status row that passes (one for a document without a status row).
Expected Listing(const demo::Company &company, Exclusions exclude)
{
    std::multimap<uint32_t, demo::StatusRow> status;
    for (const demo::StatusRow &row : company.status)
        status.emplace(row.id, row);
    const auto passes = [&](const demo::StatusRow *row) {
        const bool sent = row && row->sent;
        const bool printed = row && row->printed;
        return !(exclude.sent && sent) && !(exclude.printed && printed);
    };
    Expected expected;
    for (size_t i = 0; i < company.transactions.size(); ++i) {
        const demo::Transaction &t = company.transactions[i];
        if (t.deleted || (t.type != 'I' && t.type != 'C') || !EndsWith(t.memo, ".PDF"))
            continue;
        if (exclude.allocated && t.balance == 0)
            continue;
        const uint32_t id = static_cast<uint32_t>(i + 1);
        const auto [from, to] = status.equal_range(id);
        int rows = 0;
        if (from == to)
            rows = passes(nullptr) ? 1 : 0;
        for (auto it = from; it != to; ++it)
            rows += passes(&it->second) ? 1 : 0;
        expected.rows += rows;
        if (rows > 0)
            expected.references.insert(QString::fromStdString(t.reference));
    }
    return expected;
}

using DisplayTest = CompanyWindowTest;

} // namespace

TEST_F(DisplayTest, ListsTheDocumentsTheFiltersLetThrough)
{
    makeCompany(-1);
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    EXPECT_TRUE(m_messages->texts().isEmpty()) << m_messages->texts().join(u'|').toStdString();

    const Expected expected = Listing(m_company, {});
    const MemSTran &list = window.reviewList();
    ASSERT_GT(expected.rows, 20);
    EXPECT_EQ(list.recordCount(), expected.rows);
    EXPECT_EQ(window.LblHRecs->text(), QString::number(expected.rows) + QStringLiteral(" recs"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ZRQ : Velloran - Company [Z]"));

    std::set<QString> listed;
    int missingPdfs = 0;
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        listed.insert(row.st_trref.trimmed());
        EXPECT_FALSE(row.zrqsent);
        EXPECT_NE(row.st_trbal, 0.0);
        EXPECT_EQ(row.Tag, row.zrqtag);
        EXPECT_EQ(row.MailInv, row.sn_docmail >= 8);
        const bool onDisk = QFile::exists(
            QDir(m_folder).filePath(QStringLiteral("Z_PDF/") + row.st_memot.trimmed()));
        EXPECT_EQ(row.Exists, onDisk) << row.st_trref.toStdString();
        missingPdfs += row.Exists ? 0 : 1;
        if (i > 0) {
            const ReviewRow &before = list.row(i - 1);
            EXPECT_LE(before.st_account, row.st_account);
        }
    }
    EXPECT_EQ(listed, expected.references);
    EXPECT_GT(missingPdfs, 0);
    // For looking at the listed page: VELLORAN_SCREENSHOT_DIR=folder.
    const QString shots = qEnvironmentVariable("VELLORAN_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        window.grab().save(QDir(shots).filePath(QStringLiteral("display.png")));
}

TEST_F(DisplayTest, EachExclusionBoxLeavesOutWhatItSays)
{
    makeCompany(-1);
    TFrmSalesMain &window = openWindow();
    const std::vector<Exclusions> cases { { false, false, false }, { true, false, false },
        { false, true, false }, { false, false, true }, { true, true, true } };
    std::set<int> counts;
    for (const Exclusions &exclude : cases) {
        window.ckbExclSent->setChecked(exclude.sent);
        window.ckbExclPrnt->setChecked(exclude.printed);
        window.ckbExclAllocated->setChecked(exclude.allocated);
        window.BtnDisplay->click();
        const Expected expected = Listing(m_company, exclude);
        const MemSTran &list = window.reviewList();
        std::set<QString> listed;
        for (int i = 0; i < list.recordCount(); ++i) {
            const ReviewRow &row = list.row(i);
            listed.insert(row.st_trref.trimmed());
            EXPECT_FALSE(exclude.sent && row.zrqsent);
            EXPECT_FALSE(exclude.printed && row.zrqprint);
            EXPECT_FALSE(exclude.allocated && row.st_trbal == 0);
        }
        EXPECT_EQ(list.recordCount(), expected.rows)
            << exclude.sent << exclude.printed << exclude.allocated;
        EXPECT_EQ(listed, expected.references);
        counts.insert(expected.rows);
    }
    EXPECT_EQ(counts.size(), cases.size()) << "the generated data must tell the cases apart";
}

TEST_F(DisplayTest, DeliveryNotesShowOnlyWhenAskedFor)
{
    makeCompany(-1);
    TFrmSalesMain &window = openWindow();
    window.ckbExclAllocated->setChecked(false);
    window.BtnDisplay->click();
    const MemSTran &list = window.reviewList();
    ASSERT_GT(list.recordCount(), 0);
    for (int i = 0; i < list.recordCount(); ++i)
        EXPECT_TRUE(list.row(i).it_numdelv.trimmed().isEmpty());
    EXPECT_TRUE(window.BrwSTran->isColumnHidden(static_cast<int>(ReviewField::it_numdelv)));

    std::map<QString, QString> firstNote;
    for (const demo::Transaction &t : m_company.transactions) {
        if (t.type != 'I' || t.lines.empty())
            continue;
        QString lowest;
        for (const demo::InvoiceLine &line : t.lines) {
            const QString note = QString::fromStdString(line.deliveryNote);
            if (lowest.isEmpty() || note < lowest)
                lowest = note;
        }
        firstNote[QString::fromStdString(t.reference)] = lowest;
    }
    window.ckbShowDelNotes->setChecked(true);
    window.BtnDisplay->click();
    EXPECT_FALSE(window.BrwSTran->isColumnHidden(static_cast<int>(ReviewField::it_numdelv)));
    int invoices = 0;
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        if (row.st_trtype.trimmed() != QStringLiteral("I"))
            continue;
        ++invoices;
        EXPECT_EQ(row.it_numdelv.trimmed(), firstNote[row.st_trref.trimmed()])
            << row.st_trref.toStdString();
    }
    EXPECT_GT(invoices, 0);
}

TEST_F(DisplayTest, MissingStatusTableIsCreatedAndReadableByAnotherReader)
{
    makeCompany(0);
    const QString dbf = QDir(m_folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf"));
    ASSERT_FALSE(QFile::exists(dbf));
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    EXPECT_TRUE(m_messages->texts().isEmpty()) << m_messages->texts().join(u'|').toStdString();
    ASSERT_TRUE(QFile::exists(dbf));
    EXPECT_TRUE(QFile::exists(QDir(m_folder).filePath(QStringLiteral("Z_ST_ZRQ.cdx"))));
    EXPECT_EQ(window.reviewList().recordCount(), Listing(m_company, {}).rows);

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import dbfread,sys; t=dbfread.DBF(sys.argv[1]); "
                           "print(','.join(t.field_names), len(t))"),
            dbf });
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(python.readAllStandardOutput().trimmed(),
        QByteArray("ST_ID,ST_ZRQTAG,ST_ZRQSENT,ST_ZRQPRNT 0"));
}

TEST_F(DisplayTest, BlankSetupStopsWithTheMessageOnTheSetupPage)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.EdtOperaDataFolder->setText(QStringLiteral("   "));
    window.BtnDisplay->click();
    EXPECT_EQ(m_messages->texts(),
        QStringList { QStringLiteral("Problem with Data Connection and Location information") });
    EXPECT_EQ(window.PgeMain->currentWidget(), window.TabSetup);
    EXPECT_TRUE(window.BtnDisplay->isEnabled());
    EXPECT_EQ(window.LblHRecs->text(), QStringLiteral("n/a"));
}

TEST_F(DisplayTest, NoneConnectionPassesTheCheckAndTheEngineErrorIsShown)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.setConnectionString(QStringLiteral("<None>"));
    window.LblOperaADO->setText(QStringLiteral("<None>"));
    window.BtnDisplay->click();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries.front().kind, MessageService::Kind::Error);
    EXPECT_EQ(window.reviewList().recordCount(), 0);
    EXPECT_EQ(window.LblHRecs->text(), QStringLiteral("n/a"));
    EXPECT_TRUE(window.BtnDisplay->isEnabled());
}

// The engine rejecting the review query (a damaged status table) ends the build: the error is
// shown, the list stays empty and the record count keeps its previous text.
TEST_F(DisplayTest, RejectedQueryShowsTheErrorAndKeepsTheCount)
{
    makeCompany(-1);
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    const QString count = window.LblHRecs->text();
    ASSERT_NE(count, QStringLiteral("n/a"));
    window.closeConnection();
    QFile status(QDir(m_folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf")));
    ASSERT_TRUE(status.resize(20));

    window.BtnDisplay->click();
    ASSERT_EQ(m_messages->entries.size(), 1) << m_messages->texts().join(u'|').toStdString();
    EXPECT_EQ(m_messages->entries.front().kind, MessageService::Kind::Error);
    EXPECT_FALSE(m_messages->entries.front().text.isEmpty());
    EXPECT_EQ(window.reviewList().recordCount(), 0);
    EXPECT_EQ(window.LblHRecs->text(), count);
    EXPECT_TRUE(window.BtnDisplay->isEnabled());
}
