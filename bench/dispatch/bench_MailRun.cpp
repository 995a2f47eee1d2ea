// The whole e-mail run as Send Tagged runs it: 1,000 accounts with three 100 KB PDFs each, to a
// loopback SMTP server, inside the progress dialog. Reports messages per second, the share of
// the run's time spent outside the SMTP exchange (the same messages' exchanges are timed alone
// first, in the same run), and the longest time the event loop went unserved during the run.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_mailrun
//   VELLORAN_BENCH_RETURN_FREED_MEMORY=1 ...: without keeping freed memory for reuse

#include "mail/LoopbackBenchMail.h"

#include "app/DialogProgress.h"
#include "components/DlgInfFm.h"
#include "dispatch/MailDispatch.h"
#include "mail/RwMapiSession.h"
#include "platform/mapi/MailStore.h"
#include "util/ProcessMemory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int kAccounts = 1000;
constexpr int kPerAccount = 3;
constexpr int kPdfSize = 100 * 1024;

QByteArray RandomPdf()
{
    QByteArray bytes("%PDF-1.4\n");
    while (bytes.size() < kPdfSize)
        bytes.append(char(QRandomGenerator::global()->bounded(256)));
    return bytes;
}

// The tagged documents of the run, their stored PDFs written into folder.
QList<MailDocument> WriteDocuments(const QString &folder)
{
    QDir().mkpath(folder);
    const QByteArray pdf = RandomPdf();
    QList<MailDocument> rows;
    for (int a = 0; a < kAccounts; ++a) {
        for (int d = 0; d < kPerAccount; ++d) {
            const int n = a * kPerAccount + d;
            MailDocument row;
            row.tagged = true;
            row.account = QStringLiteral("C%1").arg(a, 5, 10, QChar(u'0')).leftJustified(8);
            row.email = QStringLiteral("c%1@example.com").arg(a);
            row.type = d == 2 ? QStringLiteral("C") : QStringLiteral("I");
            row.pdfFile = QStringLiteral("I%1.PDF").arg(n, 7, 10, QChar(u'0'));
            row.pdfPath = folder + u'/' + row.pdfFile;
            row.copyPath = folder + QStringLiteral("/SI%1.PDF").arg(n);
            row.id = n + 1;
            QFile file(row.pdfPath);
            if (file.open(QIODevice::WriteOnly))
                file.write(pdf);
            rows.append(row);
        }
    }
    return rows;
}

// The SMTP exchanges of the run's messages alone: each message composed as the run composes
// it (untimed), then handed to the transport.
struct Baseline
{
    double composeSeconds = 0;
    double exchangeSeconds = 0;
};

Baseline SmtpExchangeSeconds(const QList<MailDocument> &rows, int port)
{
    TransportSettings settings;
    settings.kind = TransportSettings::Kind::Smtp;
    settings.url = QStringLiteral("smtp://127.0.0.1:%1").arg(port);
    settings.tls = TransportSettings::Tls::None;
    const std::unique_ptr<Transport> transport = Transport::create(settings, QString());
    qint64 ns = 0;
    qint64 composeNs = 0;
    for (int a = 0; a < kAccounts; ++a) {
        OutgoingMessage m;
        m.senderAddress = QStringLiteral("ledger@example.com");
        m.recipients = { { MAPI_TO, QString(), rows[a * kPerAccount].email } };
        m.subject = QStringLiteral("Documents - Invoice * 2 - Credit Note * 1");
        m.priority = 1;
        m.body = QStringLiteral("Dear customer,\r\nplease find your documents attached.\r\n");
        for (int d = 0; d < kPerAccount; ++d) {
            QFile file(rows[a * kPerAccount + d].pdfPath);
            file.open(QIODevice::ReadOnly);
            m.attachments.append({ QStringLiteral("SI%1.PDF").arg(a), file.readAll() });
        }
        QElapsedTimer compose;
        compose.start();
        const QByteArray mime = ComposeMime(m);
        composeNs += compose.nsecsElapsed();
        QElapsedTimer exchange;
        exchange.start();
        transport->send(m.senderAddress, { m.recipients[0].address }, mime);
        ns += exchange.nsecsElapsed();
    }
    return { double(composeNs) / 1e9, double(ns) / 1e9 };
}

void BM_EmailRun(benchmark::State &state)
{
    const BenchMailUser user;
    if (user.port() == 0) {
        state.SkipWithError("the loopback SMTP server did not start");
        return;
    }
    const QList<MailDocument> rows = WriteDocuments(user.filePath(QStringLiteral("Z_PDF")));
    const QString sentItems = user.filePath(QStringLiteral("store/Sent Items/cur"));

    for (auto _ : state) {
        state.PauseTiming();
        const Baseline baseline = SmtpExchangeSeconds(rows, user.port());
        const double smtpSeconds = baseline.exchangeSeconds;
        state.ResumeTiming();

        TRwMapiSessionV3 session;
        DocumentMailer mailer(session, QStringLiteral("Bench"));
        TDlgInfo dialog(nullptr, QStringLiteral("DlgSend"));
        dialog.setDialogType(dtPosting);
        QSet<qint64> delivered;
        // The longest time between two turns of the event loop while the run goes on.
        QElapsedTimer sinceTurn;
        qint64 longestGapNs = 0;
        bool running = false;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (running)
                longestGapNs = std::max(longestGapNs, sinceTurn.nsecsElapsed());
            sinceTurn.restart();
        });
        QElapsedTimer run;
        dialog.OnExecute = [&](QObject *) {
            DialogProgress progress(dialog);
            sinceTurn.start();
            running = true;
            watch.start();
            run.start();
            SendTaggedDocuments(rows,
                { QStringLiteral("Documents"),
                    QStringLiteral("Dear customer,\r\nplease find your documents attached.\r\n") },
                mailer, progress, delivered);
            state.counters["run_seconds"] = double(run.nsecsElapsed()) / 1e9;
            running = false;
            watch.stop();
        };
        dialog.Execute();
        session.UnloadMapi();

        const double runSeconds = state.counters["run_seconds"];
        state.counters["delivered"] = double(delivered.size());
        state.counters["messages_per_second"] = kAccounts / runSeconds;
        state.counters["smtp_seconds"] = smtpSeconds;
        state.counters["compose_seconds"] = baseline.composeSeconds;
        state.counters["outside_smtp_share"] = (runSeconds - smtpSeconds) / runSeconds;
        state.counters["longest_loop_gap_ms"] = double(longestGapNs) / 1e6;
        state.PauseTiming();
        for (const QString &name : QDir(sentItems).entryList(QDir::Files))
            QFile::remove(sentItems + u'/' + name);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_EmailRun)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char **argv)
{
    // As the program does, unless the figure without it is wanted.
    if (qEnvironmentVariableIsEmpty("VELLORAN_BENCH_RETURN_FREED_MEMORY"))
        KeepFreedMemoryForReuse();
    QApplication app(argc, argv); // the run goes on inside the progress dialog
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
