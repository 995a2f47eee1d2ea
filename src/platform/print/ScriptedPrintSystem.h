#pragma once

#include "platform/print/PrintSystem.h"

#include <QSet>

// A print system for tests: the printers and the default it is given, and a record of every job
// handed to it. A job is accepted when its file can be read and its device is listed, unless the
// test refuses that device.
class ScriptedPrintSystem final : public PrintSystem
{
public:
    struct Job
    {
        QString device;
        QString path;
        QString title;
    };

    ScriptedPrintSystem() = default;
    ScriptedPrintSystem(QList<PrinterInfo> printers, QString defaultName);

    QList<PrinterInfo> printers() override { return m_printers; }
    QString defaultPrinterName() override { return m_default; }
    PrintJobResult submitFile(
        const QString &device, const QString &path, const QString &title) override;

    void setPrinters(QList<PrinterInfo> printers, QString defaultName);
    void refuseDevice(const QString &device) { m_refused.insert(device); }

    QList<Job> jobs;

private:
    QList<PrinterInfo> m_printers;
    QString m_default;
    QSet<QString> m_refused;
};
