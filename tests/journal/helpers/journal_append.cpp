// A second workstation writing the dispatch journal: appends COUNT rows, one document each
// (ids FIRST, FIRST+1, ...), referenced "<TAG>-<n>", to the journal of company Z in FOLDER.
// usage: journal_append FOLDER TAG FIRST COUNT
// Exits 1 when a row could not be written.

#include "data/DispatchJournal.h"
#include "platform/database/Connection.h"
#include "util/MessageService.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

// The journal's one warning, on stderr.
class StderrMessages final : public MessageService
{
public:
    void showMessage(Kind, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    Answer askYesNo(const QString &) override { return Answer::No; }
    Answer askYesNoCancel(const QString &) override { return Answer::Cancel; }
    void beep() override { }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: journal_append FOLDER TAG FIRST COUNT\n");
        return 2;
    }
    MessageService::install(std::make_unique<StderrMessages>());
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const qint64 first = QByteArray(argv[3]).toLongLong();
    const int count = QByteArray(argv[4]).toInt();
    db::Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder);
    DispatchJournal journal(connection, folder, QStringLiteral("Z"));
    for (int n = 0; n < count && !journal.failed(); ++n) {
        journal.record({ JournalChannel::Paper, { first + n }, QStringLiteral("Office printer"),
            tag + u'-' + QString::number(n), true, {} });
    }
    return journal.failed() ? 1 : 0;
}
