#include "app/SalesMainJournalDialogs.h"
#include "app/ScreenshotHook.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTableWidget>

#include <cstdio>

namespace {

bool Save(QWidget &dialog, const QString &path)
{
    dialog.show();
    QCoreApplication::processEvents();
    const bool saved = dialog.grab().save(path);
    dialog.close();
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved;
}

// Sample rows, not the user's: one document e-mailed once to a refused address, then again
// after the address was corrected, then printed.
QList<JournalEntry> SampleHistory()
{
    const QDate day(2026, 3, 12);
    const auto entry = [&](int hour, int minute, JournalChannel channel, const char *to,
                           const char *reference, bool accepted, const char *reason) {
        JournalEntry e;
        e.document = 4711;
        e.when = QDateTime(day, QTime(hour, minute, 7));
        e.channel = channel;
        e.user = QStringLiteral("mhartley");
        e.workstation = QStringLiteral("ACCOUNTS-PC2");
        e.destination = QString::fromLatin1(to);
        e.reference = QString::fromLatin1(reference);
        e.accepted = accepted;
        e.reason = QString::fromLatin1(reason);
        return e;
    };
    return { entry(
                 16, 2, JournalChannel::Paper, "Office LaserJet", "Office_LaserJet-118", true, ""),
        entry(11, 40, JournalChannel::Mail, "accounts@abbeyfloors.co.uk",
            "5d0c41e2-8f7a-4b1e-9a61-3c2f0b7de915@zenith-trading.co.uk", true, ""),
        entry(9, 15, JournalChannel::Mail, "acounts@abbeyfloors.co.uk", "", false,
            "The outgoing server smtp.zenith-trading.co.uk:587 refused every recipient: 550 "
            "5.1.1 mailbox unavailable") };
}

SendPreview SamplePreview()
{
    SendPreview preview;
    preview.messages = {
        { QStringLiteral("ABB001"), QStringLiteral("accounts@abbeyfloors.co.uk"),
            { QStringLiteral("SI/4711"), QStringLiteral("SI/4716"), QStringLiteral("SC/0112") },
            212 * 1024 },
        { QStringLiteral("BRI004"), QStringLiteral("ledger@bristowe.com"),
            { QStringLiteral("SI/4720") }, 64 * 1024 },
        { QStringLiteral("CAR010"), QString(), { QStringLiteral("SI/4722") }, 58 * 1024 },
        { QStringLiteral("DUN002"), QStringLiteral("payments at dunmore"),
            { QStringLiteral("SI/4725") }, 61 * 1024 },
        { QStringLiteral("HAL007"), QStringLiteral("ap@hallamgroup.com"),
            { QStringLiteral("SI/4730"), QStringLiteral("SI/4731") }, 14 * 1024 * 1024 },
    };
    preview.problems = {
        QStringLiteral("PDF missing: SI/4724 of account DUN002 (/srv/opera/Z_PDF/I0004724.PDF)"),
        QStringLiteral("Account CAR010: the e-mail address is blank"),
        QStringLiteral("Account DUN002: \"payments at dunmore\" is not an e-mail address"),
        QStringLiteral("Account HAL007: the message (about 18.7 MB) is larger than the mail server "
                       "accepts (10.0 MB)"),
        QStringLiteral("SI/4711 of account ABB001 was delivered by e-mail before"),
        QStringLiteral("SI/4720 of account BRI004 is marked as sent"),
    };
    return preview;
}

} // namespace

int SaveJournalScreenshots(QWidget *owner, const QString &folder)
{
    int failures = 0;
    SendPreviewDialog preview(SamplePreview(), true, owner);
    failures
        += Save(preview, QDir(folder).filePath(QStringLiteral("8-DlgSendPreview.png"))) ? 0 : 1;
    DispatchHistoryDialog history(QStringLiteral("SI/4711"), SampleHistory(), owner);
    history.table()->setCurrentCell(2, 0); // the refused attempt, its reason below
    failures
        += Save(history, QDir(folder).filePath(QStringLiteral("8-DlgDispatchHistory.png"))) ? 0 : 1;
    return failures;
}
