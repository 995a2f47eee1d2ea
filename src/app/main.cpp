#include "app/SalesMain.h"
#include "app/ScreenshotHook.h"
#include "components/QtMessageService.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velloran"));
    MessageService::install(std::make_unique<QtMessageService>());
    TFrmSalesMain window;
    window.show();
    ScheduleScreenshots(window);
    return app.exec();
}
