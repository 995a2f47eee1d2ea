#include "app/SalesMain.h"

#include "app/DialogProgress.h"
#include "dispatch/MailDispatch.h"
#include "review/ReviewDocuments.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

// The e-mail run of Send Tagged, inside DlgSend. What it sends is remembered for the marking
// question that follows.
void TFrmSalesMain::DlgSendExecute(QObject *)
{
    DialogProgress progress(*DlgSend);
    // The body's lines go out separated by CR LF, as the mail body is stored.
    const MailText text { EdtESubject->text(),
        EdtEMailBody->toPlainText().replace(u'\n', QStringLiteral("\r\n")) };
    SendTaggedDocuments(
        MailDocumentsOf(m_memSTran, EdtOperaDataFolder->text(), cbxCompanyID->currentText()), text,
        m_mailer, progress, m_dispatched, m_journal.get());
}
