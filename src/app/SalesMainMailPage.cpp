#include "app/SalesMain.h"
#include "app/SalesMainLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

void TFrmSalesMain::buildMailPage()
{
    TabEMailText = new QWidget(PgeMain);
    TabEMailText->setObjectName(QStringLiteral("TabEMailText"));
    const QString caption = QStringLiteral("eMail Text");
    QVBoxLayout *pageLayout
        = AddPageTitleBar(TabEMailText, QStringLiteral("TitleEMailText"), caption);
    PgeMain->addTab(TabEMailText, caption);

    auto *area = new QWidget(TabEMailText);
    area->setObjectName(QStringLiteral("PnlEMailText"));
    pageLayout->addWidget(area, 1);

    BtnMailParameters = new QPushButton(QStringLiteral("Set Mail Parameters"), area);
    BtnMailParameters->setObjectName(QStringLiteral("BtnMailParameters"));
    BtnMailParameters->setToolTip(QStringLiteral(
        "This needs to be confirmed before emails can be sent for the currently logged on user."));
    BtnMailParameters->setAutoDefault(true);
    Place(BtnMailParameters, 72, 12, 130, 25);

    auto *note = new QLabel(
        QStringLiteral("Mail Parameters let you link to your eMail Client and Profile for the "
                       "current Windows User "),
        area);
    note->setObjectName(QStringLiteral("LblMailParametersNote"));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(note, 212, 10, 265, 30);

    PlaceLabel(area, QStringLiteral("Subject:"), 8, 52, 60, Qt::AlignRight | Qt::AlignVCenter);
    EdtESubject = new QLineEdit(area);
    EdtESubject->setObjectName(QStringLiteral("EdtESubject"));
    Place(EdtESubject, 72, 52, 405, 21);

    EdtEMailBody = new QPlainTextEdit(area);
    EdtEMailBody->setObjectName(QStringLiteral("EdtEMailBody"));
    EdtEMailBody->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Place(EdtEMailBody, 72, 80, 405, 218);
}
