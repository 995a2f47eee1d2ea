#include "CompanyWindow.h"

#include "DemoWriter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

void CompanyWindowTest::makeCompany(int statusRows)
{
    demo::Options options;
    options.transactions = 400;
    options.customers = 40;
    options.statusRows = statusRows;
    options.seed = 11;
    m_company = demo::Generate(options);
    m_folder = m_dir.file(QStringLiteral("opera"));
    demo::WriteOptions writeOptions;
    writeOptions.pdfLimit = 60;
    demo::WriteCompany(m_company, m_folder.toStdString(), writeOptions);
}

TFrmSalesMain &CompanyWindowTest::openWindow()
{
    m_window = std::make_unique<TFrmSalesMain>(
        SalesMainOptions { m_dir.file(QStringLiteral("velloran.ini")), QStringLiteral("TESTPC") });
    m_window->show();
    m_window->EdtOperaDataFolder->setText(m_folder);
    m_window->cbxCompanyID->setEditText(QStringLiteral("Z"));
    const QString source = QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + m_folder
        + QStringLiteral("\\COMP_Z.DBC;Mode=Share Deny None");
    m_window->setConnectionString(source);
    m_window->LblOperaADO->setText(source);
    return *m_window;
}
