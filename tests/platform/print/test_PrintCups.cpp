// Print jobs against a real CUPS scheduler that the test starts itself: a private cupsd on a
// loopback port, with its own configuration, spool and two raw queues whose device is a file.
#include "dispatch/PrintDispatch.h"
#include "platform/print/CupsPrintSystem.h"
#include "platform/shell/DesktopVerbs.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

class PrivateScheduler
{
public:
    // Starts cupsd; on failure says why.
    bool start(QString *why)
    {
        const QString root = m_dir.path();
        QFile::setPermissions(root,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                | QFileDevice::ExeOther);
        for (const char *sub : { "spool", "tmp", "cache", "state", "log" })
            QDir(root).mkpath(QString::fromLatin1(sub));
        m_port = freeLoopbackPort();
        const bool written
            = writeText(root + QStringLiteral("/cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\n"
                                 "CacheDir %1/cache\nStateDir %1/state\n"
                                 "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                 "PageLog %1/log/page_log\nFileDevice Yes\n")
                      .arg(root))
            && writeText(root + QStringLiteral("/cupsd.conf"),
                QStringLiteral("Listen 127.0.0.1:%1\nLogLevel warn\nPreserveJobFiles Yes\n"
                               "PreserveJobHistory Yes\nBrowsing No\nWebInterface No\n"
                               "DefaultAuthType None\n"
                               "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                               "<Policy default>\n<Limit All>\nOrder deny,allow\n"
                               "</Limit>\n</Policy>\n")
                    .arg(m_port))
            && writeText(root + QStringLiteral("/printers.conf"),
                QStringLiteral("<DefaultPrinter Main>\nInfo Main hall\n"
                               "MakeModel Local Raw Printer\nDeviceURI file:/dev/null\n"
                               "State Idle\nAccepting Yes\nShared No\n</Printer>\n"
                               "<Printer Office>\nInfo Office\n"
                               "DeviceURI file:/dev/null\nState Idle\nAccepting Yes\n"
                               "Shared No\n</Printer>\n"));
        if (m_port == 0 || !written) {
            *why = QStringLiteral("cannot prepare the scheduler's folder");
            return false;
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/cupsd"),
            { QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf") });
        if (!m_process.waitForStarted(5000)) {
            *why = QStringLiteral("cupsd cannot be started: ") + m_process.errorString();
            return false;
        }
        const bool ready = QTest::qWaitFor(
            [this] {
                if (m_process.state() != QProcess::Running)
                    return true;
                http_t *http = httpConnect2("127.0.0.1", m_port, nullptr, AF_INET,
                    HTTP_ENCRYPTION_IF_REQUESTED, 1, 200, nullptr);
                if (!http)
                    return false;
                httpClose(http);
                return true;
            },
            15000);
        if (!ready || m_process.state() != QProcess::Running) {
            *why = QStringLiteral("cupsd did not come up: ")
                + QString::fromLocal8Bit(m_process.readAll());
            return false;
        }
        return true;
    }

    ~PrivateScheduler()
    {
        if (m_process.state() == QProcess::Running) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    QString server() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString spoolFile(int job) const
    {
        return m_dir.path() + QStringLiteral("/spool/d%1-001").arg(job, 5, 10, QChar(u'0'));
    }

private:
    TempDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CupsSchedulerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_scheduler = new PrivateScheduler;
        if (!s_scheduler->start(&s_why)) {
            delete s_scheduler;
            s_scheduler = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        cupsSetServer(nullptr);
        delete s_scheduler;
        s_scheduler = nullptr;
    }

    void SetUp() override
    {
        if (!s_scheduler)
            GTEST_SKIP() << "no private CUPS scheduler: " << s_why.toStdString();
        cupsSetServer(s_scheduler->server().toUtf8().constData());
    }

    // The jobs of a queue, all states, as (id, title) pairs.
    static QList<int> jobsOn(const char *queue)
    {
        QList<int> ids;
        http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_INET,
            HTTP_ENCRYPTION_IF_REQUESTED, 1, 2000, nullptr);
        if (!http)
            return ids;
        cups_job_t *jobs = nullptr;
        const int count = cupsGetJobs2(http, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
        for (int i = 0; i < count; ++i)
            ids.append(jobs[i].id);
        cupsFreeJobs(count, jobs);
        httpClose(http);
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    PrintDocument pdf(const QString &name, qint64 id, int size, bool tagged = true)
    {
        QByteArray bytes = "%PDF-1.4\n";
        while (bytes.size() < size)
            bytes.append(char(QRandomGenerator::global()->bounded(256)));
        const QString path = m_files.file(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return { QStringLiteral("A1"), name, name.leftJustified(24), path, id, tagged };
    }

    static PrivateScheduler *s_scheduler;
    static QString s_why;
    TempDir m_files;
    ScopedMessages m_messages;
    CupsPrintSystem m_printing;
    DesktopVerbs m_verbs { DesktopTools {}, &m_printing };
};

PrivateScheduler *CupsSchedulerTest::s_scheduler = nullptr;
QString CupsSchedulerTest::s_why;

class NullProgress final : public DispatchProgress
{
public:
    void setCaption(const QString &) override { }
};

TEST_F(CupsSchedulerTest, ListsQueuesWithDeviceDriverAndPort)
{
    const QList<PrinterInfo> printers = m_printing.printers();
    ASSERT_EQ(printers.size(), 2);
    EXPECT_EQ(printers[0],
        (PrinterInfo { QStringLiteral("Main"), QStringLiteral("Main"),
            QStringLiteral("Local Raw Printer"), QStringLiteral("file:/dev/null") }));
    // The scheduler reports every queue without a driver as a raw printer.
    EXPECT_EQ(printers[1],
        (PrinterInfo { QStringLiteral("Office"), QStringLiteral("Office"),
            QStringLiteral("Local Raw Printer"), QStringLiteral("file:/dev/null") }));
    EXPECT_EQ(m_printing.defaultPrinterName(), u"Main");
}

TEST_F(CupsSchedulerTest, PrintTaggedCreatesOneJobPerTaggedDocumentWithItsBytes)
{
    const QList<int> before = jobsOn("Office");
    const QList<PrintDocument> rows { pdf(QStringLiteral("I1.PDF"), 1, 3000),
        pdf(QStringLiteral("I2.PDF"), 2, 5000, false), pdf(QStringLiteral("C3.PDF"), 3, 200000),
        pdf(QStringLiteral("I4.PDF"), 4, 10) };
    NullProgress progress;
    // Office is the second queue and not the default: "printto" on it.
    EXPECT_THAT(PrintTaggedDocuments(
                    rows, SelectedPrinter(m_printing.printers(), 1), m_printing, m_verbs, progress),
        ElementsAre(1, 3, 4));
    EXPECT_TRUE(m_messages->entries.isEmpty());

    QList<int> jobs = jobsOn("Office");
    for (int id : before)
        jobs.removeOne(id);
    ASSERT_EQ(jobs.size(), 3);
    const QList<PrintDocument> printed { rows[0], rows[2], rows[3] };
    for (int i = 0; i < 3; ++i) {
        const QString spooled = s_scheduler->spoolFile(jobs[i]);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(spooled); }, 5000));
        EXPECT_EQ(readAll(spooled), readAll(printed[i].pdfPath))
            << printed[i].pdfFile.toStdString();
    }
}

TEST_F(CupsSchedulerTest, DefaultPrinterSelectedPrintsThere)
{
    const qsizetype before = jobsOn("Main").size();
    NullProgress progress;
    EXPECT_THAT(PrintTaggedDocuments({ pdf(QStringLiteral("I9.PDF"), 9, 100) },
                    SelectedPrinter(m_printing.printers(), 0), m_printing, m_verbs, progress),
        ElementsAre(9));
    EXPECT_EQ(jobsOn("Main").size(), before + 1);
}

TEST_F(CupsSchedulerTest, RequestsThatCannotBePrintedAreRefused)
{
    const QList<int> before = jobsOn(nullptr);
    const PrintDocument doc = pdf(QStringLiteral("I5.PDF"), 5, 100);
    EXPECT_EQ(m_verbs.execute(QStringLiteral("printto"), doc.pdfPath,
                  QStringLiteral("\"Attic\" \"\" \"\""), {}, VerbShow::Minimised),
        VerbResult::Refused);
    EXPECT_FALSE(m_printing.submitFile(QStringLiteral("Attic"), doc.pdfPath, {}).accepted());
    EXPECT_EQ(m_verbs.execute(QStringLiteral("print"), m_files.file(QStringLiteral("none.PDF")), {},
                  {}, VerbShow::Minimised),
        VerbResult::FileNotFound);
    EXPECT_EQ(jobsOn(nullptr), before);
}

TEST(CupsWithoutScheduler, GivesNoPrintersAndRefusesJobs)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("a.pdf"));
    writeText(path, QStringLiteral("%PDF-1.4"));
    cupsSetServer(QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort()).toUtf8().constData());
    CupsPrintSystem printing;
    EXPECT_TRUE(printing.printers().isEmpty());
    EXPECT_EQ(printing.defaultPrinterName(), QString());
    EXPECT_FALSE(printing.submitFile(QStringLiteral("Main"), path, {}).accepted());
    cupsSetServer(nullptr);
}

} // namespace
