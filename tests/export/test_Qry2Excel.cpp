#include "ExportCompany.h"

#include "components/LeftCaptionCheckBox.h"
#include "components/RadioGroup.h"
#include "components/vxBtnEd.h"
#include "export/SaveDialog.h"
#include "export/U_Qry2Excel.h"
#include "platform/shell/ScriptedVerbs.h"
#include "support/ScriptedMessageService.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

using Answer = MessageService::Answer;

class Qry2ExcelTest : public ExportCompanyTest
{
protected:
    void SetUp() override
    {
        ExportCompanyTest::SetUp();
        QDir().mkpath(m_dir.file(QStringLiteral("prog")));
        QDir().mkpath(m_dir.file(QStringLiteral("tmp")));
        m_dialog = std::make_unique<TFrmUtlQry2Excel>();
        m_dialog->ExportFolder = m_dir.file(QStringLiteral("prog")) + u'/';
        m_dialog->TempFolder = m_dir.file(QStringLiteral("tmp"));
        m_dialog->SetDataSet(&query());
        m_accepted = std::make_unique<QSignalSpy>(m_dialog.get(), &QDialog::accepted);
    }
    void TearDown() override
    {
        m_dialog.reset();
        ExportCompanyTest::TearDown();
    }

    TFrmUtlQry2Excel &dialog() { return *m_dialog; }
    QString progFile(const QString &name) const
    {
        return m_dir.file(QStringLiteral("prog/") + name);
    }
    void choose(int choice, const QString &saveTo)
    {
        dialog().EdtSaveTo->setText(saveTo);
        dialog().RadOpt->setItemIndex(choice);
    }
    bool accepted() const { return m_accepted->count() == 1; }

    ScopedMessages m_messages;
    ScopedVerbs m_verbs;
    std::unique_ptr<TFrmUtlQry2Excel> m_dialog;
    std::unique_ptr<QSignalSpy> m_accepted;
};

} // namespace

TEST_F(Qry2ExcelTest, OpensOnViewInExcelWithEveryPartInPlace)
{
    TFrmUtlQry2Excel &d = dialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Excel Export"));
    EXPECT_EQ(d.size(), QSize(361, 262));
    EXPECT_EQ(d.RadOpt->itemIndex(), TFrmUtlQry2Excel::ViewInExcel);
    EXPECT_EQ(d.RadOpt->count(), 4);
    EXPECT_EQ(d.RadOpt->button(2)->text(), QStringLiteral("Save As &Comma Separeted (CSV)"));
    EXPECT_EQ(d.RadOpt->button(3)->text(), QStringLiteral("Save As Excel &Workbook (XLSX)"));
    EXPECT_EQ(d.ckbShowAllColumns->text(), QStringLiteral("&Show All Columns :"));
    EXPECT_FALSE(d.ckbShowAllColumns->isChecked());
    EXPECT_TRUE(d.PnlSaveAs->isHidden());
    EXPECT_TRUE(d.BtnProceed->isEnabled());
    EXPECT_TRUE(d.BtnProceed->isDefault());
    // The program's folder is where the save dialog starts and where bare names go.
    const TFrmUtlQry2Excel fresh;
    EXPECT_EQ(fresh.ExportFolder, QCoreApplication::applicationDirPath() + u'/');
    EXPECT_EQ(fresh.Save->InitialDir, fresh.ExportFolder);
    EXPECT_EQ(d.findChild<TvxEdit *>(QStringLiteral("EdtSaveTo")), d.EdtSaveTo);
}

TEST_F(Qry2ExcelTest, ChoosingAFormatSwitchesTheExtensionAndFilter)
{
    choose(TFrmUtlQry2Excel::SaveAsTab, QStringLiteral("C:\\data\\list.csv"));
    EXPECT_EQ(dialog().EdtSaveTo->text(), QStringLiteral("C:\\data\\list.TXT"));
    EXPECT_EQ(dialog().Save->Filter, QStringLiteral("Text (Tab Delimited) (*.txt)|*.txt"));
    EXPECT_FALSE(dialog().PnlSaveAs->isHidden());
    dialog().RadOpt->setItemIndex(TFrmUtlQry2Excel::SaveAsCsv);
    EXPECT_EQ(dialog().EdtSaveTo->text(), QStringLiteral("C:\\data\\list.CSV"));
    EXPECT_EQ(dialog().Save->Filter, QStringLiteral("CSV (Comma Separated) (*.csv)|*.csv"));
    dialog().RadOpt->setItemIndex(TFrmUtlQry2Excel::SaveAsWorkbook);
    EXPECT_EQ(dialog().EdtSaveTo->text(), QStringLiteral("C:\\data\\list.XLSX"));
    EXPECT_EQ(dialog().Save->Filter, QStringLiteral("Excel Workbook (*.xlsx)|*.xlsx"));
    EXPECT_EQ(TSaveDialog::NameFilters(dialog().Save->Filter),
        QStringList { QStringLiteral("Excel Workbook (*.xlsx)") });
    EXPECT_TRUE(dialog().BtnProceed->isEnabled());
}

TEST_F(Qry2ExcelTest, AFolderWithoutFileNameIsClearedAndProceedWaitsForAName)
{
    choose(TFrmUtlQry2Excel::SaveAsCsv, QStringLiteral("C:\\data\\"));
    EXPECT_EQ(dialog().EdtSaveTo->text(), QString());
    EXPECT_FALSE(dialog().BtnProceed->isEnabled());
    dialog().EdtSaveTo->setText(QStringLiteral(" \t"));
    EXPECT_FALSE(dialog().BtnProceed->isEnabled());
    QTest::keyClicks(dialog().EdtSaveTo, QStringLiteral("r"));
    EXPECT_TRUE(dialog().BtnProceed->isEnabled());
    dialog().RadOpt->setItemIndex(TFrmUtlQry2Excel::ViewInExcel);
    dialog().EdtSaveTo->clear();
    EXPECT_TRUE(dialog().BtnProceed->isEnabled());
}

TEST_F(Qry2ExcelTest, ABareNameIsWrittenIntoTheProgramsFolderOnEnter)
{
    choose(TFrmUtlQry2Excel::SaveAsCsv, QStringLiteral("report"));
    dialog().show();
    dialog().EdtSaveTo->setFocus();
    QTest::keyClick(dialog().EdtSaveTo, Qt::Key_Return);
    EXPECT_TRUE(accepted());
    EXPECT_EQ(dialog().EdtSaveTo->text(), progFile(QStringLiteral("report.CSV")));
    EXPECT_TRUE(ReadFile(progFile(QStringLiteral("report.CSV"))).startsWith("\"Name\",\"Date\""));
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("Display in Excel?") });
    EXPECT_TRUE(m_verbs->calls.isEmpty());
}

TEST_F(Qry2ExcelTest, AMissingFileNameIsAskedFor)
{
    choose(TFrmUtlQry2Excel::SaveAsTab, QStringLiteral("report"));
    dialog().EdtSaveTo->setText(m_dir.file(QStringLiteral("prog/")));
    dialog().BtnProceed->click();
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("\"Save To\" must be chosen") });
    EXPECT_FALSE(accepted());
}

TEST_F(Qry2ExcelTest, OverwriteIsAskedAndNoKeepsTheFile)
{
    const QString path = progFile(QStringLiteral("list.TXT"));
    WriteFile(path, "keep me");
    choose(TFrmUtlQry2Excel::SaveAsTab, path);
    dialog().BtnProceed->click();
    EXPECT_EQ(m_messages->texts(),
        QStringList {
            QStringLiteral("File [") + path + QStringLiteral("] already exists, Overwrite?") });
    EXPECT_EQ(ReadFile(path), QByteArray("keep me"));
    EXPECT_FALSE(accepted());

    // Yes to both questions: the file is replaced and handed to the spreadsheet application.
    m_messages->entries.clear();
    m_messages->setNextAnswer(Answer::Yes);
    m_messages->setNextAnswer(Answer::Yes);
    dialog().BtnProceed->click();
    EXPECT_EQ(ReadFile(path), ExpectedTab());
    EXPECT_EQ(m_messages->texts().last(), QStringLiteral("Display in Excel?"));
    ASSERT_EQ(m_verbs->calls.size(), 1);
    const ScriptedVerbs::Call &call = m_verbs->calls.first();
    EXPECT_EQ(call.verb, QStringLiteral("open"));
    EXPECT_EQ(call.file, QStringLiteral("excel"));
    EXPECT_EQ(call.parameters, u'"' + path + u'"');
    EXPECT_EQ(call.directory, u'"' + dialog().ExportFolder + u'"');
    EXPECT_EQ(call.show, VerbShow::Normal);
    EXPECT_TRUE(accepted());
}

TEST_F(Qry2ExcelTest, ShowAllColumnsWritesTheHiddenFields)
{
    choose(TFrmUtlQry2Excel::SaveAsTab, progFile(QStringLiteral("all")));
    dialog().ckbShowAllColumns->setChecked(true);
    dialog().BtnProceed->click();
    EXPECT_TRUE(ReadFile(progFile(QStringLiteral("all.TXT"))).startsWith("Account\tName\t"));
}

TEST_F(Qry2ExcelTest, WorkbookChoiceWritesAnXlsxFile)
{
    choose(TFrmUtlQry2Excel::SaveAsWorkbook, QStringLiteral("book.csv"));
    dialog().BtnProceed->click();
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(ReadFile(progFile(QStringLiteral("book.XLSX"))).startsWith("PK"));
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("Display in Excel?") });
}

TEST_F(Qry2ExcelTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStays)
{
    choose(TFrmUtlQry2Excel::SaveAsTab, m_dir.file(QStringLiteral("missing/list")));
    dialog().BtnProceed->click();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries.first().kind, MessageService::Kind::Error);
    EXPECT_FALSE(accepted());
}

TEST_F(Qry2ExcelTest, ViewInExcelWritesATabFileInTheProgramsFolderAndOpensIt)
{
    dialog().BtnProceed->click();
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(m_messages->entries.isEmpty()); // no question before opening
    const QStringList written = QDir(m_dir.file(QStringLiteral("prog"))).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written.first().startsWith(QStringLiteral("TMP")));
    EXPECT_TRUE(written.first().endsWith(QStringLiteral(".txt")));
    EXPECT_EQ(ReadFile(progFile(written.first())), ExpectedTab());
    // The reserved name stays behind, empty, in the temporary folder.
    const QStringList reserved = QDir(m_dir.file(QStringLiteral("tmp"))).entryList(QDir::Files);
    ASSERT_EQ(reserved.size(), 1);
    EXPECT_EQ(QFileInfo(reserved.first()).completeBaseName(),
        QFileInfo(written.first()).completeBaseName());
    ASSERT_EQ(m_verbs->calls.size(), 1);
    EXPECT_EQ(m_verbs->calls.first().parameters, u'"' + progFile(written.first()) + u'"');
}

TEST_F(Qry2ExcelTest, ViewInExcelWithoutATemporaryFolderSaysSo)
{
    dialog().TempFolder = m_dir.file(QStringLiteral("gone"));
    dialog().BtnProceed->click();
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("Problem with Temp filename") });
    EXPECT_FALSE(accepted());
    EXPECT_TRUE(QDir(m_dir.file(QStringLiteral("prog"))).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(m_verbs->calls.isEmpty());
}

// Picked through the save dialog, an existing file is confirmed there and again on Proceed;
// declining the second question keeps the file as it was.
TEST_F(Qry2ExcelTest, AFilePickedInTheSaveDialogIsConfirmedTwice)
{
    const QString path = progFile(QStringLiteral("picked.CSV"));
    WriteFile(path, "old");
    dialog().RadOpt->setItemIndex(TFrmUtlQry2Excel::SaveAsCsv);
    // Answers whichever modal window is up, for as long as the test runs: the save dialog with
    // the existing file, its overwrite question with Yes.
    bool savePrompted = false;
    QStringList filters;
    QString folder;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, &answer, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            savePrompted = true;
            box->button(QMessageBox::Yes)->click();
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            filters = files->nameFilters();
            folder = QDir(files->directory()).canonicalPath();
            // Typed into the name box, as a user would (selecting a file leaves a focused box
            // alone).
            files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
            // Queued: the overwrite question runs its own loop, in which this timer must tick.
            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        }
    });
    answer.start();
    dialog().EdtSaveToButtonClick();
    answer.stop();
    EXPECT_TRUE(savePrompted);
    EXPECT_EQ(filters, QStringList { QStringLiteral("CSV (Comma Separated) (*.csv)") });
    EXPECT_EQ(folder, QDir(m_dir.file(QStringLiteral("prog"))).canonicalPath());
    EXPECT_EQ(dialog().EdtSaveTo->text(), path);

    dialog().BtnProceed->click();
    EXPECT_EQ(m_messages->texts(),
        QStringList {
            QStringLiteral("File [") + path + QStringLiteral("] already exists, Overwrite?") });
    EXPECT_EQ(ReadFile(path), QByteArray("old"));
    EXPECT_FALSE(accepted());
}
