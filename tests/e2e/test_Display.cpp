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

// What the default filters (exclude sent, exclude allocated) must list, from the generated data.
Expected DefaultListing(const demo::Company &company, bool excludeSent, bool excludeAllocated)
{
    std::multimap<uint32_t, demo::StatusRow> status;
    for (const demo::StatusRow &row : company.status)
        status.emplace(row.id, row);
    Expected expected;
    for (size_t i = 0; i < company.transactions.size(); ++i) {
        const demo::Transaction &t = company.transactions[i];
        if (t.deleted || (t.type != 'I' && t.type != 'C') || !EndsWith(t.memo, ".PDF"))
            continue;
        if (excludeAllocated && t.balance == 0)
            continue;
        const uint32_t id = static_cast<uint32_t>(i + 1);
        const auto [from, to] = status.equal_range(id);
        int rows = 0;
        if (from == to)
            rows = 1;
        for (auto it = from; it != to; ++it)
            rows += (excludeSent && it->second.sent) ? 0 : 1;
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

    const Expected expected = DefaultListing(m_company, true, true);
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

    // Clearing both exclusions lets sent and allocated documents through as well.
    window.ckbExclSent->setChecked(false);
    window.ckbExclAllocated->setChecked(false);
    window.BtnDisplay->click();
    EXPECT_EQ(window.reviewList().recordCount(), DefaultListing(m_company, false, false).rows);
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
    EXPECT_EQ(window.reviewList().recordCount(), DefaultListing(m_company, true, true).rows);

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
