#include "dispatch/PrintOne.h"

#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/ScriptedVerbs.h"
#include "platform/shell/ViewerWindows.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QFile>

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

class RecordingProgress final : public DispatchProgress
{
public:
    void setCaption(const QString &caption) override { captions.append(caption); }
    QStringList captions;
};

// Viewer windows that appear and go away on the looks a test scripts.
class ScriptedWindows final : public ViewerWindows
{
public:
    bool available() const override { return true; }
    Window find(const QString &title) override
    {
        ++looks;
        lookedFor.append(title);
        return (title == u"Adobe Reader" && looks >= readerFrom && looks < readerUntil) ? 7 : 0;
    }
    bool exists(Window) override { return stillThere; }
    void requestClose(Window w) override { events.append(QStringLiteral("close %1").arg(w)); }
    void requestCloseWithin(Window w, int ms) override
    {
        events.append(QStringLiteral("close %1 within %2").arg(w).arg(ms));
    }
    void terminateOwner(Window w) override { events.append(QStringLiteral("terminate %1").arg(w)); }
    void pause(int ms) override { pauses.append(ms); }

    int looks = 0;
    int readerFrom = 1000;
    int readerUntil = 1000;
    bool stillThere = false;
    QStringList lookedFor;
    QStringList events;
    QList<int> pauses;
};

const PrinterInfo Main { QStringLiteral("Main"), QStringLiteral("Main"), QStringLiteral("Make"),
    QStringLiteral("usb://x") };
const PrinterInfo Office { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} };

class PrintOneTest : public ::testing::Test
{
protected:
    PrintOneTest()
        : printing({ Main, Office }, QStringLiteral("Main"))
    {
        QFile file(dir.file(QStringLiteral("I0004711.PDF")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4");
        document = { QStringLiteral("A001"), QStringLiteral("SI/4711"),
            QStringLiteral("I0004711.PDF").leftJustified(24), file.fileName(), 4711, true };
        missing = document;
        missing.pdfPath = dir.file(QStringLiteral("nothere.PDF"));
    }

    TempDir dir;
    ScopedMessages messages;
    ScriptedPrintSystem printing;
    ScriptedVerbs verbs;
    RecordingProgress progress;
    PrintDocument document;
    PrintDocument missing;
};

TEST_F(PrintOneTest, ViewOpensTheFileAndReportsAFailure)
{
    EXPECT_TRUE(ViewPdf(document.pdfPath, verbs));
    EXPECT_FALSE(ViewPdf(missing.pdfPath, verbs));
    ASSERT_EQ(verbs.calls.size(), 2);
    EXPECT_EQ(verbs.calls[0].verb, u"open");
    EXPECT_EQ(verbs.calls[0].parameters, QString());
    EXPECT_EQ(verbs.calls[0].show, VerbShow::Normal);
    EXPECT_THAT(messages->texts(), ElementsAre(u"Unable to open PDF file"));
}

TEST_F(PrintOneTest, PrintPdfUsesPrintToEvenForTheDefaultPrinter)
{
    EXPECT_TRUE(PrintPdf(document.pdfPath, Main, printing, verbs));
    ASSERT_EQ(verbs.calls.size(), 1);
    EXPECT_EQ(verbs.calls[0].verb, u"printto");
    EXPECT_EQ(verbs.calls[0].parameters, u"\"Main\" \"Make\" \"usb://x\"");
    EXPECT_FALSE(PrintPdf(missing.pdfPath, Office, printing, verbs));
    EXPECT_EQ(printing.currentPrinter(), Office);
    EXPECT_THAT(messages->texts(), ElementsAre(u"PDF file printed", u"Unable to open PDF file"));
}

TEST_F(PrintOneTest, F8OnAMissingFileReportsItAndNeitherWaitsNorConfirms)
{
    ScriptedWindows windows;
    const bool accepted = PrintOneExecute(missing, Office, printing, verbs, windows, progress);
    PrintOneFinished(accepted);
    EXPECT_FALSE(accepted);
    EXPECT_THAT(messages->texts(), ElementsAre(u"Unable to open PDF file"));
    EXPECT_TRUE(windows.pauses.isEmpty());
    EXPECT_THAT(progress.captions, ElementsAre(u"Printing PDF I0004711.PDF"));
}

TEST_F(PrintOneTest, F8OnThisHostConfirmsWithoutWaitingForAViewer)
{
    const bool accepted
        = PrintOneExecute(document, Office, printing, verbs, ViewerWindows::instance(), progress);
    PrintOneFinished(accepted);
    EXPECT_TRUE(accepted);
    ASSERT_EQ(verbs.calls.size(), 1);
    EXPECT_EQ(verbs.calls[0].verb, u"printto");
    EXPECT_EQ(verbs.calls[0].parameters, u"\"Office\" \"\" \"\"");
    EXPECT_THAT(progress.captions, ElementsAre(u"Printing PDF I0004711.PDF"));
    EXPECT_THAT(messages->texts(), ElementsAre(u"PDF file printed"));
}

TEST_F(PrintOneTest, ReaderThatNeverShowsIsLeftAloneAfterTheFullPolling)
{
    ScriptedWindows windows;
    EXPECT_TRUE(PrintOneExecute(document, Main, printing, verbs, windows, progress));
    EXPECT_EQ(windows.pauses.size(), 22); // 500 and 1500, then 20 looks at 500
    EXPECT_EQ(windows.looks, 40); // both titles on every look
    EXPECT_TRUE(windows.events.isEmpty());
    EXPECT_EQ(progress.captions.last(), u"Closing Acrobat Reader");
}

TEST_F(PrintOneTest, ReaderIsClosedOnceItsDocumentWindowHasGone)
{
    ScriptedWindows windows;
    windows.readerFrom = 5; // appears on the third poll
    windows.readerUntil = 7; // still there for the second look-up
    windows.stillThere = true;
    EXPECT_TRUE(PrintOneExecute(document, Main, printing, verbs, windows, progress));
    // Characters 7 to 26 of the padded value, trimmed.
    EXPECT_EQ(windows.lookedFor.at(6), u"11.PDF - Adobe Reader");
    EXPECT_THAT(windows.events, ElementsAre(u"close 7", u"close 7 within 5000", u"terminate 7"));
}

TEST(ReaderDocumentTitle, TakesCharactersSevenToTwentySix)
{
    EXPECT_EQ(ReaderDocumentTitle(QStringLiteral("I0004711.PDF").leftJustified(24)),
        u"11.PDF - Adobe Reader");
    EXPECT_EQ(ReaderDocumentTitle(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123")),
        u"GHIJKLMNOPQRSTUVWXYZ - Adobe Reader");
    EXPECT_EQ(ReaderDocumentTitle(QStringLiteral("X.PDF")), u" - Adobe Reader");
}

TEST(BrowseURL, OpensTheQuotedProgramWithTheAddress)
{
    ScriptedVerbs verbs;
    verbs.missingFilesFail = false;
    const QString address = ReaderDownloadPage;
    EXPECT_TRUE(BrowseURL(QStringLiteral("\"/usr/bin/xdg-open\" \"%1\""), address, verbs));
    ASSERT_EQ(verbs.calls.size(), 1);
    EXPECT_EQ(verbs.calls[0].verb, u"open");
    EXPECT_EQ(verbs.calls[0].file, u"/usr/bin/xdg-open");
    EXPECT_EQ(verbs.calls[0].parameters, address);
    EXPECT_EQ(verbs.calls[0].show, VerbShow::Show);

    // No usable command: nothing is opened.
    for (const QString &command : { QString(), QStringLiteral("/usr/bin/xdg-open %1"),
             QStringLiteral("\"/usr/bin/xdg-open %1") })
        EXPECT_FALSE(BrowseURL(command, address, verbs)) << command.toStdString();
    EXPECT_EQ(verbs.calls.size(), 1);

    // A program that cannot be started is not reported as opened.
    verbs.answer(QStringLiteral("/opt/none"), VerbResult::FileNotFound);
    EXPECT_FALSE(BrowseURL(QStringLiteral("\"/opt/none\""), address, verbs));
}

} // namespace
