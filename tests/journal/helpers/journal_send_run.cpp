// The program's window running Send Tagged on company Z in FOLDER, on the tags the status table
// holds, with every message box answered No; the test kills it part way.
// usage: journal_send_run FOLDER SETTINGS-FILE

#include "app/SalesMain.h"
#include "support/ScriptedMessageService.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: journal_send_run FOLDER SETTINGS-FILE\n");
        return 2;
    }
    ScopedMessages messages;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    TFrmSalesMain window(
        SalesMainOptions { QString::fromLocal8Bit(argv[2]), QStringLiteral("RUN") });
    window.show();
    window.EdtOperaDataFolder->setText(folder);
    window.cbxCompanyID->setEditText(QStringLiteral("Z"));
    const QString source = QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder
        + QStringLiteral("\\COMP_Z.DBC;Mode=Share Deny None");
    window.setConnectionString(source);
    window.LblOperaADO->setText(source);
    window.EdtESubject->setText(QStringLiteral("Documents"));
    window.EdtEMailBody->setPlainText(QStringLiteral("Dear customer,\nyour documents.\n"));
    window.BtnDisplay->click();
    std::fprintf(stdout, "DISPLAYED %d\n", window.reviewList().recordCount());
    std::fflush(stdout);
    window.NavSTran->Buttons(brwUdf1)->click();
    std::fprintf(stdout, "FINISHED\n");
    return 0;
}
