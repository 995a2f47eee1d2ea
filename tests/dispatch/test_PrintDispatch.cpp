#include "dispatch/PrintDispatch.h"

#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/ScriptedVerbs.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"
#include "util/Errors.h"

#include <QFile>

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

class RecordingProgress final : public DispatchProgress
{
public:
    void setCaption(const QString &caption) override { captions.append(caption); }
    void processEvents() override { ++events; }

    QStringList captions;
    int events = 0;
};

const PrinterInfo Main { QStringLiteral("Main"), QStringLiteral("Main"),
    QStringLiteral("Generic PDF"), QStringLiteral("socket://10.0.0.5") };
const PrinterInfo Office { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} };

class PrintRunTest : public ::testing::Test
{
protected:
    PrintRunTest()
        : printing({ Main, Office }, QStringLiteral("Main"))
    { }

    // A review row; its PDF is written unless the row stands for a missing file.
    PrintDocument row(const QString &name, qint64 id, bool tagged, bool exists = true)
    {
        const QString path = dir.file(name);
        if (exists) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("%PDF-1.4 " + name.toUtf8());
        }
        return { QStringLiteral("A001"), QStringLiteral("SI/") + QString::number(id),
            name.leftJustified(24), path, id, tagged };
    }

    QList<qint64> run(const QList<PrintDocument> &rows, const std::optional<PrinterInfo> &selected)
    {
        return PrintTaggedDocuments(rows, selected, printing, verbs, progress);
    }

    TempDir dir;
    ScopedMessages messages;
    ScriptedPrintSystem printing;
    ScriptedVerbs verbs;
    RecordingProgress progress;
};

TEST_F(PrintRunTest, DefaultPrinterSelectedPrintsTaggedRowsInListOrderWithEmptyParameters)
{
    const QList<PrintDocument> rows { row(QStringLiteral("I0002.PDF"), 2, true),
        row(QStringLiteral("I0001.PDF"), 1, false), row(QStringLiteral("C0003.PDF"), 3, true) };
    EXPECT_THAT(run(rows, Main), ElementsAre(2, 3));

    ASSERT_EQ(verbs.calls.size(), 2);
    for (const ScriptedVerbs::Call &call : verbs.calls) {
        EXPECT_EQ(call.verb, u"print");
        EXPECT_EQ(call.parameters, QString());
        EXPECT_EQ(call.directory, QString());
        EXPECT_EQ(call.show, VerbShow::Minimised);
    }
    EXPECT_EQ(verbs.calls[0].file, rows[0].pdfPath);
    EXPECT_EQ(verbs.calls[1].file, rows[2].pdfPath);
    // The stored value is padded; the caption shows it trimmed.
    EXPECT_THAT(progress.captions,
        ElementsAre(u"Printing PDF File : [I0002.PDF]", u"Printing PDF File : [C0003.PDF]"));
    EXPECT_EQ(progress.events, 3); // after every row, tagged or not
    EXPECT_TRUE(messages->entries.isEmpty());
}

TEST_F(PrintRunTest, OtherPrinterWithEmptyDriverAndPortPrintsToItAndMakesItCurrent)
{
    const QList<PrintDocument> rows { row(QStringLiteral("I0001.PDF"), 1, true) };
    EXPECT_EQ(printing.currentPrinter(), Main);

    // Two runs in a row keep using the same printer.
    for (int pass = 0; pass < 2; ++pass) {
        verbs.calls.clear();
        EXPECT_THAT(run(rows, Office), ElementsAre(1));
        ASSERT_EQ(verbs.calls.size(), 1);
        EXPECT_EQ(verbs.calls[0].verb, u"printto");
        EXPECT_EQ(verbs.calls[0].parameters, u"\"Office\" \"\" \"\"");
        EXPECT_EQ(printing.currentPrinter(), Office);
    }
}

TEST_F(PrintRunTest, NoSelectionPrintsToTheDefaultPrinterByName)
{
    run({ row(QStringLiteral("I0001.PDF"), 1, true) }, std::nullopt);
    ASSERT_EQ(verbs.calls.size(), 1);
    EXPECT_EQ(verbs.calls[0].verb, u"printto");
    EXPECT_EQ(verbs.calls[0].parameters, u"\"Main\" \"Generic PDF\" \"socket://10.0.0.5\"");
}

TEST_F(PrintRunTest, MissingPdfIsReportedOnceAndTheRunGoesOn)
{
    const QList<PrintDocument> rows { row(QStringLiteral("I0001.PDF"), 1, true),
        row(QStringLiteral("I0002.PDF"), 2, true, false),
        row(QStringLiteral("I0003.PDF"), 3, true) };
    // Only the documents the verb accepted come back, so only they are marked printed.
    EXPECT_THAT(run(rows, Office), ElementsAre(1, 3));
    EXPECT_EQ(verbs.calls.size(), 3);
    EXPECT_THAT(messages->texts(), ElementsAre(u"Unable to open PDF file"));
    EXPECT_EQ(messages->entries[0].kind, MessageService::Kind::Information);
}

TEST_F(PrintRunTest, NoTaggedRowHandsNothingOver)
{
    EXPECT_TRUE(run({ row(QStringLiteral("I0001.PDF"), 1, false) }, Main).isEmpty());
    EXPECT_TRUE(run({}, Office).isEmpty());
    EXPECT_TRUE(verbs.calls.isEmpty());
    EXPECT_TRUE(progress.captions.isEmpty());
    EXPECT_TRUE(messages->entries.isEmpty());
}

TEST_F(PrintRunTest, ASelectionNamingNoInstalledPrinterEndsTheRunBeforeAnythingIsHandedOver)
{
    const QList<PrintDocument> rows { row(QStringLiteral("I0001.PDF"), 1, true) };
    // A printer removed since the list was filled is not replaced by another one.
    EXPECT_THROW(
        run(rows, PrinterInfo { QStringLiteral("Attic"), QStringLiteral("Attic"), {}, {} }),
        Exception);
    // A workstation without printers: no default to fall back on.
    printing.setPrinters({}, {});
    EXPECT_THROW(run(rows, std::nullopt), Exception);
    EXPECT_THROW(run(rows, Office), Exception);
    EXPECT_TRUE(verbs.calls.isEmpty());
}

TEST_F(PrintRunTest, RefusedRequestsAreNotCountedAsPrinted)
{
    const QList<PrintDocument> rows { row(QStringLiteral("I0001.PDF"), 1, true),
        row(QStringLiteral("I0002.PDF"), 2, true) };
    verbs.answer(rows[0].pdfPath, VerbResult::NoAssociation);
    verbs.answer(rows[1].pdfPath, 32); // 32 is still a failure
    EXPECT_TRUE(run(rows, Main).isEmpty());
    EXPECT_EQ(messages->texts().size(), 2);
}

} // namespace
