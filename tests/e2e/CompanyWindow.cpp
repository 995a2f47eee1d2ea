#include "CompanyWindow.h"

#include "CompanyOnDisk.h"

void CompanyWindowTest::makeCompany(int statusRows)
{
    m_folder = m_dir.file(QStringLiteral("opera"));
    m_company = WriteTestCompany(m_folder, statusRows);
}

TFrmSalesMain &CompanyWindowTest::openWindow()
{
    m_window = OpenCompanyWindow(m_dir.file(QStringLiteral("velloran.ini")), m_folder);
    return *m_window;
}
