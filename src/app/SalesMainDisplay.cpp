#include "app/ReviewQueryFields.h"
#include "app/SalesMain.h"

#include "components/ConnectionStringEditor.h"
#include "components/DataSource.h"
#include "components/DlgDir.h"
#include "components/DlgInfFm.h"
#include "components/RadioGroup.h"
#include "data/ConnectionSource.h"
#include "data/ConnectionString.h"
#include "review/ReviewBuild.h"
#include "review/ReviewListModel.h"
#include "review/ShowSql.h"
#include "review/SortClause.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// What the build shows in DlgBuild.
class DialogProgress final : public BuildProgress
{
public:
    explicit DialogProgress(TDlgInfo &dialog)
        : m_dialog(dialog)
    { }
    void setCaption(const QString &caption) override { m_dialog.setCaption(caption); }
    void setMax(int max) override { m_dialog.setMax(max); }
    void setPosition(int position) override { m_dialog.setPosition(position); }
    void processMessages() override { QCoreApplication::processEvents(); }

private:
    TDlgInfo &m_dialog;
};

// "B&uild...": a connection string for a database container the user picks.
QString BuildFromContainerFile(QWidget *parent, const QString &current)
{
    const QString file = QFileDialog::getOpenFileName(parent, QStringLiteral("Database Container"),
        QString(), QStringLiteral("Database containers (*.dbc *.DBC)"));
    return file.isEmpty() ? current : ComposeConnectionStringForContainer(file);
}

} // namespace

// The review list behind the grid and the navigator, and the query's text before any Display.
void TFrmSalesMain::buildReviewList()
{
    MemSTranModel = new ReviewListModel(m_memSTran, this);
    SrcMemSTran = new TDataSource(MemSTranModel, this);
    BrwSTran->setDataSource(SrcMemSTran);
    NavSTran->setDataSource(SrcMemSTran);
    NavSTran->setFocusControl(BrwSTran);
    connect(MemSTranModel, &ReviewListModel::currentRowChanged, SrcMemSTran,
        &TDataSource::setCurrentRow);
    connect(SrcMemSTran, &TDataSource::currentRowChanged, MemSTranModel,
        &ReviewListModel::setCurrentRow);
    for (int column = 0; column < ReviewFieldCount; ++column) {
        const ReviewFieldInfo &info = FieldInfo(static_cast<ReviewField>(column));
        BrwSTran->setColumnHidden(column, !info.shown);
        if (info.width > 0)
            BrwSTran->setDisplayWidth(column, info.width);
    }
    BrwSTran->OnTitleClick = [this](TdbBrowse *, int column) {
        RunGuarded([this, column] { BrwSTranTitleClick(column); });
    };
    BrwSTran->OnKeyDown = [this](TdbBrowse *, int &key, Qt::KeyboardModifiers) {
        const int pressed = key;
        RunGuarded([this, pressed] { BrwSTranKeyDown(pressed); });
    };
    BrwSTran->OnAction = [this](TdbBrowse *, TBrwAction action, quint16) {
        RunGuarded([this, action] { BrwSTranAction(action); });
    };
    NavSTran->OnLoadCaptions = [this](TCustomBtns *) { NavSTranLoadCaptions(); };
    SrcMemSTran->setActive(false);
    QrySTran.setSql(SqlText(InitialReviewQueryLines()));
    QrySTran.setFieldDefs(ReviewQueryFields());
    DirDlg = new TDirDialog(this);
}

void TFrmSalesMain::NavSTranLoadCaptions()
{
    const auto caption = [this](TvxBrwButtons button, const QString &text, const QString &hint) {
        NavSTran->Buttons(button)->setText(text);
        NavSTran->Buttons(button)->setToolTip(hint);
    };
    caption(brwEdit, QStringLiteral("&Edit Mail Address"), QStringLiteral("Edit Mail Address"));
    caption(brwUdf1, QStringLiteral("&Send Tagged"),
        QStringLiteral("Send Documents to Tagged Accounts"));
    caption(brwUdf2, QStringLiteral("&Print Tagged"),
        QStringLiteral("Print Documents for Tagged Accounts"));
    caption(brwClose, QStringLiteral("&Close"), QStringLiteral("Close"));
}

void TFrmSalesMain::showDelNoteColumn(bool shown)
{
    BrwSTran->setColumnHidden(static_cast<int>(ReviewField::it_numdelv), !shown);
}

void TFrmSalesMain::BtnDisplayClick()
{
    BtnDisplay->setEnabled(false);
    // Display always ends with the button enabled again, also when a check or the save fails.
    struct EnableAgain
    {
        QPushButton *button;
        ~EnableAgain() { button->setEnabled(true); }
    } enableAgain { BtnDisplay };

    SaveSettings();
    if (!DisplayInputsComplete(EdtOperaDataFolder->text(), LblOperaADO->text())) {
        BtnDisplay->setEnabled(true);
        ShowMessage(DataConnectionProblem);
        ShowSetupPage(EdtOperaDataFolder);
        Abort();
    }
    UpdateTitle();
    SortClause = DefaultSortClause;
    DlgBuild->Execute();
}

void TFrmSalesMain::DlgBuildExecute(QObject *)
{
    ReviewBuildInputs inputs;
    inputs.dataFolder = EdtOperaDataFolder->text();
    inputs.companyId = cbxCompanyID->currentText();
    inputs.sortClause = SortClause;
    inputs.showDelNotes = ckbShowDelNotes->isChecked();
    ReviewFilter &filter = inputs.filter;
    filter.excludeSent = ckbExclSent->isChecked();
    filter.excludePrinted = ckbExclPrnt->isChecked();
    filter.excludeAllocated = ckbExclAllocated->isChecked();
    filter.mail = static_cast<MailFilter>(RadMailFilter->itemIndex());
    filter.dateFrom = DateValue(EdtDateFrom);
    filter.dateTo = DateValue(EdtDateTo);
    filter.account = EdtFilterAccount->text();
    filter.name = EdtFilterName->text();
    filter.email = EdtFilterEMail->text();
    filter.docRef = EdtFilterDocRef->text();
    filter.custRef = EdtFilterCustRef->text();
    filter.minimum = EdtMin->text();
    filter.maximum = EdtMax->text();

    showDelNoteColumn(inputs.showDelNotes);
    SrcMemSTran->setActive(false);
    ReviewBuildObjects objects { QrySTran, QryChk, QryInvDelNotes, QryCNDelNotes, ADOCommand,
        m_memSTran, DeliveryNotes };
    DialogProgress progress(*DlgBuild);
    // The grid follows the list again whatever happens to the build.
    struct Reactivate
    {
        TDataSource *source;
        MemSTran &list;
        ~Reactivate() { source->setActive(list.isOpen()); }
    } reactivate { SrcMemSTran, m_memSTran };
    const int rows = BuildReviewList(objects, inputs, progress, FilterClause);
    SrcMemSTran->setActive(true);
    BrwSTran->setFocus();
    NavSTran->setEnabled(true);
    LblHRecs->setText(RecordCountLabel(rows));
}

void TFrmSalesMain::BrwSTranTitleClick(int column)
{
    const QString field
        = MemSTranModel->headerData(column, Qt::Horizontal, ReviewListModel::FieldNameRole)
              .toString();
    if (field.isEmpty() || !m_memSTran.isOpen())
        return;
    BtnDisplay->setEnabled(false);
    SortReviewListByTitle(m_memSTran, SortClause, field);
    BtnDisplay->setEnabled(true);
}

void TFrmSalesMain::btnSQLClick()
{
    const QString readable = ReadableSql(QrySTran.sql());
    QApplication::clipboard()->setText(readable);
    ShowMessage(ShowSqlMessage(readable));
}

void TFrmSalesMain::EdtOperaDataFolderButtonClick()
{
    DirDlg->InitialDir = EdtOperaDataFolder->text();
    if (DirDlg->Execute(this))
        EdtOperaDataFolder->setText(DirDlg->Directory());
}

void TFrmSalesMain::BtnSetOperaADOClick()
{
    const QString title = objectName() + QStringLiteral(".dbOperaADO ConnectionString");
    const QString label = SetConnectionSource(dbOperaADO, LblOperaADO->text(),
        EdtOperaDataFolder->text(), cbxCompanyID->currentText(), [this, &title](QString &text) {
            return ConnectionStringEditor::Edit(title, text, BuildFromContainerFile, this);
        });
    LblOperaADO->setText(label);
    SaveSettings();
}
