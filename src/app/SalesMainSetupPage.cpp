#include "app/SalesMain.h"
#include "app/SalesMainLayout.h"
#include "dispatch/PrintOne.h"
#include "util/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QGroupBox *AddGroup(QWidget *page, QVBoxLayout *layout, const char *name, const QString &title)
{
    auto *group = new QGroupBox(title, page);
    group->setObjectName(QString::fromLatin1(name));
    layout->addWidget(group);
    return group;
}

QLabel *FieldLabel(QWidget *group, const QString &text)
{
    auto *label = new QLabel(text, group);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

void TFrmSalesMain::buildSetupPage()
{
    TabSetup = new QWidget(PgeMain);
    TabSetup->setObjectName(QStringLiteral("TabSetup"));
    const QString caption = QStringLiteral("Setup");
    QVBoxLayout *pageLayout = AddPageTitleBar(TabSetup, QStringLiteral("TitleSetup"), caption);
    PgeMain->addTab(TabSetup, caption);
    auto *groups = new QVBoxLayout;
    groups->setContentsMargins(4, 4, 4, 4);
    groups->setSpacing(6);
    pageLayout->addLayout(groups, 1);

    // Data connection and location.
    GrpDir = AddGroup(TabSetup, groups, "GrpDir", QStringLiteral(" Data Connection and Location "));
    auto *dir = new QGridLayout(GrpDir);
    dir->setColumnMinimumWidth(0, 110);
    dir->setColumnStretch(2, 1);
    cbxCompanyID = new QComboBox(GrpDir);
    cbxCompanyID->setObjectName(QStringLiteral("cbxCompanyID"));
    cbxCompanyID->setEditable(true);
    cbxCompanyID->setInsertPolicy(QComboBox::NoInsert);
    QStringList ids;
    for (char c = 'A'; c <= 'Z'; ++c)
        ids << QString(QLatin1Char(c));
    for (char c = '0'; c <= '9'; ++c)
        ids << QString(QLatin1Char(c));
    ids << QString();
    cbxCompanyID->addItems(ids);
    cbxCompanyID->setFixedWidth(44);
    cbxCompanyID->setCurrentIndex(cbxCompanyID->findText(QStringLiteral("Z")));
    dir->addWidget(FieldLabel(GrpDir, QStringLiteral("Company ID:")), 0, 0);
    dir->addWidget(cbxCompanyID, 0, 1, Qt::AlignLeft);

    EdtOperaDataFolder = CreateButtonEdit(GrpDir, QStringLiteral("EdtOperaDataFolder"),
        [this] { RunGuarded([this] { EdtOperaDataFolderButtonClick(); }); });
    EdtOperaDataFolder->setFixedWidth(491);
    dir->addWidget(FieldLabel(GrpDir, QStringLiteral("Opera Data Folder:")), 1, 0);
    dir->addWidget(EdtOperaDataFolder, 1, 1, 1, 2, Qt::AlignLeft);

    BtnSetOperaADO = new QPushButton(QStringLiteral("Opera ADO Source (Comp_?.dbc)"), GrpDir);
    BtnSetOperaADO->setObjectName(QStringLiteral("BtnSetOperaADO"));
    BtnSetOperaADO->setToolTip(QStringLiteral("This must refer to an ") + QLatin1Char('\r')
        + QStringLiteral("Opera II <COMP_?.DBC> file using VFPOLEDB"));
    BtnSetOperaADO->setAutoDefault(true);
    LblOperaADO = new QLabel(QStringLiteral("Connection String ...."), GrpDir);
    LblOperaADO->setObjectName(QStringLiteral("LblOperaADO"));
    LblOperaADO->setTextFormat(Qt::PlainText);
    auto *source = new QHBoxLayout;
    source->addWidget(BtnSetOperaADO);
    source->addWidget(LblOperaADO, 1);
    dir->addLayout(source, 2, 0, 1, 3);

    // Printer selection.
    GrpPrinter = AddGroup(TabSetup, groups, "GrpPrinter", QStringLiteral(" Printer Selection "));
    auto *printer = new QGridLayout(GrpPrinter);
    printer->setColumnMinimumWidth(0, 110);
    printer->setColumnStretch(2, 1);
    cboPrinter = new QComboBox(GrpPrinter);
    cboPrinter->setObjectName(QStringLiteral("cboPrinter"));
    cboPrinter->setFixedWidth(238);
    printer->addWidget(FieldLabel(GrpPrinter, QStringLiteral("Selected Printer:")), 0, 0);
    printer->addWidget(cboPrinter, 0, 1, Qt::AlignLeft);
    lblDefaultPrinter = new QLabel(QStringLiteral("<None>"), GrpPrinter);
    lblDefaultPrinter->setObjectName(QStringLiteral("lblDefaultPrinter"));
    lblDefaultPrinter->setTextFormat(Qt::PlainText);
    printer->addWidget(FieldLabel(GrpPrinter, QStringLiteral("Default Printer:")), 1, 0);
    printer->addWidget(lblDefaultPrinter, 1, 1, 1, 2);
    auto *readerNote = new QLabel(
        QStringLiteral("If your default PDF Viewer is not capable of printing (many XP machines), "
                       "you can download Adobe Acrobat Reader instead.\n\n")
            + ReaderDownloadPage,
        GrpPrinter);
    readerNote->setObjectName(QStringLiteral("LblReaderNote"));
    readerNote->setTextFormat(Qt::PlainText);
    readerNote->setWordWrap(true);
    printer->addWidget(readerNote, 2, 0, 1, 3);
    BtnGetAcrobat
        = new QPushButton(QStringLiteral("Go to latest Acrobat Reader Download Page"), GrpPrinter);
    BtnGetAcrobat->setObjectName(QStringLiteral("BtnGetAcrobat"));
    BtnGetAcrobat->setAutoDefault(true);
    printer->addWidget(BtnGetAcrobat, 3, 0, 1, 2, Qt::AlignLeft);

    // Options.
    GrpOptions = AddGroup(TabSetup, groups, "GrpOptions", QStringLiteral(" Options "));
    auto *options = new QVBoxLayout(GrpOptions);
    ckbShowDelNotes = new QCheckBox(QStringLiteral("Show Delivery Note Numbers"), GrpOptions);
    ckbShowDelNotes->setObjectName(QStringLiteral("ckbShowDelNotes"));
    options->addWidget(ckbShowDelNotes);

    // A test window's button that is never shown.
    BtnCubeTest = new QPushButton(QStringLiteral("Cube Test"), TabSetup);
    BtnCubeTest->setObjectName(QStringLiteral("BtnCubeTest"));
    BtnCubeTest->hide();

    groups->addStretch(1);
}
