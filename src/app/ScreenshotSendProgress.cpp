#include "app/ScreenshotHook.h"

#include "app/SalesMain.h"
#include "components/DlgInfFm.h"

#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>

bool SaveSendProgressScreenshot(TFrmSalesMain &window, const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("6-DlgSend.png"));
    const TNotifyEvent job = window.DlgSend->OnExecute;
    bool saved = false;
    // The send dialog as a run shows it while a message is on its way, once its elapsed time
    // has started counting.
    window.DlgSend->OnExecute = [&window, &path, &saved](QObject *sender) {
        window.DlgSend->setCaption(
            QStringLiteral("Reading Account : [ABB001]  PDF [I0004711.PDF]"));
        QEventLoop wait;
        QTimer::singleShot(1600, &wait, &QEventLoop::quit);
        wait.exec();
        if (auto *form = qobject_cast<QWidget *>(sender))
            saved = form->grab().save(path);
    };
    window.DlgSend->Execute();
    window.DlgSend->OnExecute = job;
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved;
}
