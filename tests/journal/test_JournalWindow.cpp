// The journal through the real window and the real mail library, to a loopback SMTP server:
// a run with a refused address, a run killed half way and the question at the next start, the
// history dialog and the send preview from the grid's popup menu.

#include "JournalCompany.h"
#include "dispatch/MailRunEnv.h"

#include "app/SalesMainJournalDialogs.h"
#include "dispatch/DocumentPaths.h"
#include "dispatch/journal/SendPreview.h"
#include "review/MemSTran.h"
#include "review/ReviewCommands.h"
#include "util/UtilMisc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <set>

namespace {

using JournalWindowTest = JournalCompanyTest;

QSet<qint64> Ids(const QList<qint64> &list)
{
    return QSet<qint64>(list.begin(), list.end());
}

// Runs `action`, which opens a modal dialog of type D, and hands the dialog to `inspect` before
// closing it with Escape. Returns whether such a dialog showed.
template <typename D, typename Action, typename Inspect>
bool WithModalDialog(Action action, Inspect inspect)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        std::function<void()> poll;
        poll = [&] {
            auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
            if (!dialog) {
                QTimer::singleShot(20, poll);
                return;
            }
            seen = true;
            inspect(*dialog);
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        poll();
    });
    action();
    return seen;
}

void SetMailText(TFrmSalesMain &window)
{
    window.EdtESubject->setText(QStringLiteral("Documents"));
    window.EdtEMailBody->setPlainText(QStringLiteral("Dear customer,\nyour documents.\n"));
}

// The ids whose flag is set in the status table, read through a connection of its own.
std::set<qint64> MarkedIds(const QString &folder, const QString &column)
{
    db::Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder);
    db::Query query(connection);
    query.setSql(
        QStringLiteral("SELECT st_id FROM Z_ST_ZRQ WHERE ") + column + QStringLiteral(" = .T."));
    query.open();
    std::set<qint64> ids;
    for (query.first(); !query.eof(); query.next())
        ids.insert(query.fieldByName(QStringLiteral("st_id")).asInteger());
    return ids;
}

} // namespace

// Three accounts, the second's address refused by the server: one row per document, accepted
// with the Message-ID the server received for the two others, refused with its reason for the
// second; the history dialog of a document shows its row.
TEST_F(JournalWindowTest, RunWithARefusedAddressRecordsEachDocumentWithTheMessageItWentIn)
{
    LoopbackMailUser user;
    ASSERT_TRUE(user.serverUp());
    makeCompany();
    TFrmSalesMain &window = openWindow();
    const auto close = qScopeGuard([this] { closeWindow(); });
    SetMailText(window);
    window.BtnDisplay->click();
    const auto accounts = mailableAccounts(3);
    ASSERT_EQ(accounts.size(), 3);
    QSet<qint64> tagged;
    for (const auto &account : accounts)
        tagged.unite(Ids(account.second));
    tagOnly(tagged);

    // The second account's customer gets an address the server refuses.
    const QString refused = QStringLiteral("nobody@refused.invalid");
    auto &list = const_cast<MemSTran &>(window.reviewList());
    const ReviewWriter writer { window.QryChk, window.ADOCommand, QStringLiteral("Z") };
    for (int i = 0; i < list.recordCount(); ++i) {
        if (list.row(i).st_account == accounts[1].first) {
            list.setRecNo(i);
            AmendCurrentEmail(list, writer, refused);
        }
    }

    // Before any run: an empty history, and looking created no journal.
    int rowsShown = -1;
    ASSERT_TRUE(WithModalDialog<DispatchHistoryDialog>([&] { window.DispatchHistory1->trigger(); },
        [&](DispatchHistoryDialog &dialog) { rowsShown = dialog.table()->rowCount(); }));
    EXPECT_EQ(rowsShown, 0);
    EXPECT_FALSE(QFileInfo::exists(QDir(m_folder).filePath(QStringLiteral("Z_ST_ZRQL.dbf"))));

    m_messages->entries.clear();
    m_messages->setNextAnswer(MessageService::Answer::Yes);
    window.NavSTran->Buttons(brwUdf1)->click();
    EXPECT_FALSE(m_messages->texts().join(u'\n').contains(u"earlier run"));

    const QStringList received = user.received();
    ASSERT_EQ(received.size(), 2);
    const QList<JournalEntry> rows = journalRows();
    ASSERT_EQ(rows.size(), tagged.size());
    QSet<qint64> seen;
    for (const JournalEntry &row : rows) {
        seen.insert(row.document);
        EXPECT_EQ(row.channel, JournalChannel::Mail);
        EXPECT_EQ(row.workstation, JournalWorkstationName());
        EXPECT_TRUE(row.asked) << "the marking question was answered";
        if (accounts[1].second.contains(row.document)) {
            EXPECT_FALSE(row.accepted);
            EXPECT_EQ(row.destination, refused);
            EXPECT_FALSE(row.reason.isEmpty());
            EXPECT_TRUE(row.reference.isEmpty());
            continue;
        }
        const int message = accounts[0].second.contains(row.document) ? 0 : 1;
        EXPECT_TRUE(row.accepted);
        EXPECT_EQ(row.reference, MessageIdOf(received[message]));
        EXPECT_FALSE(row.reference.isEmpty());
        EXPECT_EQ(QStringList { row.destination }, LoopbackMailUser::envelopeTo(received[message]));
    }
    EXPECT_EQ(seen, tagged);
    EXPECT_NE(MessageIdOf(received[0]), MessageIdOf(received[1]));

    // The history of a refused document and of a delivered one, from the popup menu.
    for (const qint64 document : { accounts[1].second.first(), accounts[2].second.first() }) {
        for (int i = 0; i < list.recordCount(); ++i) {
            if (list.row(i).id == document)
                list.setRecNo(i);
        }
        QStringList cells;
        const bool shown
            = WithModalDialog<DispatchHistoryDialog>([&] { window.DispatchHistory1->trigger(); },
                [&](DispatchHistoryDialog &dialog) {
                    QTableWidget *table = dialog.table();
                    for (int c = 0; table->rowCount() == 1 && c < table->columnCount(); ++c)
                        cells << table->item(0, c)->text();
                });
        ASSERT_TRUE(shown);
        ASSERT_EQ(cells.size(), 7);
        if (document == accounts[1].second.first()) {
            EXPECT_EQ(cells[2], u"refused");
            EXPECT_EQ(cells[3], refused);
            EXPECT_FALSE(cells[4].isEmpty()) << "the reason";
        } else {
            EXPECT_EQ(cells[2], u"accepted by the mail server");
            EXPECT_EQ(cells[5], MessageIdOf(received[1]));
        }
        EXPECT_EQ(cells[1], u"e-mail");
        EXPECT_TRUE(cells[6].endsWith(QStringLiteral(" on ") + JournalWorkstationName()));
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Escape closed the dialog";
}

// The program killed after its second message: the journal holds those two messages' documents
// as delivered; at the next Send Tagged the question comes first, and Yes marks exactly them and
// keeps them out of the run.
TEST_F(JournalWindowTest, RunKilledAfterItsSecondMessageIsOfferedForMarkingAtTheNextSend)
{
    LoopbackMailUser user(QStringLiteral("accept"), 0.3);
    ASSERT_TRUE(user.serverUp());
    makeCompany();
    openWindow();
    m_window->BtnDisplay->click();
    const auto accounts = mailableAccounts(4);
    ASSERT_EQ(accounts.size(), 4);
    QSet<qint64> tagged;
    for (const auto &account : accounts)
        tagged.unite(Ids(account.second));
    tagOnly(tagged);
    closeWindow();

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(JOURNAL_SEND_RUN), { m_folder, settingsPath() });
    ASSERT_TRUE(program.waitForStarted());
    const auto kill = qScopeGuard([&] {
        program.kill();
        program.waitForFinished();
    });
    // Two messages in, and their rows written, while the third waits on the slow server.
    const auto delivered = [this] {
        QSet<qint64> ids;
        try {
            for (const JournalEntry &row : journalRows())
                if (row.accepted)
                    ids.insert(row.document);
        } catch (const std::exception &) { }
        return ids;
    };
    const QSet<qint64> firstTwo = Ids(accounts[0].second) | Ids(accounts[1].second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return user.received().size() >= 2; }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered() == firstTwo; }, 10000))
        << delivered().size();
    ::kill(pid_t(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(user.received().size(), 2) << "killed with the third message on its way";
    EXPECT_TRUE(MarkedIds(m_folder, QStringLiteral("st_zrqsent")).empty());

    // The next start.
    TFrmSalesMain &window = openWindow();
    const auto close = qScopeGuard([this] { closeWindow(); });
    SetMailText(window);
    window.BtnDisplay->click();
    m_messages->entries.clear();
    m_messages->setNextAnswer(MessageService::Answer::Yes); // mark them now
    m_messages->setNextAnswer(MessageService::Answer::No); // the run's own marking question
    window.NavSTran->Buttons(brwUdf1)->click();

    const QStringList texts = m_messages->texts();
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts.first(),
        QString::number(firstTwo.size())
            + QStringLiteral(" documents were sent in an earlier run but not marked as sent. "
                             "Mark them now?"));
    EXPECT_EQ(texts.last(), u"Mark Documents as Sent?");
    EXPECT_EQ(MarkedIds(m_folder, QStringLiteral("st_zrqsent")),
        std::set<qint64>(firstTwo.begin(), firstTwo.end()));
    // The run sent the two other accounts only: nobody got a document twice.
    const QStringList received = user.received();
    ASSERT_EQ(received.size(), 4);
    QSet<QString> addresses;
    for (const QString &message : received)
        addresses.insert(LoopbackMailUser::envelopeTo(message).value(0));
    EXPECT_EQ(addresses.size(), 4);
    for (const qint64 id : firstTwo) {
        for (int i = 0; i < window.reviewList().recordCount(); ++i) {
            const ReviewRow &row = window.reviewList().row(i);
            if (row.id == id) {
                EXPECT_TRUE(row.zrqsent);
                EXPECT_FALSE(row.Tag);
            }
        }
    }

    // Answered once: the next Send Tagged does not ask again.
    m_messages->entries.clear();
    window.TagNone->trigger();
    window.NavSTran->Buttons(brwUdf1)->click();
    EXPECT_FALSE(m_messages->texts().join(u'\n').contains(u"earlier run"));
}

// The preview from the popup menu on a company with every kind of problem lists each, and
// sends nothing.
TEST_F(JournalWindowTest, PreviewSendListsEveryProblemAndSendsNothing)
{
    LoopbackMailUser user(QStringLiteral("size")); // announces SIZE 100000
    ASSERT_TRUE(user.serverUp());
    makeCompany();
    TFrmSalesMain &window = openWindow();
    const auto close = qScopeGuard([this] { closeWindow(); });
    window.BtnDisplay->click();
    auto &list = const_cast<MemSTran &>(window.reviewList());
    const auto accounts = mailableAccounts(3);
    ASSERT_EQ(accounts.size(), 3);
    // A row without a PDF, and one of an account without an address.
    int missing = -1;
    int blank = -1;
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        if (missing < 0 && !row.Exists && !IsBlank(row.sn_email))
            missing = i;
        if (blank < 0 && IsBlank(row.sn_email))
            blank = i;
    }
    ASSERT_GE(missing, 0);
    ASSERT_GE(blank, 0);
    QSet<qint64> tagged
        = Ids(accounts[0].second) | Ids(accounts[1].second) | Ids(accounts[2].second);
    tagged << list.row(missing).id << list.row(blank).id;
    tagOnly(tagged);
    const ReviewWriter writer { window.QryChk, window.ADOCommand, QStringLiteral("Z") };
    for (int i = 0; i < list.recordCount(); ++i) {
        if (list.row(i).st_account == accounts[1].first) {
            list.setRecNo(i);
            AmendCurrentEmail(list, writer, QStringLiteral("accounts dept"));
        }
    }
    // One document marked sent, another delivered by an earlier run.
    const qint64 markedSent = accounts[0].second.first();
    const qint64 sentBefore = accounts[2].second.first();
    for (int i = 0; i < list.recordCount(); ++i) {
        if (list.row(i).id == markedSent) {
            list.setRecNo(i);
            window.BrwSTranKeyDown(Qt::Key_F3);
        }
    }
    DispatchJournal earlier(window.dbOperaADO, m_folder, QStringLiteral("Z"));
    earlier.record({ JournalChannel::Mail, { sentBefore }, QStringLiteral("x@example.com"),
        QStringLiteral("old@example.com"), true, {} });

    // The messages too big for the server, from the PDFs' sizes.
    QMap<QString, qint64> bytes;
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        if (row.Tag && row.Exists)
            bytes[row.st_account.trimmed()]
                += QFileInfo(DocumentPdfHostPath(m_folder, QStringLiteral("Z"), row.st_memot))
                       .size();
    }
    int tooBig = 0;
    for (const qint64 size : bytes)
        tooBig += EstimatedMessageSize(size) > 100000 ? 1 : 0;

    QStringList problems;
    int messages = 0;
    bool sizeNote = true;
    const bool shown = WithModalDialog<SendPreviewDialog>([&] { window.PreviewSend1->trigger(); },
        [&](SendPreviewDialog &dialog) {
            sizeNote = dialog.findChild<QLabel *>(QStringLiteral("LblSizeNote")) != nullptr;
            messages = dialog.messages()->rowCount();
            for (int i = 0; i < dialog.problems()->count(); ++i)
                problems << dialog.problems()->item(i)->text();
        });
    ASSERT_TRUE(shown);
    const QString all = problems.join(u'\n');
    const auto count = [&](const QString &part) {
        return std::count_if(
            problems.begin(), problems.end(), [&](const QString &p) { return p.contains(part); });
    };
    EXPECT_EQ(count(QStringLiteral("PDF missing: ") + list.row(missing).st_trref.trimmed()), 1)
        << qPrintable(all);
    EXPECT_EQ(count(QStringLiteral("Account ") + list.row(blank).st_account.trimmed()
                  + QStringLiteral(": the e-mail address is blank")),
        1)
        << qPrintable(all);
    EXPECT_EQ(count(QStringLiteral("\"accounts dept\" is not an e-mail address")), 1)
        << qPrintable(all);
    EXPECT_EQ(count(QStringLiteral(" is marked as sent")), 1) << qPrintable(all);
    EXPECT_EQ(count(QStringLiteral(" was delivered by e-mail before")), 1) << qPrintable(all);
    EXPECT_EQ(count(QStringLiteral("is larger than the mail server accepts (98 KB)")), tooBig)
        << qPrintable(all);
    EXPECT_FALSE(sizeNote) << "the server's SIZE was asked";
    EXPECT_GE(messages, 4);
    EXPECT_TRUE(user.received().isEmpty());

    // The two entries follow "Print PDF", the preview first.
    const QList<QAction *> actions = window.PopBrw->actions();
    const int print = int(actions.indexOf(window.PrintPDF1));
    EXPECT_EQ(actions.value(print + 1), window.PreviewSend1);
    EXPECT_EQ(actions.value(print + 2), window.DispatchHistory1);
}
