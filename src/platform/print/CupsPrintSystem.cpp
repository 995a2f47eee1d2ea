#include "platform/print/CupsPrintSystem.h"

#include <QFile>

#include <cups/cups.h>

#include <sys/socket.h>

namespace {

// One scheduler connection for one operation; null when the scheduler cannot be reached.
class Connection
{
public:
    Connection()
        : m_http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
            CupsPrintSystem::ConnectTimeoutMs, nullptr))
    {
        if (m_http)
            httpSetTimeout(m_http, CupsPrintSystem::ExchangeTimeoutSeconds, nullptr, nullptr);
    }
    ~Connection()
    {
        if (m_http)
            httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    http_t *get() const { return m_http; }

private:
    http_t *m_http;
};

// The destinations of one listing, freed with it.
class Destinations
{
public:
    explicit Destinations(http_t *http) { m_count = cupsGetDests2(http, &m_dests); }
    ~Destinations() { cupsFreeDests(m_count, m_dests); }
    Destinations(const Destinations &) = delete;
    Destinations &operator=(const Destinations &) = delete;

    int count() const { return m_count; }
    const cups_dest_t &at(int i) const { return m_dests[i]; }

private:
    cups_dest_t *m_dests = nullptr;
    int m_count = 0;
};

QString destinationName(const cups_dest_t &dest)
{
    QString name = QString::fromUtf8(dest.name);
    if (dest.instance && *dest.instance)
        name += u'/' + QString::fromUtf8(dest.instance);
    return name;
}

QString option(const cups_dest_t &dest, const char *name)
{
    return QString::fromUtf8(cupsGetOption(name, dest.num_options, dest.options));
}

QString lastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

} // namespace

QList<PrinterInfo> CupsPrintSystem::printers()
{
    QList<PrinterInfo> list;
    Connection http;
    if (!http.get())
        return list;
    Destinations dests(http.get());
    for (int i = 0; i < dests.count(); ++i) {
        const cups_dest_t &dest = dests.at(i);
        const QString name = destinationName(dest);
        list.append(
            { name, name, option(dest, "printer-make-and-model"), option(dest, "device-uri") });
    }
    return list;
}

QString CupsPrintSystem::defaultPrinterName()
{
    Connection http;
    if (!http.get())
        return {};
    Destinations dests(http.get());
    for (int i = 0; i < dests.count(); ++i) {
        if (dests.at(i).is_default)
            return destinationName(dests.at(i));
    }
    return {};
}

PrintJobResult CupsPrintSystem::submitFile(
    const QString &device, const QString &path, const QString &title)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { 0, file.errorString() };

    Connection http;
    if (!http.get())
        return { 0, QStringLiteral("The print system cannot be reached") };

    const qsizetype slash = device.indexOf(u'/');
    const QByteArray queue = device.left(slash < 0 ? device.size() : slash).toUtf8();
    const QByteArray instance = slash < 0 ? QByteArray() : device.mid(slash + 1).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(
        http.get(), queue.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return { 0, QStringLiteral("The printer %1 is not installed").arg(device) };
    cupsFreeDests(1, dest);

    // PDF goes as PDF; anything else is left to the scheduler's type detection.
    const QByteArray head = file.peek(5);
    const char *format = head == "%PDF-" ? CUPS_FORMAT_PDF : CUPS_FORMAT_AUTO;
    const QByteArray jobTitle = title.toUtf8();

    const int job = cupsCreateJob(http.get(), queue.constData(), jobTitle.constData(), 0, nullptr);
    if (job <= 0)
        return { 0, lastError() };

    bool written
        = cupsStartDocument(http.get(), queue.constData(), job, jobTitle.constData(), format, 1)
        == HTTP_STATUS_CONTINUE;
    while (written && !file.atEnd()) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            written = false;
        else if (cupsWriteRequestData(http.get(), chunk.constData(), size_t(chunk.size()))
            != HTTP_STATUS_CONTINUE)
            written = false;
    }
    const QString readError = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    // Finishing also ends a request cut short, so the connection is left in a sane state.
    const bool finished
        = cupsFinishDocument(http.get(), queue.constData()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (written && finished)
        return { job, {} };

    const QString reason = readError.isEmpty() ? lastError() : readError;
    cupsCancelJob2(http.get(), queue.constData(), job, 0);
    return { 0, reason };
}
