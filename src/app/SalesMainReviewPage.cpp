#include "app/SalesMain.h"
#include "app/SalesMainLayout.h"
#include "components/LeftCaptionCheckBox.h"
#include "components/RadioGroup.h"
#include "util/MessageService.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

namespace {

QLineEdit *PlaceFilterEdit(QWidget *group, const char *name, int left, int top, int width)
{
    auto *edit = new QLineEdit(group);
    edit->setObjectName(QString::fromLatin1(name));
    Place(edit, left, top, width, 21);
    return edit;
}

QCheckBox *PlaceExclusion(
    QWidget *group, const char *name, const QString &caption, int left, int top, int width)
{
    auto *box = new TLeftCaptionCheckBox(caption, group);
    box->setObjectName(QString::fromLatin1(name));
    Place(box, left, top, width, 15);
    return box;
}

} // namespace

void TFrmSalesMain::buildReviewPage()
{
    TabSLReview = new QWidget(PgeMain);
    TabSLReview->setObjectName(QStringLiteral("TabSLReview"));
    const QString caption = QStringLiteral("Sales Invoicing Review");
    QVBoxLayout *pageLayout
        = AddPageTitleBar(TabSLReview, QStringLiteral("TitleSLReview"), caption);
    PgeMain->addTab(TabSLReview, caption);

    PgeSLMain = new QTabWidget(TabSLReview);
    PgeSLMain->setObjectName(QStringLiteral("PgeSLMain"));
    PgeSLMain->setDocumentMode(true);
    pageLayout->addWidget(PgeSLMain, 1);
    TabSLBrowse = new QWidget(PgeSLMain);
    TabSLBrowse->setObjectName(QStringLiteral("TabSLBrowse"));
    PgeSLMain->addTab(TabSLBrowse, QStringLiteral("Browse"));
    auto *browseLayout = new QVBoxLayout(TabSLBrowse);
    browseLayout->setContentsMargins(0, 0, 0, 0);
    browseLayout->setSpacing(0);

    // The panel of filters and commands above the grid.
    auto *panel = new QWidget(TabSLBrowse);
    panel->setObjectName(QStringLiteral("PnlFilters"));
    panel->setFixedHeight(92);
    auto *panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    browseLayout->addWidget(panel);

    GrpFilters = new QGroupBox(QStringLiteral(" Filters "), panel);
    GrpFilters->setObjectName(QStringLiteral("GrpFilters"));
    panelLayout->addWidget(GrpFilters, 1);

    RadMailFilter = new TRadioGroup(
        { QStringLiteral("&eMail"), QStringLiteral("&Print"), QStringLiteral("&Both") }, 3,
        GrpFilters);
    RadMailFilter->setObjectName(QStringLiteral("RadMailFilter"));
    Place(RadMailFilter, 11, 12, 154, 35);
    RadMailFilter->setItemIndex(2);

    ckbExclAllocated = PlaceExclusion(
        GrpFilters, "ckbExclAllocated", QStringLiteral("Exclude Allocated :"), 179, 23, 110);
    ckbExclSent = PlaceExclusion(
        GrpFilters, "ckbExclSent", QStringLiteral("Exclude Already Sent :"), 296, 15, 138);
    ckbExclPrnt = PlaceExclusion(
        GrpFilters, "ckbExclPrnt", QStringLiteral("Exclude Already Printed :"), 296, 29, 138);
    ckbExclAllocated->setChecked(true);
    ckbExclSent->setChecked(true);

    // In the order of the grid's columns below them.
    EdtFilterAccount = PlaceFilterEdit(GrpFilters, "EdtFilterAccount", 39, 52, 58);
    EdtFilterName = PlaceFilterEdit(GrpFilters, "EdtFilterName", 104, 52, 126);
    EdtFilterEMail = PlaceFilterEdit(GrpFilters, "EdtFilterEMail", 237, 52, 122);
    EdtFilterDocRef = PlaceFilterEdit(GrpFilters, "EdtFilterDocRef", 446, 52, 89);
    EdtDateFrom = CreateDateEdit(GrpFilters, QStringLiteral("EdtDateFrom"));
    Place(EdtDateFrom, 538, 30, 76, 21);
    EdtDateTo = CreateDateEdit(GrpFilters, QStringLiteral("EdtDateTo"));
    Place(EdtDateTo, 538, 52, 76, 21);
    EdtFilterCustRef = PlaceFilterEdit(GrpFilters, "EdtFilterCustRef", 618, 52, 73);
    EdtMin = PlaceFilterEdit(GrpFilters, "EdtMin", 703, 31, 48);
    EdtMax = PlaceFilterEdit(GrpFilters, "EdtMax", 703, 52, 48);

    PlaceKeyLegend(GrpFilters, QStringLiteral("F2=Tag"), 3, 73);
    PlaceKeyLegend(GrpFilters, QStringLiteral("F6=eMail Inv flag"), 206, 74);
    PlaceKeyLegend(GrpFilters, QStringLiteral("F3=Tag"), 375, 73);
    PlaceKeyLegend(GrpFilters, QStringLiteral("F4=Tag"), 412, 74);
    PlaceKeyLegend(GrpFilters, QStringLiteral("F7=View PDF"), 507, 8);
    PlaceKeyLegend(GrpFilters, QStringLiteral("F8=Print PDF"), 594, 8);

    // The commands.
    GroupBox1 = new QGroupBox(panel);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFixedWidth(121);
    panelLayout->addWidget(GroupBox1);

    BtnDisplay = new QPushButton(QStringLiteral("&Display"), GroupBox1);
    BtnDisplay->setObjectName(QStringLiteral("BtnDisplay"));
    QFont bold = BtnDisplay->font();
    bold.setBold(true);
    BtnDisplay->setFont(bold);
    BtnDisplay->setDefault(true);
    BtnDisplay->setAutoDefault(true);
    Place(BtnDisplay, 8, 8, 105, 25);

    BtnClear = new QPushButton(QStringLiteral("Clear"), GroupBox1);
    BtnClear->setObjectName(QStringLiteral("BtnClear"));
    BtnClear->setToolTip(QStringLiteral("Clear Filter Settings"));
    BtnClear->setAutoDefault(true);
    Place(BtnClear, 8, 37, 50, 21);

    btnSQL = new QPushButton(QStringLiteral("Show SQL"), GroupBox1);
    btnSQL->setObjectName(QStringLiteral("btnSQL"));
    btnSQL->setAutoDefault(true);
    QFont small = btnSQL->font();
    small.setPointSize(7);
    btnSQL->setFont(small);
    Place(btnSQL, 61, 37, 52, 21);

    LblHRecs = new QLabel(QStringLiteral("n/a"), GroupBox1);
    LblHRecs->setObjectName(QStringLiteral("LblHRecs"));
    LblHRecs->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LblHRecs->setWordWrap(true);
    QPalette navy = LblHRecs->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    LblHRecs->setPalette(navy);
    Place(LblHRecs, 8, 62, 105, 26);

    BrwSTran = CreateBrowseGrid(TabSLBrowse);
    BrwSTran->setToolTip(QStringLiteral("Click on Columns Titles to Sort"));
    browseLayout->addWidget(BrwSTran, 1);

    NavSTran = CreateNavigator(TabSLBrowse);
    browseLayout->addWidget(NavSTran);
}

void TFrmSalesMain::buildPopupMenu()
{
    PopBrw = new QMenu(this);
    PopBrw->setObjectName(QStringLiteral("PopBrw"));
    const auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    ExporttoExcel1 = item(PopBrw, "ExporttoExcel1", QStringLiteral("Export to Excel"));
    TagAll = item(PopBrw, "TagAll", QStringLiteral("Tag All"));
    TagNone = item(PopBrw, "TagNone", QStringLiteral("Tag None"));
    UpdateSelection1 = PopBrw->addMenu(QStringLiteral("Update Selection"));
    UpdateSelection1->setObjectName(QStringLiteral("UpdateSelection1"));
    UpdateSelection1->menuAction()->setObjectName(QStringLiteral("UpdateSelection1Item"));
    MarkaseMailed1
        = item(UpdateSelection1, "MarkaseMailed1", QStringLiteral("Mark/UnMark as Sent"));
    MarkasPrinted1
        = item(UpdateSelection1, "MarkasPrinted1", QStringLiteral("Mark/UnMark as Printed"));
    SetMailFlags
        = item(UpdateSelection1, "SetMailFlags", QStringLiteral("Set eMail Flags where Addressed"));
    ViewPDF1 = item(PopBrw, "ViewPDF1", QStringLiteral("View PDF"));
    PrintPDF1 = item(PopBrw, "PrintPDF1", QStringLiteral("Print PDF"));
    PreviewSend1 = item(PopBrw, "PreviewSend1", QStringLiteral("Preview Send..."));
    DispatchHistory1 = item(PopBrw, "DispatchHistory1", QStringLiteral("Dispatch History..."));
    connect(PreviewSend1, &QAction::triggered, this,
        [this] { RunGuarded([this] { PreviewSend1Click(); }); });
    connect(DispatchHistory1, &QAction::triggered, this,
        [this] { RunGuarded([this] { DispatchHistory1Click(); }); });
}
