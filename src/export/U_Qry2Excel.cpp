#include "export/U_Qry2Excel.h"

#include "components/ClassicFont.h"
#include "components/DialogKeys.h"
#include "components/LeftCaptionCheckBox.h"
#include "components/RadioGroup.h"
#include "components/vxBtnEd.h"
#include "components/vxNavBtn.h"
#include "data/HostPath.h"
#include "export/ExportText.h"
#include "export/ExportWriter.h"
#include "export/SaveDialog.h"
#include "export/TempName.h"
#include "platform/shell/DocumentVerbs.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace ExportText;

namespace {

const QString TextFilter = QStringLiteral("Text (Tab Delimited) (*.txt)|*.txt");
const QString CsvFilter = QStringLiteral("CSV (Comma Separated) (*.csv)|*.csv");
const QString WorkbookFilter = QStringLiteral("Excel Workbook (*.xlsx)|*.xlsx");

// A view file's name taken in the export folder is reserved again rather than overwritten.
constexpr int ViewNameAttempts = 16;

QString Extension(int choice)
{
    switch (choice) {
    case TFrmUtlQry2Excel::SaveAsCsv:
        return QStringLiteral(".CSV");
    case TFrmUtlQry2Excel::SaveAsWorkbook:
        return QStringLiteral(".XLSX");
    default:
        return QStringLiteral(".TXT");
    }
}

QString Filter(int choice)
{
    switch (choice) {
    case TFrmUtlQry2Excel::SaveAsCsv:
        return CsvFilter;
    case TFrmUtlQry2Excel::SaveAsWorkbook:
        return WorkbookFilter;
    default:
        return TextFilter;
    }
}

QWidget *Panel(QWidget *parent, const char *name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    return panel;
}

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u'/';
}

} // namespace

TFrmUtlQry2Excel::TFrmUtlQry2Excel(QWidget *parent)
    : TvxDlgForm(parent)
    , ExportFolder(ProgramFolder())
    , TempFolder(QDir::tempPath())
{
    setObjectName(QStringLiteral("FrmUtlQry2Excel"));
    setWindowTitle(QStringLiteral("Excel Export"));
    QFont font = ClassicSansFont();
    font.setPointSize(8);
    setFont(font);
    setClientSize(361, 262);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PnlRad = Panel(this, "PnlRad");
    auto *radLayout = new QVBoxLayout(PnlRad);
    radLayout->setContentsMargins(10, 10, 10, 10);
    RadOpt = new TRadioGroup(
        { QStringLiteral("View in &Excel"), QStringLiteral("Save As &Tab Delimited (TXT)"),
            QStringLiteral("Save As &Comma Separeted (CSV)"),
            QStringLiteral("Save As Excel &Workbook (XLSX)") },
        1, PnlRad);
    RadOpt->setObjectName(QStringLiteral("RadOpt"));
    radLayout->addWidget(RadOpt);
    layout->addWidget(PnlRad);

    PnlShow = Panel(this, "PnlShow");
    PnlShow->setFixedHeight(20);
    auto *showLayout = new QHBoxLayout(PnlShow);
    showLayout->setContentsMargins(10, 0, 10, 0);
    ckbShowAllColumns = new TLeftCaptionCheckBox(QStringLiteral("&Show All Columns :"), PnlShow);
    ckbShowAllColumns->setObjectName(QStringLiteral("ckbShowAllColumns"));
    showLayout->addWidget(ckbShowAllColumns);
    showLayout->addStretch();
    layout->addWidget(PnlShow);

    PnlSaveAs = Panel(this, "PnlSaveAs");
    auto *saveLayout = new QVBoxLayout(PnlSaveAs);
    saveLayout->setContentsMargins(10, 10, 10, 10);
    GrpSaveAs = new QGroupBox(PnlSaveAs);
    GrpSaveAs->setObjectName(QStringLiteral("GrpSaveAs"));
    auto *grpLayout = new QHBoxLayout(GrpSaveAs);
    grpLayout->setContentsMargins(8, 10, 8, 10);
    vxLabel2 = new QLabel(QStringLiteral("Save To:"), GrpSaveAs);
    vxLabel2->setObjectName(QStringLiteral("vxLabel2"));
    EdtSaveTo = new TvxEdit(GrpSaveAs);
    EdtSaveTo->setObjectName(QStringLiteral("EdtSaveTo"));
    EdtSaveTo->SetStyle(esNormal);
    EdtSaveTo->SetShowButton(true);
    EdtSaveTo->setMinimumHeight(21);
    vxLabel2->setBuddy(EdtSaveTo);
    grpLayout->addWidget(vxLabel2);
    grpLayout->addWidget(EdtSaveTo, 1);
    saveLayout->addWidget(GrpSaveAs);
    layout->addWidget(PnlSaveAs);
    layout->addStretch();

    vxBtnPanel1 = new TvxBtnPanel(this);
    vxBtnPanel1->setObjectName(QStringLiteral("vxBtnPanel1"));
    vxBtnPanel1->setMargin(3);
    BtnProceed = new QPushButton(QStringLiteral("Proceed"), vxBtnPanel1);
    BtnProceed->setObjectName(QStringLiteral("BtnProceed"));
    BtnProceed->setGeometry(10, 6, 75, 23);
    BtnProceed->setAutoDefault(false);
    BtnProceed->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), vxBtnPanel1);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(276, 6, 75, 23);
    BtnCancel->setAutoDefault(false);
    SetCancelButton(BtnCancel, true);
    layout->addWidget(vxBtnPanel1);

    Save = new TSaveDialog(this);
    Save->OverwritePrompt = true;

    setTabOrder(RadOpt, ckbShowAllColumns);
    setTabOrder(ckbShowAllColumns, EdtSaveTo);
    setTabOrder(EdtSaveTo, BtnProceed);
    setTabOrder(BtnProceed, BtnCancel);

    connect(RadOpt, &TRadioGroup::itemIndexChanged, this, [this] { RadOptClick(); });
    connect(EdtSaveTo, &QLineEdit::textChanged, this, [this] { EdtSaveToChange(); });
    connect(EdtSaveTo, &TvxCustomEdit::OnButtonClick, this, [this] { EdtSaveToButtonClick(); });
    connect(BtnProceed, &QPushButton::clicked, this,
        [this] { RunGuarded([this] { BtnProceedClick(); }); });
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    vxDlgFormCreate();
}

void TFrmUtlQry2Excel::vxDlgFormCreate()
{
    Save->InitialDir = ExportFolder;
    RadOpt->setItemIndex(ViewInExcel);
    ckbShowAllColumns->setChecked(false);
}

void TFrmUtlQry2Excel::UpdateProceed()
{
    BtnProceed->setEnabled(RadOpt->itemIndex() == ViewInExcel || !IsBlank(EdtSaveTo->text()));
}

void TFrmUtlQry2Excel::RadOptClick()
{
    const int choice = RadOpt->itemIndex();
    PnlSaveAs->setVisible(choice != ViewInExcel);
    UpdateProceed();
    if (choice == ViewInExcel)
        return;
    const QString text = EdtSaveTo->text();
    if (IsBlank(FileNamePart(text)))
        EdtSaveTo->clear();
    else
        EdtSaveTo->setText(ChangeExtension(text, Extension(choice)));
    Save->Filter = Filter(choice);
}

void TFrmUtlQry2Excel::EdtSaveToChange()
{
    UpdateProceed();
}

void TFrmUtlQry2Excel::EdtSaveToButtonClick()
{
    Save->InitialDir = ExportFolder;
    if (Save->Execute(this))
        EdtSaveTo->setText(Save->FileName);
}

void TFrmUtlQry2Excel::BtnProceedClick()
{
    const auto choice = static_cast<Choice>(RadOpt->itemIndex());
    if (choice == ViewInExcel)
        ViewInSpreadsheet();
    else
        SaveToFile(choice);
}

void TFrmUtlQry2Excel::SaveToFile(Choice choice)
{
    QString path = EdtSaveTo->text();
    if (IsBlank(FileNamePart(path))) {
        ShowMessage(QStringLiteral("\"Save To\" must be chosen"));
        return;
    }
    if (FolderPart(path).isEmpty())
        path = JoinFolder(ExportFolder, path);
    path = ChangeExtension(path, Extension(choice));
    EdtSaveTo->setText(path);

    const QString file = HostPath(path);
    if (QFileInfo::exists(file)
        && !AskYesNo(
            QStringLiteral("File [") + path + QStringLiteral("] already exists, Overwrite?")))
        return;
    if (!SrcQry)
        throw Exception(QStringLiteral("No list to export"));
    if (choice == SaveAsWorkbook)
        WriteWorkbook(*SrcQry, file, ckbShowAllColumns->isChecked());
    else
        WriteDelimited(*SrcQry, file, choice == SaveAsCsv ? ExportFormat::Csv : ExportFormat::Tab,
            ckbShowAllColumns->isChecked());
    if (AskYesNo(QStringLiteral("Display in Excel?")))
        OpenInSpreadsheet(path);
    accept();
}

void TFrmUtlQry2Excel::ViewInSpreadsheet()
{
    // The name comes from the temporary folder; the file itself goes to the export folder, where
    // a file of that name already there is never overwritten: another name is reserved instead.
    QString path;
    for (int attempt = 0; attempt < ViewNameAttempts && path.isEmpty(); ++attempt) {
        const QString reserved = ReserveTempFileName(TempFolder, QStringLiteral("TMP"));
        if (reserved.isEmpty())
            break;
        const QString candidate = ChangeExtension(
            JoinFolder(ExportFolder, FileNamePart(reserved)), QStringLiteral(".txt"));
        if (!QFileInfo::exists(HostPath(candidate)))
            path = candidate;
    }
    if (path.isEmpty()) {
        ShowMessage(QStringLiteral("Problem with Temp filename"));
        return;
    }
    if (!SrcQry)
        throw Exception(QStringLiteral("No list to export"));
    WriteDelimited(*SrcQry, HostPath(path), ExportFormat::Tab, ckbShowAllColumns->isChecked());
    OpenInSpreadsheet(path);
    accept();
}

void TFrmUtlQry2Excel::OpenInSpreadsheet(const QString &path) const
{
    const QString quote = QStringLiteral("\"");
    // A spreadsheet application that cannot be started is not reported.
    DocumentVerbs::instance().execute(QStringLiteral("open"), QStringLiteral("excel"),
        quote + HostPath(path) + quote, quote + ExportFolder + quote, VerbShow::Normal);
}

void ShowQry2Excel(db::Query &query)
{
    TFrmUtlQry2Excel dialog(QApplication::activeWindow());
    dialog.SetDataSet(&query);
    dialog.exec();
}
