#include "app/SalesMain.h"

#include "components/G_GetText.h"
#include "review/ReviewCommands.h"
#include "util/MessageService.h"

#include <QComboBox>

ReviewWriter TFrmSalesMain::reviewWriter()
{
    return { QryChk, ADOCommand, cbxCompanyID->currentText() };
}

// The review keys: each change is written to the database first and only then mirrored in the
// current row, so a rejected statement leaves the row as it was.
void TFrmSalesMain::BrwSTranKeyDown(int key)
{
    // View and print act on the company's PDF folder when there is no current row.
    if (key == Qt::Key_F7) {
        ViewPDF1Click();
        return;
    }
    if (key == Qt::Key_F8) {
        PrintCurrentAndCloseReader();
        return;
    }
    if (!m_memSTran.isOpen() || m_memSTran.recordCount() == 0)
        return;
    switch (key) {
    case Qt::Key_F2:
        FlipCurrentFlag(m_memSTran, reviewWriter(), StatusFlag::Tag);
        break;
    case Qt::Key_F3:
        FlipCurrentFlag(m_memSTran, reviewWriter(), StatusFlag::Sent);
        break;
    case Qt::Key_F4:
        FlipCurrentFlag(m_memSTran, reviewWriter(), StatusFlag::Printed);
        break;
    case Qt::Key_F6:
        SwitchCurrentDelivery(m_memSTran, reviewWriter());
        break;
    default:
        break;
    }
}

void TFrmSalesMain::BrwSTranAction(int action)
{
    switch (action) {
    case baEdit:
    case baSelect:
        AmendEMailAddress();
        break;
    case baClose:
        if (AskYesNo(QStringLiteral("Close Application?")))
            close();
        break;
    default:
        Beep();
        break;
    }
}

void TFrmSalesMain::AmendEMailAddress()
{
    if (!m_memSTran.isOpen() || m_memSTran.recordCount() == 0)
        return;
    const ReviewRow &row = m_memSTran.current();
    const QString current = row.sn_email.trimmed();
    const QString reply = PromptText(QStringLiteral("Amend e_Mail Address"), current).trimmed();
    if (reply != current)
        AmendCurrentEmail(m_memSTran, reviewWriter(), reply);
}
