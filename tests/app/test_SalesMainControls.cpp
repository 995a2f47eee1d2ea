#include "SalesMainFixture.h"

#include "components/RadioGroup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T *Named(QWidget &window, const char *name)
{
    T *child = window.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QStringList MenuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

} // namespace

TEST_F(SalesMainTest, PagesAndTheirTitleBarsInOrder)
{
    TFrmSalesMain &window = openAndShow();
    EXPECT_EQ(window.objectName(), QStringLiteral("FrmSalesMain"));
    ASSERT_EQ(window.PgeMain->count(), 3);
    const char *pages[] = { "TabSLReview", "TabEMailText", "TabSetup" };
    const QString captions[] = { QStringLiteral("Sales Invoicing Review"),
        QStringLiteral("eMail Text"), QStringLiteral("Setup") };
    const char *bars[] = { "TitleSLReview", "TitleEMailText", "TitleSetup" };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(window.PgeMain->widget(i)->objectName(), QString::fromLatin1(pages[i]));
        EXPECT_EQ(window.PgeMain->tabText(i), captions[i]);
        EXPECT_EQ(Named<QLabel>(window, bars[i])->text(), captions[i]);
    }
    // The inner page set shows its one page without a tab.
    EXPECT_FALSE(window.PgeSLMain->tabBar()->isVisible());
    EXPECT_EQ(window.PgeSLMain->currentWidget(), window.TabSLBrowse);
    EXPECT_EQ(window.SortClause, QStringLiteral("ORDER BY st_account, st_trref"));
}

TEST_F(SalesMainTest, ReviewControlsStartAsDescribed)
{
    TFrmSalesMain &window = openAndShow();
    EXPECT_EQ(window.GrpFilters->title(), QStringLiteral(" Filters "));
    EXPECT_EQ(window.RadMailFilter->itemIndex(), 2);
    EXPECT_EQ(window.RadMailFilter->button(0)->text(), QStringLiteral("&eMail"));
    EXPECT_EQ(window.RadMailFilter->button(1)->text(), QStringLiteral("&Print"));
    EXPECT_EQ(window.RadMailFilter->button(2)->text(), QStringLiteral("&Both"));
    EXPECT_EQ(window.ckbExclAllocated->text(), QStringLiteral("Exclude Allocated :"));
    EXPECT_EQ(window.ckbExclSent->text(), QStringLiteral("Exclude Already Sent :"));
    EXPECT_EQ(window.ckbExclPrnt->text(), QStringLiteral("Exclude Already Printed :"));
    EXPECT_TRUE(window.ckbExclAllocated->isChecked());
    EXPECT_TRUE(window.ckbExclSent->isChecked());
    EXPECT_FALSE(window.ckbExclPrnt->isChecked());
    EXPECT_EQ(window.EdtFilterName->geometry(), QRect(104, 52, 126, 21));
    EXPECT_EQ(window.EdtMin->geometry().topLeft(), QPoint(703, 31));

    // The text fields follow the grid's column order from left to right.
    int left = -1;
    for (const char *name : { "EdtFilterAccount", "EdtFilterName", "EdtFilterEMail",
             "EdtFilterDocRef", "EdtDateTo", "EdtFilterCustRef", "EdtMax" }) {
        QWidget *edit = Named<QWidget>(window, name);
        EXPECT_EQ(edit->parentWidget(), window.GrpFilters) << name;
        EXPECT_GT(edit->x(), left) << name;
        left = edit->x();
        EXPECT_TRUE(qobject_cast<QLineEdit *>(edit)->text().isEmpty()) << name;
    }

    QStringList legends;
    for (const QLabel *label : window.GrpFilters->findChildren<QLabel *>())
        legends << label->text();
    EXPECT_THAT(legends,
        ::testing::IsSupersetOf({ QStringLiteral("F2=Tag"), QStringLiteral("F6=eMail Inv flag"),
            QStringLiteral("F3=Tag"), QStringLiteral("F4=Tag"), QStringLiteral("F7=View PDF"),
            QStringLiteral("F8=Print PDF") }));

    EXPECT_EQ(window.GroupBox1->width(), 121);
    EXPECT_EQ(window.BtnDisplay->text(), QStringLiteral("&Display"));
    EXPECT_TRUE(window.BtnDisplay->font().bold());
    EXPECT_EQ(window.BtnClear->toolTip(), QStringLiteral("Clear Filter Settings"));
    EXPECT_EQ(window.btnSQL->text(), QStringLiteral("Show SQL"));
    EXPECT_EQ(window.LblHRecs->text(), QStringLiteral("n/a"));
    EXPECT_EQ(window.BrwSTran->toolTip(), QStringLiteral("Click on Columns Titles to Sort"));
    EXPECT_EQ(window.BrwSTran->objectName(), QStringLiteral("BrwSTran"));
    EXPECT_EQ(window.NavSTran->objectName(), QStringLiteral("NavSTran"));
}

TEST_F(SalesMainTest, PopupMenuItemsInOrderAndEachCanBeChosen)
{
    TFrmSalesMain &window = openAndShow();
    EXPECT_EQ(window.PopBrw->objectName(), QStringLiteral("PopBrw"));
    EXPECT_EQ(MenuTexts(window.PopBrw),
        (QStringList { QStringLiteral("Export to Excel"), QStringLiteral("Tag All"),
            QStringLiteral("Tag None"), QStringLiteral("Update Selection"),
            QStringLiteral("View PDF"), QStringLiteral("Print PDF"),
            QStringLiteral("Preview Send..."), QStringLiteral("Dispatch History...") }));
    EXPECT_EQ(MenuTexts(window.UpdateSelection1),
        (QStringList { QStringLiteral("Mark/UnMark as Sent"),
            QStringLiteral("Mark/UnMark as Printed"),
            QStringLiteral("Set eMail Flags where Addressed") }));
    // Export to Excel opens its dialog: cancel it once it is up.
    QTimer cancelExport;
    cancelExport.setInterval(20);
    QObject::connect(&cancelExport, &QTimer::timeout, &cancelExport, [] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == QStringLiteral("FrmUtlQry2Excel"))
            dialog->reject();
    });
    cancelExport.start();
    for (QAction *action : window.PopBrw->actions())
        action->trigger();
    cancelExport.stop();
    for (QAction *action : window.UpdateSelection1->actions())
        action->trigger();
    for (const TvxBrwButtons button : { brwEdit, brwUdf1, brwUdf2 })
        window.NavSTran->Buttons(button)->click();
    EXPECT_TRUE(window.isVisible());
    // The bar's Close closes the window without a question.
    window.NavSTran->Buttons(brwClose)->click();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SalesMainTest, MailAndSetupControlsStartAsDescribed)
{
    TFrmSalesMain &window = openAndShow();
    EXPECT_EQ(window.BtnMailParameters->toolTip(),
        QStringLiteral("This needs to be confirmed before emails can be sent for the currently "
                       "logged on user."));
    EXPECT_EQ(window.EdtESubject->width(), 405);
    EXPECT_EQ(window.EdtEMailBody->size(), QSize(405, 218));

    EXPECT_EQ(window.GrpDir->title(), QStringLiteral(" Data Connection and Location "));
    EXPECT_EQ(window.GrpPrinter->title(), QStringLiteral(" Printer Selection "));
    EXPECT_EQ(window.GrpOptions->title(), QStringLiteral(" Options "));
    ASSERT_EQ(window.cbxCompanyID->count(), 37);
    EXPECT_EQ(window.cbxCompanyID->itemText(0), QStringLiteral("A"));
    EXPECT_EQ(window.cbxCompanyID->itemText(25), QStringLiteral("Z"));
    EXPECT_EQ(window.cbxCompanyID->itemText(26), QStringLiteral("0"));
    EXPECT_EQ(window.cbxCompanyID->itemText(35), QStringLiteral("9"));
    EXPECT_EQ(window.cbxCompanyID->itemText(36), QString());
    EXPECT_TRUE(window.cbxCompanyID->isEditable());
    EXPECT_EQ(window.BtnSetOperaADO->text(), QStringLiteral("Opera ADO Source (Comp_?.dbc)"));
    EXPECT_EQ(window.BtnSetOperaADO->toolTip(),
        QStringLiteral("This must refer to an \rOpera II <COMP_?.DBC> file using VFPOLEDB"));
    EXPECT_EQ(window.cboPrinter->count(), 5);
    EXPECT_EQ(
        window.BtnGetAcrobat->text(), QStringLiteral("Go to latest Acrobat Reader Download Page"));
    EXPECT_EQ(window.ckbShowDelNotes->text(), QStringLiteral("Show Delivery Note Numbers"));
    EXPECT_FALSE(window.BtnCubeTest->isVisible());
}

TEST_F(SalesMainTest, ClearResetsFiltersButLeavesModeAndPrintedExclusion)
{
    TFrmSalesMain &window = openAndShow();
    window.RadMailFilter->setItemIndex(0);
    window.ckbExclPrnt->setChecked(true);
    window.ckbExclSent->setChecked(false);
    window.ckbExclAllocated->setChecked(false);
    window.ckbShowDelNotes->setChecked(true);
    const QList<QLineEdit *> edits { window.EdtFilterAccount, window.EdtFilterName,
        window.EdtFilterEMail, window.EdtFilterDocRef, window.EdtFilterCustRef, window.EdtMin,
        window.EdtMax, window.EdtDateFrom, window.EdtDateTo };
    for (QLineEdit *edit : edits)
        edit->setText(QStringLiteral("x1"));

    QTest::mouseClick(window.BtnClear, Qt::LeftButton);

    EXPECT_TRUE(window.ckbExclSent->isChecked());
    EXPECT_TRUE(window.ckbExclAllocated->isChecked());
    EXPECT_TRUE(window.ckbExclPrnt->isChecked());
    EXPECT_EQ(window.RadMailFilter->itemIndex(), 0);
    EXPECT_TRUE(window.ckbShowDelNotes->isChecked());
    for (QLineEdit *edit : edits)
        EXPECT_TRUE(edit->text().isEmpty()) << qPrintable(edit->objectName());
    EXPECT_EQ(window.LblHRecs->text(), QStringLiteral("n/a"));
}

TEST_F(SalesMainTest, DateFiltersAreEmptyAfterEveryShow)
{
    TFrmSalesMain &window = open();
    window.EdtDateFrom->setText(QStringLiteral("01/01/2024"));
    window.EdtDateTo->setText(QStringLiteral("31/01/2024"));
    window.show();
    EXPECT_TRUE(window.EdtDateFrom->text().isEmpty());
    EXPECT_TRUE(window.EdtDateTo->text().isEmpty());
}

TEST_F(SalesMainTest, EnterPressesDisplayUnlessTheFocusedControlTakesIt)
{
    TFrmSalesMain &window = openAndShow();
    QSignalSpy display(window.BtnDisplay, &QPushButton::clicked);

    QTest::keyClick(window.EdtFilterAccount, Qt::Key_Return);
    EXPECT_EQ(display.count(), 1) << "from a filter field";
    QTest::keyClick(window.ckbExclSent, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(display.count(), 2) << "keypad Enter from a check box";
    QTest::keyClick(window.RadMailFilter->button(1), Qt::Key_Return);
    EXPECT_EQ(display.count(), 3) << "from a radio button";

    // The memo takes Enter as a line break.
    window.PgeMain->setCurrentWidget(window.TabEMailText);
    window.EdtEMailBody->clear();
    QTest::keyClick(window.EdtEMailBody, Qt::Key_Return);
    EXPECT_EQ(display.count(), 3);
    EXPECT_EQ(window.EdtEMailBody->toPlainText(), QStringLiteral("\n"));

    // A focused button takes Enter itself.
    window.PgeMain->setCurrentWidget(window.TabSLReview);
    QSignalSpy clear(window.BtnClear, &QPushButton::clicked);
    QTest::keyClick(window.BtnClear, Qt::Key_Return);
    EXPECT_EQ(clear.count(), 1);
    EXPECT_EQ(display.count(), 3);

    // No Display while it is disabled.
    window.BtnDisplay->setEnabled(false);
    QTest::keyClick(window.EdtFilterName, Qt::Key_Return);
    EXPECT_EQ(display.count(), 3);
}

TEST_F(SalesMainTest, SetupPageSwitchFocusesTheGivenControl)
{
    TFrmSalesMain &window = openAndShow();
    window.activateWindow();
    window.ShowSetupPage(window.EdtOperaDataFolder);
    EXPECT_EQ(window.PgeMain->currentWidget(), window.TabSetup);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.EdtOperaDataFolder->hasFocus(); }, 1000));
}
