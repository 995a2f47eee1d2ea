#include "platform/print/PrintSystem.h"

namespace {

// Until the host's print system is wired in, a workstation without printers.
class NoPrinters final : public PrintSystem
{
public:
    QList<PrinterInfo> printers() override { return {}; }
    QString defaultPrinterName() override { return {}; }
};

std::unique_ptr<PrintSystem> &current()
{
    static std::unique_ptr<PrintSystem> system = std::make_unique<NoPrinters>();
    return system;
}

} // namespace

PrintSystem &PrintSystem::instance()
{
    return *current();
}

std::unique_ptr<PrintSystem> PrintSystem::install(std::unique_ptr<PrintSystem> system)
{
    if (!system)
        system = std::make_unique<NoPrinters>();
    std::swap(current(), system);
    return system;
}
