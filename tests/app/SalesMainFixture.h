#pragma once

#include "app/IniFile.h"
#include "app/SalesMain.h"
#include "platform/print/PrintSystem.h"
#include "platform/print/ScriptedPrintSystem.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QFile>

#include <gmock/gmock.h>

#include <memory>

// Five printers, the third of them the default.
inline std::unique_ptr<PrintSystem> FivePrinters()
{
    QList<PrinterInfo> list;
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("Printer %1").arg(i);
        list.append(
            { name, name, QStringLiteral("driver"), QStringLiteral("ipp://host/%1").arg(i) });
    }
    return std::make_unique<ScriptedPrintSystem>(list, QStringLiteral("Printer 3"));
}

// A main window over a settings file of its own in a fresh folder.
class SalesMainTest : public ::testing::Test
{
protected:
    static inline const QString Section = QStringLiteral("TESTPC");

    void SetUp() override { m_previousPrinters = PrintSystem::install(FivePrinters()); }
    void TearDown() override
    {
        m_window.reset();
        PrintSystem::install(std::move(m_previousPrinters));
    }

    QString settingsPath() const { return m_dir.file(QStringLiteral("velloran.ini")); }

    void writeSettings(const QByteArray &content) const
    {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray settingsBytes() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::optional<QString> stored(const QString &key, const QString &section = Section) const
    {
        return IniFile(settingsPath()).read(section, key);
    }

    TFrmSalesMain &open(const QString &section = Section, const QString &path = QString())
    {
        m_window = std::make_unique<TFrmSalesMain>(
            SalesMainOptions { path.isEmpty() ? settingsPath() : path, section });
        return *m_window;
    }
    TFrmSalesMain &openAndShow(const QString &section = Section)
    {
        TFrmSalesMain &window = open(section);
        window.show();
        return window;
    }

    ScopedMessages m_messages;
    TempDir m_dir;
    std::unique_ptr<TFrmSalesMain> m_window;

private:
    std::unique_ptr<PrintSystem> m_previousPrinters;
};
