#include "app/SalesMain.h"
#include "app/ScreenshotHook.h"
#include "components/QtMessageService.h"
#include "util/ProcessMemory.h"

#include <QApplication>

int main(int argc, char **argv)
{
    KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velloran"));
    MessageService::install(std::make_unique<QtMessageService>());
    TFrmSalesMain window;
    window.show();
    ScheduleScreenshots(window);
    return app.exec();
}
