#pragma once

#include "dispatch/MailDispatch.h"

#include <QList>
#include <QString>
#include <QStringList>

// What Send Tagged would do with the list as it is now, worked out without sending anything:
// the messages it would send and what would go wrong or twice.

// One review row as the preview sees it.
struct PreviewDocument
{
    MailDocument mail;
    QString reference; // st_trref
    bool markedSent = false; // the status table's sent flag
    bool deliveredBefore = false; // the journal holds an accepted e-mail of it
};

// One account's message.
struct PreviewMessage
{
    QString account;
    QString address;
    QStringList references; // the documents whose PDF would go with it, in list order
    qint64 attachmentBytes = 0; // the PDFs' sizes added up
};

struct SendPreview
{
    QList<PreviewMessage> messages;
    QStringList problems; // one sentence each, in list order
};

// Tagged rows of one account form one message, as in the run (the run lists the rows in account
// order first, so here an account's tagged rows are gathered wherever they stand). sizeLimit is
// the largest message the sending server accepts in bytes; 0 when it is not known, and then
// sizes are not judged.
SendPreview PreviewSendTagged(const QList<PreviewDocument> &rows, qint64 sizeLimit);

// Whether a text is shaped like one e-mail address, or a ";"-separated list of them.
bool LooksLikeAddresses(const QString &text);

// The size a message carrying attachments of this many bytes has on the wire: base64 in lines
// of 76 characters, and room for the headers and the text.
qint64 EstimatedMessageSize(qint64 attachmentBytes);

// "12 KB", "1.4 MB": a size for the user.
QString SizeText(qint64 bytes);
