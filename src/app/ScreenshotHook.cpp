#include "app/ScreenshotHook.h"

#include "app/SalesMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

bool SaveWidgetScreenshot(QWidget &widget, const QString &folder, const QString &name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(folder).filePath(name);
    if (widget.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

void ScheduleScreenshots(TFrmSalesMain &window)
{
    const QString folder = qEnvironmentVariable("VELLORAN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QTimer::singleShot(500, &window, [&window, folder] {
        QDir().mkpath(folder);
        int failures = 0;
        for (int page = 0; page < window.PgeMain->count(); ++page) {
            window.PgeMain->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QString name = QStringLiteral("%1-%2.png")
                                     .arg(page + 1)
                                     .arg(window.PgeMain->widget(page)->objectName());
            const QString path = QDir(folder).filePath(name);
            if (!window.grab().save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                ++failures;
            }
        }
        failures += SaveMailSettingsScreenshot(&window, folder) ? 0 : 1;
        failures += SaveExportScreenshots(window, folder);
        failures += SaveSendProgressScreenshot(window, folder) ? 0 : 1;
        failures += SaveJournalScreenshots(&window, folder);
        failures += SaveMailAccountScreenshots(&window, folder);
        failures += SaveOAuthScreenshots(&window, folder);
        QCoreApplication::exit(failures == 0 ? 0 : 1);
    });
}
