#pragma once

#include "DemoData.h"
#include "app/SalesMain.h"
#include "data/DispatchJournal.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QList>
#include <QMap>
#include <QString>

#include <memory>

// A generated company (PDFs for its first 60 documents) and the real main window on it, every
// message box scripted; and what the tests read back from the journal.
class JournalCompanyTest : public ::testing::Test
{
protected:
    void makeCompany();
    TFrmSalesMain &openWindow();
    void closeWindow() { m_window.reset(); }

    // After Display: the first `count` accounts (in list order) with an address and a PDF, each
    // with the ids of its documents whose PDF exists.
    QList<QPair<QString, QList<qint64>>> mailableAccounts(int count) const;
    // Tags exactly these documents (Tag None first), through the window's commands.
    void tagOnly(const QSet<qint64> &ids);

    // Every journal row, in the order written, read through a connection of its own.
    QList<JournalEntry> journalRows() const;

    QString settingsPath() const { return m_dir.file(QStringLiteral("velloran.ini")); }

    TempDir m_dir;
    QString m_folder;
    ScopedMessages m_messages;
    std::unique_ptr<TFrmSalesMain> m_window;
};

// The Message-ID header of a stored message, without its angle brackets.
QString MessageIdOf(const QString &emlPath);
