#pragma once

#include <QList>
#include <QString>

#include <memory>

// A printer as the print system describes it: its name, and the device, driver and port names
// that the "printto" verb's parameter text carries.
struct PrinterInfo
{
    QString name;
    QString device;
    QString driver;
    QString port;
};

// The installed printers and the default printer. The host's implementation asks CUPS; a host
// without printers (or without a running scheduler) gives an empty list, never an error.
class PrintSystem
{
public:
    virtual ~PrintSystem() = default;

    // In the order the print system lists them.
    virtual QList<PrinterInfo> printers() = 0;
    // Empty when there is none.
    virtual QString defaultPrinterName() = 0;

    // The print system in force (the host's unless a test installed another).
    static PrintSystem &instance();
    static std::unique_ptr<PrintSystem> install(std::unique_ptr<PrintSystem> system);
};
