#include "app/SalesMainJournalDialogs.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QTableWidget *MakeTable(QWidget *parent, const char *name, const QStringList &titles, int rows)
{
    auto *table = new QTableWidget(rows, int(titles.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

void SetCell(QTableWidget *table, int row, int column, const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text);
    table->setItem(row, column, item);
}

// Columns as wide as their texts, none wider than the limit: long texts (a Message-ID, a
// server's reply) are cut and read in full in their tooltips.
void FitColumns(QTableWidget *table, int limit)
{
    table->resizeColumnsToContents();
    for (int column = 0; column < table->columnCount(); ++column)
        table->setColumnWidth(column, std::min(table->columnWidth(column), limit));
}

QDialogButtonBox *CloseButton(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->setObjectName(QStringLiteral("Buttons"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

DispatchHistoryDialog::DispatchHistoryDialog(
    const QString &document, const QList<JournalEntry> &entries, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgDispatchHistory"));
    setWindowTitle(QStringLiteral("Dispatch History - ") + document);
    auto *layout = new QVBoxLayout(this);
    auto *caption = new QLabel(entries.isEmpty()
            ? QStringLiteral("%1 has not been sent or printed by this program.").arg(document)
            : QStringLiteral("Every attempt to send or print %1, newest first:").arg(document),
        this);
    caption->setObjectName(QStringLiteral("LblHistory"));
    layout->addWidget(caption);
    m_table = MakeTable(this, "GrdHistory",
        { QStringLiteral("When"), QStringLiteral("Channel"), QStringLiteral("Result"),
            QStringLiteral("To"), QStringLiteral("Reason"), QStringLiteral("Message-ID / Job"),
            QStringLiteral("By") },
        int(entries.size()));
    const QLocale locale;
    for (int row = 0; row < entries.size(); ++row) {
        const JournalEntry &entry = entries[row];
        SetCell(
            m_table, row, 0, locale.toString(entry.when, QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        SetCell(m_table, row, 1, ChannelWords(entry.channel));
        SetCell(m_table, row, 2,
            entry.accepted ? (entry.channel == JournalChannel::Mail
                    ? QStringLiteral("accepted by the mail server")
                    : QStringLiteral("accepted by the print system"))
                           : QStringLiteral("refused"));
        SetCell(m_table, row, 3, entry.destination);
        SetCell(m_table, row, 4, entry.reason);
        SetCell(m_table, row, 5, entry.reference);
        SetCell(m_table, row, 6, entry.user + QStringLiteral(" on ") + entry.workstation);
    }
    FitColumns(m_table, 200);
    layout->addWidget(m_table, 1);
    // The current row's long texts in full.
    auto *detail = new QLabel(this);
    detail->setObjectName(QStringLiteral("LblDetail"));
    detail->setWordWrap(true);
    detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(detail);
    connect(m_table, &QTableWidget::currentCellChanged, detail, [entries, detail](int row) {
        if (row < 0 || row >= entries.size()) {
            detail->clear();
            return;
        }
        const JournalEntry &entry = entries[row];
        QStringList lines;
        if (!entry.reason.isEmpty())
            lines << QStringLiteral("Reason: ") + entry.reason;
        if (!entry.reference.isEmpty())
            lines << (entry.channel == JournalChannel::Mail ? QStringLiteral("Message-ID: ")
                                                            : QStringLiteral("Print job: "))
                    + entry.reference;
        detail->setText(lines.join(u'\n'));
    });
    if (!entries.isEmpty())
        m_table->setCurrentCell(0, 0);
    layout->addWidget(CloseButton(this));
    resize(1100, 340);
}

SendPreviewDialog::SendPreviewDialog(const SendPreview &preview, bool sizeChecked, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSendPreview"));
    setWindowTitle(QStringLiteral("Preview Send"));
    auto *layout = new QVBoxLayout(this);
    int documents = 0;
    for (const PreviewMessage &message : preview.messages)
        documents += int(message.references.size());
    auto *caption = new QLabel(QStringLiteral("Send Tagged would send %1 message(s) carrying %2 "
                                              "document(s). Nothing has been sent.")
                                   .arg(preview.messages.size())
                                   .arg(documents),
        this);
    caption->setObjectName(QStringLiteral("LblPreview"));
    layout->addWidget(caption);
    m_messages = MakeTable(this, "GrdMessages",
        { QStringLiteral("Account"), QStringLiteral("Address"), QStringLiteral("Attachments"),
            QStringLiteral("Documents") },
        int(preview.messages.size()));
    for (int row = 0; row < preview.messages.size(); ++row) {
        const PreviewMessage &message = preview.messages[row];
        SetCell(m_messages, row, 0, message.account);
        SetCell(m_messages, row, 1, message.address);
        SetCell(m_messages, row, 2, SizeText(message.attachmentBytes));
        SetCell(m_messages, row, 3, message.references.join(QStringLiteral(", ")));
    }
    FitColumns(m_messages, 320);
    layout->addWidget(m_messages, 2);

    auto *problemsCaption = new QLabel(preview.problems.isEmpty()
            ? QStringLiteral("No problems found.")
            : QStringLiteral("Problems (%1):").arg(preview.problems.size()),
        this);
    problemsCaption->setObjectName(QStringLiteral("LblProblems"));
    layout->addWidget(problemsCaption);
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("LstProblems"));
    m_problems->addItems(preview.problems);
    layout->addWidget(m_problems, 1);
    if (!sizeChecked) {
        auto *note = new QLabel(
            QStringLiteral("The mail server's size limit is not known, so sizes were not checked."),
            this);
        note->setObjectName(QStringLiteral("LblSizeNote"));
        layout->addWidget(note);
    }
    layout->addWidget(CloseButton(this));
    resize(760, 460);
}
