#pragma once

#include "app/SalesMainStandIns.h"
#include "data/DeliveryNotes.h"
#include "data/DispatchJournal.h"
#include "data/StatusTable.h"
#include "dispatch/MailDispatch.h"
#include "dispatch/PrintDispatch.h"
#include "mail/RwMapiSession.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/print/PrintSystem.h"
#include "review/MemSTran.h"

#include <memory>

#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class SettingsStore;
class TDlgInfo;
class TRadioGroup;
class TDataSource;
class TDirDialog;
class ReviewListModel;
struct ReviewWriter;

// Where the main window keeps its settings; empty members take the program's own
// (the file beside the executable, the section of this computer).
struct SalesMainOptions
{
    QString settingsPath;
    QString workstationCode;
};

// The program's one window: the review page, the e-mail text page and the setup page.
class TFrmSalesMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFrmSalesMain(const SalesMainOptions &options = {}, QWidget *parent = nullptr);
    ~TFrmSalesMain() override;

    // "ZRQ : Velloran - Company [<id>]" with the company identifier's current text.
    QString MainTitle() const;
    void UpdateTitle();
    // Brings the Setup page to the front and focuses the given control.
    void ShowSetupPage(QWidget *control);

    void LoadSettings();
    void SaveSettings();

    // The company database connection's connection string.
    const QString &connectionString() const { return dbOperaADO.connectionString(); }
    void setConnectionString(const QString &text) { dbOperaADO.setConnectionString(text); }
    void closeConnection() { dbOperaADO.close(); }

    // The company database and what the window reads and writes through it.
    db::Connection dbOperaADO;
    db::Query QrySTran { dbOperaADO };
    db::Query QryInvDelNotes { dbOperaADO };
    db::Query QryCNDelNotes { dbOperaADO };
    db::Query QryChk { dbOperaADO };
    db::Command ADOCommand { dbOperaADO };
    // The review list, its grid model and the data source the grid and navigator share.
    MemSTran m_memSTran;

public:
    const MemSTran &reviewList() const { return m_memSTran; }
    ReviewListModel *MemSTranModel;
    TDataSource *SrcMemSTran;
    DeliveryNoteLookup DeliveryNotes;
    // The mail session the e-mail run sends through; logged on at the first send.
    TRwMapiSessionV3 MapiSession;
    TDirDialog *DirDlg;

    const QString &workstationCode() const { return m_workstationCode; }
    const QString &settingsPath() const { return m_settingsPath; }
    // The installed printers as listed at creation, in the order of cboPrinter.
    const QList<PrinterInfo> &printers() const { return m_printers; }

    // Window-level state.
    QString SortClause;
    QString FilterClause;

    // Pages.
    QTabWidget *PgeMain;
    QWidget *TabSLReview;
    QWidget *TabEMailText;
    QWidget *TabSetup;
    QTabWidget *PgeSLMain;
    QWidget *TabSLBrowse;

    // Review page.
    QGroupBox *GrpFilters;
    QGroupBox *GroupBox1;
    TRadioGroup *RadMailFilter;
    QCheckBox *ckbExclAllocated;
    QCheckBox *ckbExclSent;
    QCheckBox *ckbExclPrnt;
    QLineEdit *EdtFilterAccount;
    QLineEdit *EdtFilterName;
    QLineEdit *EdtFilterEMail;
    QLineEdit *EdtFilterDocRef;
    TDateEdit *EdtDateFrom;
    TDateEdit *EdtDateTo;
    QLineEdit *EdtFilterCustRef;
    QLineEdit *EdtMin;
    QLineEdit *EdtMax;
    QPushButton *BtnDisplay;
    QPushButton *BtnClear;
    QPushButton *btnSQL;
    QLabel *LblHRecs;
    TBrowseGrid *BrwSTran;
    TNavigator *NavSTran;

    // The grid's popup menu.
    QMenu *PopBrw;
    QMenu *UpdateSelection1;
    QAction *ExporttoExcel1;
    QAction *TagAll;
    QAction *TagNone;
    QAction *MarkaseMailed1;
    QAction *MarkasPrinted1;
    QAction *SetMailFlags;
    QAction *ViewPDF1;
    QAction *PrintPDF1;
    QAction *PreviewSend1;
    QAction *DispatchHistory1;

    // E-mail text page.
    QPushButton *BtnMailParameters;
    QLineEdit *EdtESubject;
    QPlainTextEdit *EdtEMailBody;

    // Setup page.
    QGroupBox *GrpDir;
    QComboBox *cbxCompanyID;
    TButtonEdit *EdtOperaDataFolder;
    QPushButton *BtnSetOperaADO;
    QLabel *LblOperaADO;
    QGroupBox *GrpPrinter;
    QComboBox *cboPrinter;
    QLabel *lblDefaultPrinter;
    QPushButton *BtnGetAcrobat;
    QGroupBox *GrpOptions;
    QCheckBox *ckbShowDelNotes;
    QPushButton *BtnCubeTest;

    // Progress dialogs of the long runs.
    TDlgInfo *DlgBuild;
    TDlgInfo *DlgSend;
    TDlgInfo *DlgPrint;
    TDlgInfo *DlgPrintOne;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildReviewPage();
    void buildPopupMenu();
    void buildMailPage();
    void buildSetupPage();
    void buildReviewList();
    void createDialogs();
    void wireEvents();
    SettingsStore settings() const;

    void FormCreate();
    void FormShow();
    void FormClose();

    // Event handlers.
    void BtnDisplayClick();
    void BtnClearClick();
    void btnSQLClick();
    void cbxCompanyIDChange();
    void cboPrinterChange();
    void EdtOperaDataFolderButtonClick();
    void BtnSetOperaADOClick();
    void BtnMailParametersClick();
    void BtnGetAcrobatClick();
    void NavSTranButtonClick(TvxBrwButtons button);
    void ExporttoExcel1Click();
    void TagAllClick();
    void TagNoneClick();
    void MarkaseMailed1Click();
    void MarkasPrinted1Click();
    void SetMailFlagsClick();
    void ViewPDF1Click();
    void PrintPDF1Click();
    void PreviewSend1Click();
    void DispatchHistory1Click();
    void DlgBuildExecute(QObject *sender);
    void AmendEMailAddress();
    void DispatchTagged(StatusFlag flag);
    // The journal of a Send Tagged or Print Tagged run: started before the run, closed once its
    // marking question is answered.
    void StartJournalRun();
    void CloseJournalRun();
    // Asks about documents that an earlier run of this workstation handed over but that were
    // never marked, because the program stopped before its question; Yes marks them.
    void OfferToMarkEarlierDispatches(StatusFlag flag);
    void PrintCurrentAndCloseReader();
    ReviewWriter reviewWriter();
    std::optional<PrinterInfo> selectedPrinter() const;
    PrintDocument currentDocument() const;

public:
    // The review keys (F2 to F8), the grid's actions and its title presses.
    void BrwSTranKeyDown(int key);
    void BrwSTranAction(int action);
    void BrwSTranTitleClick(int column);

private:
    void NavSTranLoadCaptions();
    void showDelNoteColumn(bool shown);
    void DlgSendExecute(QObject *sender);
    // Applies the stored mail settings to MapiSession before each of its logons.
    void MapiSessionBeforeLogon();
    void DlgPrintExecute(QObject *sender);
    void DlgPrintOneExecute(QObject *sender);

    QString m_settingsPath;
    QString m_workstationCode;
    // Sends one message through MapiSession, holding its address book and recipient list.
    DocumentMailer m_mailer;
    QList<PrinterInfo> m_printers;
    // What the last Send Tagged or Print Tagged run handed over, and whether the last
    // one-document print was accepted.
    QSet<qint64> m_dispatched;
    std::unique_ptr<DispatchJournal> m_journal;
    bool m_printOneAccepted = false;
};
