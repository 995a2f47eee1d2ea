#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// A printer as the print system describes it: the name the printer list shows, and the device,
// driver and port names that the "printto" verb's parameter text carries. Driver and port may be
// empty.
struct PrinterInfo
{
    QString name;
    QString device;
    QString driver;
    QString port;

    bool operator==(const PrinterInfo &) const = default;
};

// The outcome of handing a file to the print system as a job.
struct PrintJobResult
{
    int jobId = 0; // > 0 when the job was accepted
    QString error; // the print system's reason when it was not

    bool accepted() const { return jobId > 0; }
};

// The installed printers, the default printer, and job submission. The host's implementation
// asks CUPS; a host without printers (or without a running scheduler) gives an empty list, never
// an error.
//
// The print system also keeps the program's current printer: it starts as the default printer
// and is changed only by makeCurrent.
class PrintSystem
{
public:
    virtual ~PrintSystem() = default;

    // In the order the print system lists them.
    virtual QList<PrinterInfo> printers() = 0;
    // The default printer's name; empty when there is none.
    virtual QString defaultPrinterName() = 0;
    // Submits a file as one job on the printer with this device name.
    virtual PrintJobResult submitFile(
        const QString &device, const QString &path, const QString &title)
        = 0;

    // The default printer's description, if there is one.
    std::optional<PrinterInfo> defaultPrinter();
    // Makes the printer current, as the print system lists it now; no printer makes the
    // default printer current. Raises an Exception when the printer is no longer installed or
    // when there is no default printer to fall back on.
    void makeCurrent(const std::optional<PrinterInfo> &printer);
    // The current printer; the default printer until makeCurrent chose another. Raises an
    // Exception when there is neither.
    PrinterInfo currentPrinter();
    // Whether the printer is the default printer (false for no printer).
    bool isDefaultPrinter(const std::optional<PrinterInfo> &printer);

    // The print system in force (the host's unless a test installed another).
    static PrintSystem &instance();
    static std::unique_ptr<PrintSystem> install(std::unique_ptr<PrintSystem> system);

private:
    std::optional<PrinterInfo> m_current;
};

// The printer selected in a list by index; none for -1 or an index outside the list.
std::optional<PrinterInfo> SelectedPrinter(const QList<PrinterInfo> &listed, int index);

// The "printto" parameter text of a printer: device, driver and port names, each in double
// quotes, one blank between them.
QString PrinterParameterText(const PrinterInfo &printer);
// The printer names of a parameter text: the quoted (or blank-separated) pieces in order.
QStringList ParsePrinterParameterText(const QString &text);
