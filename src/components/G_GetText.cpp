#include "components/G_GetText.h"

#include "components/DialogKeys.h"
#include "components/vxNavBtn.h"

#include <QLineEdit>
#include <QPushButton>

TFrmGetText::TFrmGetText(const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent)
    , m_initial(text)
    , m_result(text)
{
    setObjectName(QStringLiteral("FrmGetText"));
    setFixedSize(356, 78);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    vxBtnPanel1 = new TvxBtnPanel(this);
    vxBtnPanel1->setObjectName(QStringLiteral("vxBtnPanel1"));
    vxBtnPanel1->setFixedHeight(35);
    vxBtnPanel1->setGeometry(0, height() - 35, width(), 35);
    vxBtnPanel1->setMargin(5);

    BtnSelect = new QPushButton(QStringLiteral("Select"), vxBtnPanel1);
    BtnSelect->setObjectName(QStringLiteral("BtnSelect"));
    BtnSelect->setGeometry(10, 10, 74, 23);
    BtnSelect->setAutoDefault(false);
    BtnSelect->setDefault(true);

    BtnCancel = new QPushButton(QStringLiteral("Cancel"), vxBtnPanel1);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(268, 10, 74, 23);
    BtnCancel->setAutoDefault(false);
    SetCancelButton(BtnCancel, true);

    EdtText = new QLineEdit(this);
    EdtText->setObjectName(QStringLiteral("EdtText"));
    EdtText->setGeometry(15, 15, 330, 19);

    setTabOrder(BtnSelect, BtnCancel);
    setTabOrder(BtnCancel, EdtText);

    connect(BtnSelect, &QPushButton::clicked, this, &TFrmGetText::BtnSelectClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmGetText::BtnCancelClick);
    FormCreate(title, text);
}

void TFrmGetText::FormCreate(const QString &title, const QString &text)
{
    setWindowTitle(title);
    EdtText->setText(text);
}

void TFrmGetText::BtnSelectClick()
{
    m_result = EdtText->text();
    accept();
}

void TFrmGetText::BtnCancelClick()
{
    m_result = m_initial;
    reject();
}

QString PromptText(const QString &title, const QString &text)
{
    TFrmGetText form(title, text);
    form.exec();
    return form.result();
}
