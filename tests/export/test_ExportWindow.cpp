// The export reached through the real main window's grid popup on a generated company.

#include "DemoWriter.h"
#include "app/SalesMain.h"
#include "components/LeftCaptionCheckBox.h"
#include "components/RadioGroup.h"
#include "components/vxBtnEd.h"
#include "export/U_Qry2Excel.h"
#include "platform/shell/ScriptedVerbs.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class ExportWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        demo::Options options;
        options.transactions = 200;
        options.customers = 20;
        options.seed = 5;
        const demo::Company company = demo::Generate(options);
        const QString folder = m_dir.file(QStringLiteral("opera"));
        demo::WriteOptions writeOptions;
        writeOptions.pdfLimit = 30;
        demo::WriteCompany(company, folder.toStdString(), writeOptions);

        m_window = std::make_unique<TFrmSalesMain>(SalesMainOptions {
            m_dir.file(QStringLiteral("velloran.ini")), QStringLiteral("TESTPC") });
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->EdtOperaDataFolder->setText(folder);
        m_window->cbxCompanyID->setEditText(QStringLiteral("Z"));
        const QString source = QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder
            + QStringLiteral("\\COMP_Z.DBC;Mode=Share Deny None");
        m_window->setConnectionString(source);
        m_window->LblOperaADO->setText(source);
        m_window->BtnDisplay->click();
        ASSERT_GT(m_window->reviewList().recordCount(), 0);
    }

    // Once the popup is up, picks "Export to Excel"; once the export dialog is up, exports the
    // list as CSV to the given path with the Show All Columns box as asked.
    void exportThroughPopup(const QString &path, bool allColumns)
    {
        auto *menuTimer = new QTimer(m_window.get());
        menuTimer->setInterval(20);
        QObject::connect(menuTimer, &QTimer::timeout, menuTimer, [this, menuTimer] {
            if (!m_window->PopBrw->isVisible())
                return;
            menuTimer->stop();
            m_menuShownAt = m_window->PopBrw->pos();
            m_window->PopBrw->hide();
            m_window->ExporttoExcel1->trigger();
        });
        menuTimer->start();
        auto *dialogTimer = new QTimer(m_window.get());
        dialogTimer->setInterval(20);
        QObject::connect(
            dialogTimer, &QTimer::timeout, dialogTimer, [this, dialogTimer, path, allColumns] {
                auto *dialog = qobject_cast<TFrmUtlQry2Excel *>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                dialogTimer->stop();
                m_dialogSeen = true;
                dialog->RadOpt->setItemIndex(TFrmUtlQry2Excel::SaveAsCsv);
                dialog->ckbShowAllColumns->setChecked(allColumns);
                dialog->EdtSaveTo->setText(path);
                dialog->BtnProceed->click();
            });
        dialogTimer->start();
    }

    QList<QByteArray> exportedLines(const QString &path)
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_dialogSeen; }, 5000));
        QFile file(path);
        EXPECT_TRUE(QTest::qWaitFor([&file] { return file.exists(); }, 5000));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    ScopedMessages m_messages;
    ScopedVerbs m_verbs;
    TempDir m_dir;
    std::unique_ptr<TFrmSalesMain> m_window;
    QPoint m_menuShownAt;
    bool m_dialogSeen = false;
};

const QByteArray VisibleHeading = "\"SL Account\",\"A/C Name\",\"eMail Address\",\"zrqtag\","
                                  "\"zrqsent\",\"zrqprint\",\"Doc Ref\",\"Date\",\"Cust Ref\","
                                  "\"ty\",\"Gross\",\"VAT\",\"Bal\",\"pd\",\"Del Note\","
                                  "\"st_memot\"\r";

} // namespace

TEST_F(ExportWindowTest, RightClickExportsTheReviewQueryWithItsLabels)
{
    const QString path = m_dir.file(QStringLiteral("list.CSV"));
    exportThroughPopup(path, false);
    const QRect row = m_window->BrwSTran->visualRect(m_window->BrwSTran->currentIndex());
    // What a right click on the row delivers to the grid.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, row.center(),
        m_window->BrwSTran->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(m_window->BrwSTran->viewport(), &rightClick);

    const QList<QByteArray> lines = exportedLines(path);
    ASSERT_EQ(lines.size(), m_window->QrySTran.recordCount() + 1);
    EXPECT_EQ(lines.first(), VisibleHeading);
    for (const QByteArray &line : lines.mid(1)) {
        // The status columns are never null, and nothing fills "Del Note".
        const QList<QByteArray> items = line.split(',');
        EXPECT_TRUE(items.at(3) == "\"True\"" || items.at(3) == "\"False\"") << line.constData();
        EXPECT_TRUE(line.contains(",\"\",\"")) << line.constData();
    }
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("Display in Excel?") });
}

TEST_F(ExportWindowTest, TheMenuKeyOpensThePopupAtTheCurrentRow)
{
    const QString path = m_dir.file(QStringLiteral("all.CSV"));
    m_window->BrwSTran->setFocus();
    m_window->SrcMemSTran->setCurrentRow(3);
    exportThroughPopup(path, true);
    QTest::keyClick(m_window->BrwSTran, Qt::Key_Menu);

    const QList<QByteArray> lines = exportedLines(path);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(
        lines.first().contains("\"Del Note\",\"st_memo\",\"st_memot\",\"sn_docmail\",\"id\"\r"))
        << lines.first().constData();
    // Below the current row, not where the mouse happens to be.
    const QRect row = m_window->BrwSTran->visualRect(m_window->BrwSTran->currentIndex());
    const QPoint rowBottom = m_window->BrwSTran->viewport()->mapToGlobal(row.bottomLeft());
    EXPECT_NEAR(m_menuShownAt.y(), rowBottom.y(), 2);
}
