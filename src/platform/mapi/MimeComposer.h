#pragma once

#include "platform/mapi/MapiDefs.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A message ready to leave: what the store holds, in plain values.
struct OutgoingRecipient
{
    ULONG type = MAPI_TO; // MAPI_TO, MAPI_CC or MAPI_BCC
    QString name;
    QString address;
};

struct OutgoingAttachment
{
    QString fileName;
    QByteArray data;
};

struct OutgoingMessage
{
    QString senderName;
    QString senderAddress;
    QList<OutgoingRecipient> recipients;
    QString subject;
    int priority = 0; // PR_PRIORITY: 1 urgent, 0 normal, -1 not urgent
    QString body;
    QList<OutgoingAttachment> attachments;
    QDateTime date;
    QString messageId; // without angle brackets
};

// The message as Internet mail: headers with RFC 2047 words, a UTF-8 plain-text part and
// base64 attachments named with RFC 2231 parameters, every line ended by CR LF. Bcc
// recipients are left out of the headers.
QByteArray ComposeMime(const OutgoingMessage &message);

// The MIME type for a file name (application/pdf for .pdf).
QByteArray MimeTypeOf(const QString &fileName);
