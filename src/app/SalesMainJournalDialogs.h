#pragma once

#include "data/DispatchJournal.h"
#include "dispatch/journal/SendPreview.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QTableWidget;

// The journal rows of one document, newest first. Escape or Close closes it.
class DispatchHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    DispatchHistoryDialog(
        const QString &document, const QList<JournalEntry> &entries, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

private:
    QTableWidget *m_table;
};

// What Send Tagged would do now: a line per message, then the problems found.
class SendPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    // sizeChecked: whether the sending server's size limit was known to the preview.
    SendPreviewDialog(const SendPreview &preview, bool sizeChecked, QWidget *parent = nullptr);

    QTableWidget *messages() const { return m_messages; }
    QListWidget *problems() const { return m_problems; }

private:
    QTableWidget *m_messages;
    QListWidget *m_problems;
};
