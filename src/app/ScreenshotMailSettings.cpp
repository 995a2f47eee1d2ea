#include "app/ScreenshotHook.h"

#include "dispatch/ui/U_MailSettings.h"
#include "util/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>
#include <memory>

bool SaveMailSettingsScreenshot(QWidget *owner, const QString &folder)
{
    // A profile list that fails must not leave a box waiting for an answer nobody gives.
    std::unique_ptr<MessageService> previous = MessageService::install(nullptr);
    bool saved = false;
    {
        TFrmMailSettings form(owner);
        form.InitMailTypes(true);
        // Rendered without being shown: showing reads the stored settings, which creates
        // the user's settings key, and the screenshot run writes nothing.
        QCoreApplication::processEvents();
        const QString path = QDir(folder).filePath(QStringLiteral("4-FrmMailSettings.png"));
        saved = form.grab().save(path);
        if (!saved)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
    MessageService::install(std::move(previous));
    return saved;
}
