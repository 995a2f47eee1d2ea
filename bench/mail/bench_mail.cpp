// Submission throughput: 1,000 messages of three 100 KB PDFs each to a loopback SMTP
// server, the way the mail library submits them (compose, file in the Outbox, SMTP
// exchange, move to Sent Items). Reports messages per second and the share of the time
// spent outside the SMTP exchange.
//
//   build/bin/bench_mail

#include "LoopbackBenchMail.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiSession.h"
#include "platform/mapi/MailStore.h"
#include "util/ProcessMemory.h"

#include <QCoreApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kMessages = 1000;
constexpr int kPdfSize = 100 * 1024;

QString writePdf(const QString &folder, int n)
{
    QByteArray bytes("%PDF-1.4\n");
    while (bytes.size() < kPdfSize)
        bytes.append(char(QRandomGenerator::global()->bounded(256)));
    const QString path = folder + QStringLiteral("/SI%1.PDF").arg(n);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void BM_SubmitToLoopbackSmtp(benchmark::State &state)
{
    QTemporaryDir dir;
    QProcess server;
    const int port = StartDiscardingSmtpServer(server, dir.path());
    if (port == 0) {
        state.SkipWithError("the loopback SMTP server did not start");
        return;
    }
    const QStringList pdfs { writePdf(dir.path(), 1), writePdf(dir.path(), 2),
        writePdf(dir.path(), 3) };
    SessionCore core;
    core.profile.name = QStringLiteral("Bench");
    core.profile.senderAddress = QStringLiteral("ledger@example.com");
    core.profile.storeFolder = dir.filePath(QStringLiteral("store"));
    core.profile.transport.kind = TransportSettings::Kind::Smtp;
    core.profile.transport.url = QStringLiteral("smtp://127.0.0.1:%1").arg(port);
    core.profile.transport.tls = TransportSettings::Tls::None;
    core.transport = Transport::create(core.profile.transport, QString());

    for (auto _ : state) {
        qint64 workNs = 0; // every step of a send, clean-up left out
        qint64 smtpNs = 0; // the SMTP exchange alone
        int failures = 0;
        for (int i = 0; i < kMessages; ++i) {
            QElapsedTimer work;
            work.start();
            OutgoingMessage m;
            m.senderAddress = core.profile.senderAddress;
            m.recipients = { { MAPI_TO, QStringLiteral("Customer"),
                QStringLiteral("c%1@example.com").arg(i) } };
            m.subject = QStringLiteral("Documents - Invoice * 3");
            m.priority = 1;
            m.body = QStringLiteral("Dear customer,\r\nplease find your documents attached.\r\n");
            for (const QString &pdf : pdfs) {
                QFile file(pdf);
                file.open(QIODevice::ReadOnly);
                m.attachments.append({ QFileInfo(pdf).fileName(), file.readAll() });
            }
            const QByteArray mime = ComposeMime(m);
            const QString queued
                = maildir::deliver(core.profile.storeFolder, maildir::kOutbox, mime);
            QElapsedTimer exchange;
            exchange.start();
            const SendResult sent
                = core.transport->send(m.senderAddress, { m.recipients[0].address }, mime);
            smtpNs += exchange.nsecsElapsed();
            if (sent.code != S_OK)
                ++failures;
            const QString filed
                = maildir::file(queued, core.profile.storeFolder, maildir::kSentItems);
            workNs += work.nsecsElapsed();
            state.PauseTiming();
            QFile::remove(filed); // keeps the disk from filling; not part of a send
            state.ResumeTiming();
        }
        state.counters["failures"] = failures;
        state.counters["messages_per_second"] = kMessages / (double(workNs) / 1e9);
        state.counters["outside_smtp_share"] = double(workNs - smtpNs) / double(workNs);
        state.counters["smtp_seconds"] = double(smtpNs) / 1e9;
        state.counters["total_seconds"] = double(workNs) / 1e9;
    }
    server.kill();
    server.waitForFinished(5000);
}

} // namespace

BENCHMARK(BM_SubmitToLoopbackSmtp)->Iterations(1)->Unit(benchmark::kSecond);

// The same load through the mail session and the loaded library, as the e-mail run sends:
// address book, resolve, store, Outbox, message, body, three attachments, submit (the
// exchange runs on a worker while the caller's event loop turns).
void BM_SessionSubmitToLoopbackSmtp(benchmark::State &state)
{
    const BenchMailUser user;
    if (user.port() == 0) {
        state.SkipWithError("the loopback SMTP server did not start");
        return;
    }
    const QStringList pdfs { writePdf(user.folder(), 1), writePdf(user.folder(), 2),
        writePdf(user.folder(), 3) };
    const QString sent = user.filePath(QStringLiteral("store/Sent Items/cur"));

    TRwMapiSessionV3 session;
    for (auto _ : state) {
        int failures = 0;
        for (int i = 0; i < kMessages; ++i) {
            try {
                session.setActive(true);
                IRwMapiRecipientTable list = session.GetAddressBook(false)->CreateRecipientTable();
                list->AddRecipients(QStringLiteral("c%1@example.com").arg(i), MAPI_TO, false);
                session.ResolveNames(list, false, true, QStringLiteral("Bench"));
                IRwMapiMessage message
                    = session.GetDefaultMsgStore(1)->OpenFolderByType(4, 1, 0)->CreateMessage(
                        QStringLiteral("IPM.Note"));
                message->ModifyRecipients(0, list);
                message->SetPropText(PR_SUBJECT, QStringLiteral("Documents - Invoice * 3"));
                message->SetPropText(PR_PRIORITY, QStringLiteral("1"));
                message->SetBody(
                    QStringLiteral("Dear customer,\r\nplease find your documents attached.\r\n"),
                    mfPlainText);
                for (const QString &pdf : pdfs)
                    message->AddFileAttachment(pdf);
                message->SubmitMessage(skKeepInSentItems);
            } catch (const Exception &) {
                ++failures;
            }
            state.PauseTiming();
            for (const QFileInfo &f : QDir(sent).entryInfoList(QDir::Files))
                QFile::remove(f.filePath()); // keeps the disk from filling; not part of a send
            state.ResumeTiming();
        }
        state.counters["failures"] = failures;
        state.counters["messages_per_second"]
            = benchmark::Counter(kMessages, benchmark::Counter::kIsRate);
    }
    session.UnloadMapi();
}

BENCHMARK(BM_SessionSubmitToLoopbackSmtp)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char **argv)
{
    KeepFreedMemoryForReuse(); // as the program does
    QCoreApplication app(argc, argv); // the session waits on a send with the event loop turning
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
