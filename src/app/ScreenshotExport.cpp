#include "app/ScreenshotHook.h"

#include "app/SalesMain.h"
#include "components/RadioGroup.h"
#include "components/vxBtnEd.h"
#include "export/U_Qry2Excel.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

int SaveExportScreenshots(TFrmSalesMain &window, const QString &folder)
{
    int failures = 0;
    for (int choice = TFrmUtlQry2Excel::ViewInExcel; choice <= TFrmUtlQry2Excel::SaveAsWorkbook;
         ++choice) {
        TFrmUtlQry2Excel dialog(&window);
        dialog.SetDataSet(&window.QrySTran);
        dialog.EdtSaveTo->setText(dialog.ExportFolder + QStringLiteral("Sales List.txt"));
        dialog.RadOpt->setItemIndex(choice);
        dialog.show();
        QCoreApplication::processEvents();
        const QString path
            = QDir(folder).filePath(QStringLiteral("5-FrmUtlQry2Excel-%1.png").arg(choice));
        if (!dialog.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
        dialog.hide();
    }
    return failures;
}
