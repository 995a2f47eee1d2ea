#include "app/SalesMain.h"

#include "app/SalesMainLayout.h"
#include "app/SettingsStore.h"
#include "components/DlgInfFm.h"
#include "components/RadioGroup.h"
#include "review/QueryBuilder.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Page tabs drawn as flat buttons that light up under the mouse.
const QString FlatTabStyle = QStringLiteral(
    "QTabBar::tab { border: 1px solid transparent; border-radius: 2px; padding: 3px 12px; "
    "margin: 2px 1px; background: transparent; }"
    "QTabBar::tab:hover { border-color: palette(mid); background: palette(light); }"
    "QTabBar::tab:selected { border-color: palette(dark); background: palette(midlight); }");

} // namespace

TFrmSalesMain::TFrmSalesMain(const SalesMainOptions &options, QWidget *parent)
    : QMainWindow(parent)
    , m_settingsPath(options.settingsPath.isEmpty() ? SettingsFilePath() : options.settingsPath)
    , m_workstationCode(options.workstationCode)
    , m_mailer(MapiSession,
          MailDialogTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName()))
{
    setObjectName(QStringLiteral("FrmSalesMain"));
    setWindowTitle(QStringLiteral("ZRQ : Velloran"));
    setFont(MainWindowFont());
    // 950 x 557 outside; the frame's share is left to the windowing system.
    resize(942, 523);

    PgeMain = new QTabWidget(this);
    PgeMain->setObjectName(QStringLiteral("PgeMain"));
    PgeMain->setDocumentMode(true);
    PgeMain->tabBar()->setStyleSheet(FlatTabStyle);
    setCentralWidget(PgeMain);

    buildReviewPage();
    buildPopupMenu();
    buildMailPage();
    buildSetupPage();
    buildReviewList();
    createDialogs();
    wireEvents();
    FormCreate();
}

TFrmSalesMain::~TFrmSalesMain() = default;

void TFrmSalesMain::createDialogs()
{
    // Set in the order the stored layout applies them: flags, caption, then the type.
    const auto make = [this](const char *name, bool animate, bool bar, bool time,
                          const QString &caption, TDlgType type) {
        auto *dialog = new TDlgInfo(this, QString::fromLatin1(name));
        dialog->setAnimate(animate);
        dialog->setBar(bar);
        dialog->setTime(time);
        dialog->setCaption(caption);
        dialog->setDialogType(type);
        dialog->setLocation(dlCenter);
        return dialog;
    };
    DlgSend = make("DlgSend", true, false, true, QStringLiteral("Posting..."), dtPosting);
    DlgBuild = make("DlgBuild", false, true, false, QStringLiteral("Building Query .."), dtCustom);
    DlgPrint = make("DlgPrint", true, false, true, QStringLiteral("Posting..."), dtPosting);
    DlgPrintOne = make("DlgPrintOne", false, true, false, QStringLiteral("Printing PDF"), dtCustom);
    DlgSend->OnExecute = [this](QObject *sender) { DlgSendExecute(sender); };
    DlgBuild->OnExecute = [this](QObject *sender) { DlgBuildExecute(sender); };
    DlgPrint->OnExecute = [this](QObject *sender) { DlgPrintExecute(sender); };
    DlgPrintOne->OnExecute = [this](QObject *sender) { DlgPrintOneExecute(sender); };
    MapiSession.BeforeLogon = [this](TRwMapiSessionV3 &) { MapiSessionBeforeLogon(); };
}

void TFrmSalesMain::wireEvents()
{
    // Every handler runs guarded: an error that escapes it is shown and ends that action.
    const auto guarded = [this](void (TFrmSalesMain::*handler)()) {
        return [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(BtnDisplay, &QPushButton::clicked, this, guarded(&TFrmSalesMain::BtnDisplayClick));
    connect(BtnClear, &QPushButton::clicked, this, guarded(&TFrmSalesMain::BtnClearClick));
    connect(btnSQL, &QPushButton::clicked, this, guarded(&TFrmSalesMain::btnSQLClick));
    // Only the user's edits and choices save; the load's own changes do not.
    connect(cbxCompanyID->lineEdit(), &QLineEdit::textEdited, this,
        guarded(&TFrmSalesMain::cbxCompanyIDChange));
    connect(cbxCompanyID, &QComboBox::activated, this, guarded(&TFrmSalesMain::cbxCompanyIDChange));
    connect(cboPrinter, &QComboBox::activated, this, guarded(&TFrmSalesMain::cboPrinterChange));
    connect(
        BtnSetOperaADO, &QPushButton::clicked, this, guarded(&TFrmSalesMain::BtnSetOperaADOClick));
    connect(BtnMailParameters, &QPushButton::clicked, this,
        guarded(&TFrmSalesMain::BtnMailParametersClick));
    connect(
        BtnGetAcrobat, &QPushButton::clicked, this, guarded(&TFrmSalesMain::BtnGetAcrobatClick));

    connect(BrwSTran, &QWidget::customContextMenuRequested, this,
        [this](const QPoint &pos) { PopBrw->popup(BrwSTran->viewport()->mapToGlobal(pos)); });
    connect(
        ExporttoExcel1, &QAction::triggered, this, guarded(&TFrmSalesMain::ExporttoExcel1Click));
    connect(TagAll, &QAction::triggered, this, guarded(&TFrmSalesMain::TagAllClick));
    connect(TagNone, &QAction::triggered, this, guarded(&TFrmSalesMain::TagNoneClick));
    connect(
        MarkaseMailed1, &QAction::triggered, this, guarded(&TFrmSalesMain::MarkaseMailed1Click));
    connect(
        MarkasPrinted1, &QAction::triggered, this, guarded(&TFrmSalesMain::MarkasPrinted1Click));
    connect(SetMailFlags, &QAction::triggered, this, guarded(&TFrmSalesMain::SetMailFlagsClick));
    connect(ViewPDF1, &QAction::triggered, this, guarded(&TFrmSalesMain::ViewPDF1Click));
    connect(PrintPDF1, &QAction::triggered, this, guarded(&TFrmSalesMain::PrintPDF1Click));

    // The bar's own handling (Edit, Close) follows the window's.
    NavSTran->OnButtonClick = [this](TvxBrwNavigator *, TvxBrwButtons button, bool &) {
        RunGuarded([this, button] { NavSTranButtonClick(button); });
    };
}

SettingsStore TFrmSalesMain::settings() const
{
    return SettingsStore(m_settingsPath, m_workstationCode);
}

void TFrmSalesMain::FormCreate()
{
    m_printers = PrintSystem::instance().printers();
    const QString defaultPrinter = PrintSystem::instance().defaultPrinterName();
    for (const PrinterInfo &printer : std::as_const(m_printers))
        cboPrinter->addItem(printer.name);
    cboPrinter->setCurrentIndex(cboPrinter->findText(defaultPrinter, Qt::MatchExactly));

    if (m_workstationCode.isEmpty())
        m_workstationCode = WorkstationCode();
    LoadSettings();
    LblOperaADO->setText(connectionString());
    ckbExclSent->setChecked(true);
    ckbExclAllocated->setChecked(true);
    // Without a default printer the label keeps "<None>".
    if (!defaultPrinter.isEmpty())
        lblDefaultPrinter->setText(defaultPrinter);
}

void TFrmSalesMain::FormShow()
{
    UpdateTitle();
    PgeSLMain->tabBar()->hide();
    PgeSLMain->setCurrentIndex(0);
    SortClause = DefaultSortClause;
    SetDateValue(EdtDateFrom, 0);
    SetDateValue(EdtDateTo, 0);
    if (IsBlank(LblOperaADO->text())) {
        ShowMessage(QStringLiteral("Please Create Connection String for Opera Data"));
        PgeMain->setCurrentWidget(TabSetup);
    }
}

void TFrmSalesMain::FormClose()
{
    SaveSettings();
}

QString TFrmSalesMain::MainTitle() const
{
    return QStringLiteral("ZRQ : ") + QStringLiteral("Velloran - Company [")
        + cbxCompanyID->currentText() + QStringLiteral("]");
}

void TFrmSalesMain::UpdateTitle()
{
    setWindowTitle(MainTitle());
}

void TFrmSalesMain::ShowSetupPage(QWidget *control)
{
    PgeMain->setCurrentWidget(TabSetup);
    if (control)
        control->setFocus();
}

void TFrmSalesMain::BtnClearClick()
{
    ckbExclSent->setChecked(true);
    ckbExclAllocated->setChecked(true);
    for (QLineEdit *edit : { EdtFilterAccount, EdtFilterName, EdtFilterEMail, EdtFilterDocRef,
             EdtFilterCustRef, EdtMin, EdtMax })
        edit->clear();
    SetDateValue(EdtDateFrom, 0);
    SetDateValue(EdtDateTo, 0);
}

void TFrmSalesMain::cbxCompanyIDChange()
{
    SaveSettings();
}

void TFrmSalesMain::cboPrinterChange()
{
    SaveSettings();
}

void TFrmSalesMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(); });
}

void TFrmSalesMain::closeEvent(QCloseEvent *event)
{
    // A failed save is shown; the window still closes.
    RunGuarded([this] { FormClose(); });
    event->accept();
}

void TFrmSalesMain::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took presses the window's default button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier && BtnDisplay->isEnabled()
        && BtnDisplay->isVisibleTo(this)) {
        BtnDisplay->click();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
