#pragma once

#include "DemoData.h"
#include "app/SalesMain.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

// A generated company of 400 transactions (PDFs written for the first 60 documents) and the real
// main window set up on it, with every message box scripted.
class CompanyWindowTest : public ::testing::Test
{
protected:
    // statusRows: the generator's count of status rows; 0 leaves the table to be created.
    void makeCompany(int statusRows);
    TFrmSalesMain &openWindow();

    TempDir m_dir;
    QString m_folder;
    demo::Company m_company;
    ScopedMessages m_messages;
    std::unique_ptr<TFrmSalesMain> m_window;
};
