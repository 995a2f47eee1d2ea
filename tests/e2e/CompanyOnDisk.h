#pragma once

#include "DemoData.h"
#include "DemoWriter.h"
#include "app/SalesMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <memory>

// The generated company of 400 transactions and 40 customers (seed 11) the window tests share,
// written into folder with PDFs for its first 60 documents. statusRows: the generator's count
// of status rows; 0 leaves the table to be created.
inline demo::Company WriteTestCompany(const QString &folder, int statusRows)
{
    demo::Options options;
    options.transactions = 400;
    options.customers = 40;
    options.statusRows = statusRows;
    options.seed = 11;
    demo::Company company = demo::Generate(options);
    demo::WriteOptions writeOptions;
    writeOptions.pdfLimit = 60;
    demo::WriteCompany(company, folder.toStdString(), writeOptions);
    return company;
}

// The real main window, shown, with the settings file and set up on company Z in folder.
inline std::unique_ptr<TFrmSalesMain> OpenCompanyWindow(
    const QString &settingsFile, const QString &folder)
{
    auto window = std::make_unique<TFrmSalesMain>(
        SalesMainOptions { settingsFile, QStringLiteral("TESTPC") });
    window->show();
    window->EdtOperaDataFolder->setText(folder);
    window->cbxCompanyID->setEditText(QStringLiteral("Z"));
    const QString source = QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder
        + QStringLiteral("\\COMP_Z.DBC;Mode=Share Deny None");
    window->setConnectionString(source);
    window->LblOperaADO->setText(source);
    return window;
}
