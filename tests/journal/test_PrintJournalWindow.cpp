// Print Tagged through the real window: each job handed over is recorded with its job id, and
// documents an interrupted print run handed over are offered for marking before the run.

#include "JournalCompany.h"

#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/ScriptedVerbs.h"
#include "review/MemSTran.h"

#include <QPushButton>
#include <QScopeGuard>

namespace {

using PrintJournalWindowTest = JournalCompanyTest;

// One printer, the default, for one test.
class ScopedOfficePrinter
{
public:
    ScopedOfficePrinter()
        : m_previous(PrintSystem::install(std::make_unique<ScriptedPrintSystem>(
            QList<PrinterInfo> { { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} } },
            QStringLiteral("Office"))))
    { }
    ~ScopedOfficePrinter() { PrintSystem::install(std::move(m_previous)); }
    ScopedOfficePrinter(const ScopedOfficePrinter &) = delete;
    ScopedOfficePrinter &operator=(const ScopedOfficePrinter &) = delete;

private:
    std::unique_ptr<PrintSystem> m_previous;
};

} // namespace

TEST_F(PrintJournalWindowTest, PrintedJobsAreRecordedAndAnInterruptedRunsJobsAreOfferedForMarking)
{
    ScopedOfficePrinter printer;
    ScopedVerbs verbs;
    makeCompany();
    TFrmSalesMain &window = openWindow();
    const auto close = qScopeGuard([this] { closeWindow(); });
    window.BtnDisplay->click();
    const auto accounts = mailableAccounts(2);
    ASSERT_EQ(accounts.size(), 2);
    const QList<qint64> earlier = accounts[0].second;
    const QList<qint64> now = accounts[1].second;

    // A run that printed the first account's documents and stopped before its question.
    DispatchJournal interrupted(window.dbOperaADO, m_folder, QStringLiteral("Z"));
    for (const qint64 id : earlier)
        interrupted.record({ JournalChannel::Paper, { id }, QStringLiteral("Office"),
            QStringLiteral("Office-1"), true, {} });
    tagOnly(QSet<qint64>(earlier.begin(), earlier.end()) | QSet<qint64>(now.begin(), now.end()));

    m_messages->entries.clear();
    m_messages->setNextAnswer(MessageService::Answer::Yes); // mark the earlier ones
    m_messages->setNextAnswer(MessageService::Answer::Yes); // and this run's
    window.NavSTran->Buttons(brwUdf2)->click();

    const QStringList texts = m_messages->texts();
    ASSERT_EQ(texts.size(), 2) << qPrintable(texts.join(u'\n'));
    EXPECT_EQ(texts[0],
        earlier.size() == 1
            ? QStringLiteral("1 document was printed in an earlier run but not marked as printed. "
                             "Mark it now?")
            : QString::number(earlier.size())
                + QStringLiteral(" documents were printed in an earlier run but not marked as "
                                 "printed. Mark them now?"));
    EXPECT_EQ(texts[1], u"Mark Documents as Printed?");
    // Only the second account's documents went to the printer this time.
    ASSERT_EQ(verbs->calls.size(), now.size());

    const QList<JournalEntry> rows = journalRows();
    ASSERT_EQ(rows.size(), earlier.size() + now.size());
    for (int i = 0; i < now.size(); ++i) {
        const JournalEntry &row = rows[earlier.size() + i];
        EXPECT_EQ(row.document, now[i]);
        EXPECT_EQ(row.channel, JournalChannel::Paper);
        EXPECT_TRUE(row.accepted);
        EXPECT_EQ(row.destination, u"Office");
        EXPECT_EQ(row.reference, QStringLiteral("job-") + QString::number(i + 1));
    }
    for (const JournalEntry &row : rows)
        EXPECT_TRUE(row.asked);
    const MemSTran &list = window.reviewList();
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        const bool printed = earlier.contains(row.id) || now.contains(row.id);
        EXPECT_EQ(row.zrqprint, printed) << row.id;
    }
}
