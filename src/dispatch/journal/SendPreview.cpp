#include "dispatch/journal/SendPreview.h"

#include "util/UtilMisc.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Room for the headers, the body text and the MIME part headers of a message.
constexpr qint64 MessageOverhead = 8 * 1024;

QString Quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

bool LooksLikeAddresses(const QString &text)
{
    static const QRegularExpression shape(
        QStringLiteral(R"(^[^@\s<>()\[\],;:"]+@[^@\s<>()\[\],;:"]+\.[^@\s<>()\[\],;:".]+$)"));
    const QStringList pieces = text.split(u';', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return false;
    for (const QString &piece : pieces) {
        if (!shape.match(piece.trimmed()).hasMatch())
            return false;
    }
    return true;
}

qint64 EstimatedMessageSize(qint64 attachmentBytes)
{
    const qint64 base64 = (attachmentBytes + 2) / 3 * 4;
    return base64 + (base64 + 75) / 76 * 2 + MessageOverhead;
}

QString SizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

SendPreview PreviewSendTagged(const QList<PreviewDocument> &rows, qint64 sizeLimit)
{
    SendPreview preview;
    QStringList twice;
    for (const PreviewDocument &row : rows) {
        if (!row.mail.tagged)
            continue;
        const QString account = row.mail.account.trimmed();
        auto message = std::find_if(preview.messages.begin(), preview.messages.end(),
            [&](const PreviewMessage &m) { return m.account == account; });
        if (message == preview.messages.end()) {
            preview.messages.append(PreviewMessage { account, {}, {}, 0 });
            message = preview.messages.end() - 1;
        }
        // The run sends to the address of the account's last tagged row.
        message->address = row.mail.email.trimmed();
        const QString reference = row.reference.trimmed();
        const QFileInfo pdf(row.mail.pdfPath);
        if (!pdf.isFile()) {
            preview.problems.append(QStringLiteral("PDF missing: ") + reference
                + QStringLiteral(" of account ") + account + QStringLiteral(" (") + row.mail.pdfPath
                + u')');
            continue;
        }
        message->references.append(reference);
        message->attachmentBytes += pdf.size();
        if (row.deliveredBefore)
            twice.append(reference + QStringLiteral(" of account ") + account
                + QStringLiteral(" was delivered by e-mail before"));
        else if (row.markedSent)
            twice.append(reference + QStringLiteral(" of account ") + account
                + QStringLiteral(" is marked as sent"));
    }
    for (const PreviewMessage &message : preview.messages) {
        const QString who = QStringLiteral("Account ") + message.account + QStringLiteral(": ");
        if (IsBlank(message.address))
            preview.problems.append(who + QStringLiteral("the e-mail address is blank"));
        else if (!LooksLikeAddresses(message.address))
            preview.problems.append(
                who + Quoted(message.address) + QStringLiteral(" is not an e-mail address"));
        const qint64 size = EstimatedMessageSize(message.attachmentBytes);
        if (sizeLimit > 0 && size > sizeLimit)
            preview.problems.append(who + QStringLiteral("the message (about ") + SizeText(size)
                + QStringLiteral(") is larger than the mail server accepts (") + SizeText(sizeLimit)
                + u')');
    }
    preview.problems.append(twice);
    return preview;
}
