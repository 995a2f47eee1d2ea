#pragma once

#include "platform/print/PrintSystem.h"

// The print system of this host: the CUPS scheduler that libcups is configured for (the
// CUPS_SERVER environment, client.conf, or cupsSetServer).
//
// A CUPS destination is described as follows:
//   name   = the queue name ("queue/instance" for an instance), as lpstat lists it;
//   device = the same name: it is what a job is submitted to;
//   driver = the queue's printer-make-and-model (empty when CUPS has none);
//   port   = the queue's device-uri (empty when the scheduler does not disclose it).
// The default printer is the destination CUPS marks as default (the user's lpoptions default
// first, then the scheduler's).
//
// Every operation opens its own connection with a short connect time-out and closes it again,
// so a host without a reachable scheduler answers at once with no printers.
class CupsPrintSystem final : public PrintSystem
{
public:
    QList<PrinterInfo> printers() override;
    QString defaultPrinterName() override;
    PrintJobResult submitFile(
        const QString &device, const QString &path, const QString &title) override;

    // Connect time-out in milliseconds, and the time-out of each exchange once connected.
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr double ExchangeTimeoutSeconds = 15.0;
};
