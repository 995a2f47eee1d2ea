// The review commands through the real main window on a generated company: keys, the grid's
// actions, the prompt, the dispatch buttons and the one-document print.

#include "CompanyWindow.h"
#include "components/G_GetText.h"
#include "dispatch/PrintOne.h"
#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/ScriptedVerbs.h"
#include "review/ReviewListModel.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

using ReviewWindowTest = CompanyWindowTest;

// Installs a print system with two printers, Office being the default, for one test.
class ScopedPrinters
{
public:
    ScopedPrinters()
    {
        auto system = std::make_unique<ScriptedPrintSystem>(
            QList<PrinterInfo> { { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} },
                { QStringLiteral("Labels"), QStringLiteral("Labels"), {}, {} } },
            QStringLiteral("Office"));
        m_system = system.get();
        m_previous = PrintSystem::install(std::move(system));
    }
    ~ScopedPrinters() { PrintSystem::install(std::move(m_previous)); }
    ScriptedPrintSystem *operator->() { return m_system; }

private:
    ScriptedPrintSystem *m_system;
    std::unique_ptr<PrintSystem> m_previous;
};

// Answers the next text prompt: types the text (unless null) and presses Select.
void AnswerPrompt(const QString &text)
{
    QTimer::singleShot(0, [text] {
        auto *prompt = qobject_cast<TFrmGetText *>(QApplication::activeModalWidget());
        ASSERT_NE(prompt, nullptr);
        if (!text.isNull())
            prompt->EdtText->setText(text);
        prompt->BtnSelect->click();
    });
}

int RowWhere(const MemSTran &list, bool pdfExists, int from = 0)
{
    for (int i = from; i < list.recordCount(); ++i) {
        if (list.row(i).Exists == pdfExists)
            return i;
    }
    return -1;
}

QString StoredFlags(TFrmSalesMain &window, const QString &column, const QList<qint64> &ids)
{
    QStringList out;
    for (const qint64 id : ids) {
        db::Query query(window.dbOperaADO);
        query.setSql(QStringLiteral("SELECT ") + column
            + QStringLiteral(" FROM Z_ST_ZRQ WHERE st_id = ") + QString::number(id));
        query.open();
        out << (query.recordCount() == 1 && query.fieldByName(column).asBoolean()
                ? QStringLiteral("1")
                : QStringLiteral("0"));
    }
    return out.join(u' ');
}

} // namespace

// F2 writes the tag through to the status table before the row shows it; F6 switches the
// customer in the customer table; Escape asks before closing.
TEST_F(ReviewWindowTest, ReviewKeysWriteThroughThenChangeTheRow)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    const MemSTran &list = window.reviewList();
    ASSERT_GT(list.recordCount(), 0);
    const ReviewRow &row = list.current();
    ASSERT_FALSE(row.Tag);
    const int64_t id = row.id;
    const QString account = row.st_account;
    const int docmail = row.sn_docmail;

    window.BrwSTranKeyDown(Qt::Key_F2);
    EXPECT_TRUE(list.current().Tag);
    db::Query check(window.dbOperaADO);
    check.setSql(
        QStringLiteral("SELECT st_zrqtag FROM Z_ST_ZRQ WHERE st_id = ") + QString::number(id));
    check.open();
    ASSERT_EQ(check.recordCount(), 1);
    EXPECT_TRUE(check.fieldByName(QStringLiteral("st_zrqtag")).asBoolean());
    check.close();

    window.BrwSTranKeyDown(Qt::Key_F2);
    EXPECT_FALSE(list.current().Tag);
    check.open();
    ASSERT_EQ(check.recordCount(), 1) << "a second F2 updates the row it made";
    EXPECT_FALSE(check.fieldByName(QStringLiteral("st_zrqtag")).asBoolean());
    check.close();

    window.BrwSTranKeyDown(Qt::Key_F6);
    EXPECT_EQ(list.current().sn_docmail, docmail >= 8 ? docmail - 8 : docmail + 8);
    db::Query customer(window.dbOperaADO);
    customer.setSql(QStringLiteral("SELECT sn_docmail FROM z_sname WHERE sn_account == '")
        + account.trimmed() + QStringLiteral("'"));
    customer.open();
    if (customer.recordCount() == 1) {
        EXPECT_EQ(customer.fieldByName(QStringLiteral("sn_docmail")).asInteger(),
            list.current().sn_docmail);
    }

    window.BrwSTranAction(baClose);
    EXPECT_TRUE(m_messages->texts().contains(QStringLiteral("Close Application?")));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ReviewWindowTest, GridShowsTheTagAndAsksBeforeClosing)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    ASSERT_GT(window.reviewList().recordCount(), 0);
    const QModelIndex tag = window.MemSTranModel->index(
        window.reviewList().recNo(), static_cast<int>(ReviewField::Tag));
    const QRect cell = window.BrwSTran->visualRect(tag);
    ASSERT_FALSE(cell.isEmpty());
    const QImage before = window.BrwSTran->viewport()->grab(cell).toImage();

    window.BrwSTran->setFocus();
    QTest::keyClick(window.BrwSTran, Qt::Key_F2);
    EXPECT_EQ(window.MemSTranModel->data(tag, Qt::DisplayRole), QVariant(true));
    EXPECT_NE(window.BrwSTran->viewport()->grab(cell).toImage(), before) << "no check mark drawn";

    QTest::keyClick(window.BrwSTran, Qt::Key_Escape);
    EXPECT_EQ(m_messages->texts().value(0), QStringLiteral("Close Application?"));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ReviewWindowTest, SpaceAmendsTheAddressOnlyWhenItChanged)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.BtnDisplay->click();
    const MemSTran &list = window.reviewList();
    ASSERT_GT(list.recordCount(), 0);
    QStringList sent;
    window.dbOperaADO.setStatementObserver([&sent](const QString &sql) { sent << sql; });
    const QString old = list.current().sn_email;

    window.BrwSTran->setFocus();
    AnswerPrompt(QStringLiteral("  ") + old.trimmed() + QStringLiteral("  "));
    QTest::keyClick(window.BrwSTran, Qt::Key_Space);
    EXPECT_TRUE(sent.isEmpty()) << sent.join(u'|').toStdString();
    EXPECT_EQ(list.current().sn_email, old);

    AnswerPrompt(QStringLiteral("o'neil@example.test"));
    QTest::keyClick(window.BrwSTran, Qt::Key_Space);
    const QString account = list.current().st_account;
    EXPECT_EQ(sent,
        QStringList { QStringLiteral("UPDATE Z_SNAME  SET  sn_email = 'o''neil@example.test'  "
                                     "WHERE sn_account = '")
            + account + u'\'' });
    EXPECT_EQ(list.current().sn_email.trimmed(), QStringLiteral("o'neil@example.test"));

    // The bar's Edit Mail Address opens the same prompt; Select on the unchanged text writes
    // nothing.
    sent.clear();
    bool prompted = false;
    QTimer::singleShot(0, [&prompted] {
        auto *prompt = qobject_cast<TFrmGetText *>(QApplication::activeModalWidget());
        prompted = prompt && prompt->windowTitle() == QStringLiteral("Amend e_Mail Address");
        if (prompt)
            prompt->BtnSelect->click();
    });
    window.NavSTran->Buttons(brwEdit)->click();
    EXPECT_TRUE(prompted);
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(ReviewWindowTest, DoubleClickOnAnEmptyListBeeps)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.EdtFilterAccount->setText(QStringLiteral("NO SUCH ACCOUNT"));
    window.BtnDisplay->click();
    ASSERT_TRUE(window.reviewList().isOpen());
    ASSERT_EQ(window.reviewList().recordCount(), 0);
    QTest::mouseDClick(window.BrwSTran->viewport(), Qt::LeftButton);
    EXPECT_EQ(m_messages->beeps, 1);
    EXPECT_TRUE(m_messages->texts().isEmpty());
}

// Print Tagged hands over every tagged document; Yes marks only those the print system took.
TEST_F(ReviewWindowTest, PrintTaggedMarksOnlyTheDocumentsHandedOver)
{
    ScopedPrinters printers;
    ScopedVerbs verbs;
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.cboPrinter->setCurrentIndex(0);
    window.ckbExclAllocated->setChecked(false);
    window.BtnDisplay->click();
    MemSTran &list = const_cast<MemSTran &>(window.reviewList());
    const int first = RowWhere(list, true);
    const int missing = RowWhere(list, false);
    const int second = RowWhere(list, true, first + 1);
    ASSERT_GE(std::min({ first, missing, second }), 0);
    QList<qint64> ids;
    for (const int row : { first, missing, second }) {
        list.setRecNo(row);
        window.BrwSTranKeyDown(Qt::Key_F2);
        ids << list.row(row).id;
    }

    m_messages->setNextAnswer(MessageService::Answer::Yes);
    window.NavSTran->Buttons(brwUdf2)->click();
    ASSERT_EQ(verbs->calls.size(), 3);
    for (const ScriptedVerbs::Call &call : std::as_const(verbs->calls)) {
        EXPECT_EQ(call.verb, QStringLiteral("print"));
        EXPECT_TRUE(call.parameters.isEmpty());
    }
    EXPECT_EQ(m_messages->texts(),
        (QStringList { UnableToOpenPdf, QStringLiteral("Mark Documents as Printed?") }));
    EXPECT_EQ(StoredFlags(window, QStringLiteral("st_zrqprnt"), ids), QStringLiteral("1 0 1"));
    EXPECT_TRUE(list.row(first).zrqprint);
    EXPECT_FALSE(list.row(missing).zrqprint);
    EXPECT_TRUE(list.row(second).zrqprint);
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf1)->isEnabled());
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf2)->isEnabled());

    // Another printer: "printto" with its parameter text, and No leaves the marks alone.
    m_messages->entries.clear();
    verbs->calls.clear();
    window.cboPrinter->setCurrentIndex(1);
    window.NavSTran->Buttons(brwUdf2)->click();
    ASSERT_EQ(verbs->calls.size(), 3);
    EXPECT_EQ(verbs->calls.front().verb, QStringLiteral("printto"));
    EXPECT_EQ(verbs->calls.front().parameters, QStringLiteral("\"Labels\" \"\" \"\""));
    EXPECT_EQ(StoredFlags(window, QStringLiteral("st_zrqprnt"), ids), QStringLiteral("1 0 1"));
}

TEST_F(ReviewWindowTest, SendTaggedNeedsAListAndRestoresTheAccountOrder)
{
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.NavSTran->Buttons(brwUdf1)->click();
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("No records displayed") });
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf1)->isEnabled());
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf2)->isEnabled());

    window.BtnDisplay->click();
    const MemSTran &list = window.reviewList();
    ASSERT_GT(list.recordCount(), 1);
    const QString firstAccount = list.row(0).st_account;
    window.BrwSTranKeyDown(Qt::Key_F2);
    const qint64 tagged = list.current().id;
    window.BrwSTranTitleClick(static_cast<int>(ReviewField::sn_name));
    ASSERT_NE(window.SortClause, QStringLiteral("ORDER BY st_account, st_trref"));
    m_messages->entries.clear();
    m_messages->setNextAnswer(MessageService::Answer::Yes);
    window.EdtESubject->setText(QStringLiteral("  "));
    window.NavSTran->Buttons(brwUdf1)->click();
    EXPECT_EQ(window.SortClause, QStringLiteral("ORDER BY st_account, st_trref"));
    EXPECT_EQ(list.row(0).st_account, firstAccount);
    // A blank subject stops the run before any logon; the question follows all the same.
    EXPECT_EQ(m_messages->texts(),
        (QStringList { QStringLiteral("Subject must be entered"),
            QStringLiteral("Operation aborted"), QStringLiteral("Mark Documents as Sent?") }));
    EXPECT_FALSE(window.MapiSession.Active());
    // Nothing was sent, so Yes marks nothing; the tag stays on.
    ASSERT_TRUE(const_cast<MemSTran &>(list).locate(QStringLiteral("id"), tagged));
    EXPECT_TRUE(list.current().Tag);
    EXPECT_FALSE(list.current().zrqsent);
    EXPECT_EQ(StoredFlags(window, QStringLiteral("st_zrqsent"), { tagged }), QStringLiteral("0"));
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf1)->isEnabled());
}

TEST_F(ReviewWindowTest, F8ConfirmsOnlyAPrintThatWasHandedOver)
{
    ScopedPrinters printers;
    ScopedVerbs verbs;
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.ckbExclAllocated->setChecked(false);
    window.BtnDisplay->click();
    MemSTran &list = const_cast<MemSTran &>(window.reviewList());
    const int missing = RowWhere(list, false);
    const int present = RowWhere(list, true);
    ASSERT_GE(std::min(missing, present), 0);

    list.setRecNo(missing);
    window.BrwSTranKeyDown(Qt::Key_F8);
    EXPECT_EQ(m_messages->texts(), QStringList { UnableToOpenPdf });

    m_messages->entries.clear();
    list.setRecNo(present);
    window.BrwSTranKeyDown(Qt::Key_F8);
    EXPECT_EQ(m_messages->texts(), QStringList { PdfFilePrinted });
    ASSERT_EQ(verbs->calls.size(), 2);
    EXPECT_EQ(verbs->calls.back().verb, QStringLiteral("printto"));
    EXPECT_EQ(verbs->calls.back().parameters, QStringLiteral("\"Office\" \"\" \"\""));

    // F7 opens the same file with the desktop's viewer.
    window.BrwSTranKeyDown(Qt::Key_F7);
    ASSERT_EQ(verbs->calls.size(), 3);
    EXPECT_EQ(verbs->calls.back().verb, QStringLiteral("open"));
    EXPECT_EQ(verbs->calls.back().file, verbs->calls.at(1).file);
}

TEST_F(ReviewWindowTest, DownloadPageOpensWithTheDesktopOpener)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        GTEST_SKIP() << "no desktop opener on this host";
    ScopedVerbs verbs;
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    window.BtnGetAcrobat->click();
    ASSERT_EQ(verbs->calls.size(), 1);
    EXPECT_EQ(verbs->calls.front().verb, QStringLiteral("open"));
    EXPECT_EQ(verbs->calls.front().file, opener);
    EXPECT_EQ(verbs->calls.front().parameters, ReaderDownloadPage);
}
