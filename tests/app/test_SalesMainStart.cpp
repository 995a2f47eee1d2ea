#include "SalesMainFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

TEST_F(SalesMainTest, FirstStartWithoutSettingsFileShowsDefaultsAndClosingWritesTheSevenKeys)
{
    TFrmSalesMain &window = openAndShow();

    EXPECT_EQ(window.windowTitle(), QStringLiteral("ZRQ : Velloran - Company [Z]"));
    EXPECT_EQ(window.LblOperaADO->text(), QStringLiteral("<None>"));
    EXPECT_EQ(window.EdtOperaDataFolder->text(), QStringLiteral("<None>"));
    EXPECT_EQ(window.PgeMain->currentWidget(), window.TabSLReview);
    EXPECT_TRUE(m_messages->entries.isEmpty());
    // The saved index replaces the default printer's selection: the first printer.
    EXPECT_EQ(window.cboPrinter->currentIndex(), 0);
    EXPECT_EQ(window.lblDefaultPrinter->text(), QStringLiteral("Printer 3"));
    EXPECT_EQ(window.cbxCompanyID->currentText(), QStringLiteral("Z"));
    EXPECT_EQ(window.EdtESubject->text(), QStringLiteral("Documents from "));
    EXPECT_FALSE(window.ckbShowDelNotes->isChecked());
    EXPECT_FALSE(QFile::exists(settingsPath())) << "nothing is written before closing";

    window.close();
    EXPECT_EQ(stored(QStringLiteral("OperaADO")), QStringLiteral("<None>"));
    EXPECT_EQ(stored(QStringLiteral("OperaDataFolder")), QStringLiteral("<None>"));
    EXPECT_EQ(stored(QStringLiteral("cboPrinter")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("CompanyID")), QStringLiteral("Z"));
    EXPECT_EQ(stored(QStringLiteral("ESubject")), QStringLiteral("Documents from "));
    EXPECT_EQ(stored(QStringLiteral("EMailBody")),
        QStringLiteral("The attached documents are PDF files, which can be read using "
                       "Adobe Actobat Reader or similar"));
    EXPECT_EQ(stored(QStringLiteral("ShowDelNotes")), QStringLiteral("N"));
    EXPECT_TRUE(settingsBytes().startsWith("[TESTPC]\n"));
}

TEST_F(SalesMainTest, EmptyConnectionStringAsksForOneOnceAndShowsTheSetupPage)
{
    writeSettings("[TESTPC]\nOperaADO=\n");
    TFrmSalesMain &window = openAndShow();

    EXPECT_EQ(window.LblOperaADO->text(), QString());
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries[0].text,
        QStringLiteral("Please Create Connection String for Opera Data"));
    EXPECT_EQ(m_messages->entries[0].kind, MessageService::Kind::Information);
    EXPECT_EQ(window.PgeMain->currentWidget(), window.TabSetup);
}

TEST_F(SalesMainTest, OddValuesLoadByTheRulesAndSaveBackNormalised)
{
    writeSettings("[TESTPC]\nShowDelNotes=y\ncboPrinter=99\nCompanyID=\nOperaADO=Provider=X\n");
    TFrmSalesMain &window = openAndShow();

    EXPECT_FALSE(window.ckbShowDelNotes->isChecked());
    EXPECT_EQ(window.cboPrinter->currentIndex(), -1);
    EXPECT_EQ(window.cbxCompanyID->currentText(), QString());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ZRQ : Velloran - Company []"));
    EXPECT_EQ(window.connectionString(), QStringLiteral("Provider=X"));
    EXPECT_EQ(window.LblOperaADO->text(), QStringLiteral("Provider=X"));

    window.SaveSettings();
    EXPECT_EQ(stored(QStringLiteral("ShowDelNotes")), QStringLiteral("N"));
    EXPECT_EQ(stored(QStringLiteral("cboPrinter")), QStringLiteral("-1"));
    EXPECT_EQ(stored(QStringLiteral("CompanyID")), QString());
}

TEST_F(SalesMainTest, IntegerAndFlagForms)
{
    writeSettings("[testpc]\nshowdelnotes=Y\nCBOPRINTER=abc\n");
    EXPECT_TRUE(open().ckbShowDelNotes->isChecked()) << "keys and sections ignore case";
    EXPECT_EQ(m_window->cboPrinter->currentIndex(), 0);

    writeSettings("[TESTPC]\ncboPrinter=0x4\n");
    EXPECT_EQ(open().cboPrinter->currentIndex(), 4);
}

TEST_F(SalesMainTest, LoadThenSaveWithoutChangeWritesTheSameFile)
{
    writeSettings("; settings\n[OTHER-PC]\nCompanyID=Q\n\n[TESTPC]\nOperaADO=Provider=VFPOLEDB.1\n"
                  "OperaDataFolder=\\\\server\\opera\\data\ncboPrinter=2\nCompanyID=7\n"
                  "ESubject=\"Documents from \"\nEMailBody=Line one\\nLine two\\r\\nC:\\temp\n"
                  "ShowDelNotes=Y\nExtra=kept\n");
    const QByteArray before = settingsBytes();
    TFrmSalesMain &window = open();
    EXPECT_EQ(window.EdtEMailBody->toPlainText(), QStringLiteral("Line one\nLine two\nC:\\temp"))
        << "the memo holds what the key decodes to";
    window.SaveSettings();
    // The memo turns CR LF into LF; everything else is written back as it was.
    QByteArray expected = before;
    expected.replace("Line two\\r\\n", "Line two\\n");
    EXPECT_EQ(settingsBytes(), expected);
}

TEST_F(SalesMainTest, MultiLineBodySurvivesSaveAndLoadOnOneLine)
{
    const QString body
        = QStringLiteral("Dear customer,\n\nplease find attached \\n not a break.\n");
    open().EdtEMailBody->setPlainText(body);
    m_window->SaveSettings();
    EXPECT_EQ(settingsBytes().count("EMailBody="), 1);
    EXPECT_FALSE(settingsBytes().contains("please find attached \\n not a break.\n"));
    EXPECT_EQ(open().EdtEMailBody->toPlainText(), body);
}

TEST_F(SalesMainTest, TwoWorkstationsKeepTheirOwnSections)
{
    open(QStringLiteral("PC-A")).cbxCompanyID->setEditText(QStringLiteral("A"));
    m_window->close();
    open(QStringLiteral("PC-B")).cbxCompanyID->setEditText(QStringLiteral("B"));
    m_window->EdtESubject->setText(QStringLiteral("From B"));
    m_window->close();

    EXPECT_EQ(open(QStringLiteral("PC-A")).cbxCompanyID->currentText(), QStringLiteral("A"));
    EXPECT_EQ(m_window->EdtESubject->text(), QStringLiteral("Documents from "));
    EXPECT_EQ(open(QStringLiteral("PC-B")).cbxCompanyID->currentText(), QStringLiteral("B"));
    EXPECT_EQ(m_window->EdtESubject->text(), QStringLiteral("From B"));
}

TEST_F(SalesMainTest, CompanyAndPrinterChangesSaveAtOnceButTheTitleWaits)
{
    TFrmSalesMain &window = openAndShow();
    QLineEdit *company = window.cbxCompanyID->lineEdit();
    company->selectAll();
    QTest::keyClicks(company, QStringLiteral("12"));
    EXPECT_EQ(stored(QStringLiteral("CompanyID")), QStringLiteral("12"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ZRQ : Velloran - Company [Z]"));

    window.cboPrinter->setCurrentIndex(3);
    Q_EMIT window.cboPrinter->activated(3);
    EXPECT_EQ(stored(QStringLiteral("cboPrinter")), QStringLiteral("3"));
    window.UpdateTitle();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ZRQ : Velloran - Company [12]"));
}

TEST_F(SalesMainTest, UnwritableSettingsFileIsReportedAndTheWindowStillCloses)
{
    const QString path = m_dir.file(QStringLiteral("missing/folder/velloran.ini"));
    TFrmSalesMain &window = open(Section, path);
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(m_messages->texts(), QStringList { QStringLiteral("Unable to write to ") + path });
    EXPECT_EQ(m_messages->entries[0].kind, MessageService::Kind::Error);
}

TEST_F(SalesMainTest, WithoutPrintersTheWindowStillStarts)
{
    auto previous = PrintSystem::install(nullptr);
    TFrmSalesMain &window = openAndShow();
    EXPECT_EQ(window.cboPrinter->count(), 0);
    EXPECT_EQ(window.cboPrinter->currentIndex(), -1);
    EXPECT_EQ(window.lblDefaultPrinter->text(), QStringLiteral("<None>"));
    window.close();
    EXPECT_EQ(stored(QStringLiteral("cboPrinter")), QStringLiteral("-1"));
    PrintSystem::install(std::move(previous));
}
