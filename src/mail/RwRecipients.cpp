#include "mail/RwRecipients.h"

#include "util/Errors.h"

namespace {

bool localCharacter(QChar c)
{
    return c.isLetterOrNumber() || QStringLiteral("!#$%&'*+-/=?^_`{|}~.").contains(c);
}

bool domainCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.');
}

TRwRecipient plain(const QString &text, ULONG type)
{
    TRwRecipient r;
    r.Type = type;
    r.DisplayName = text;
    r.AddressType = QStringLiteral("SMTP");
    if (IsValidEmailAddress(text))
        r.EmailAddress = text;
    return r;
}

QChar openerOf(QChar closer)
{
    if (closer == QLatin1Char('>'))
        return QLatin1Char('<');
    if (closer == QLatin1Char(']'))
        return QLatin1Char('[');
    if (closer == QLatin1Char(')'))
        return QLatin1Char('(');
    return QChar();
}

} // namespace

bool IsValidEmailAddress(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (at <= 0)
        return false;
    const QString local = text.left(at);
    const QString domain = text.mid(at + 1);
    if (domain.size() < 5)
        return false;
    const qsizetype dot = domain.indexOf(QLatin1Char('.'));
    if (dot < 0 || dot >= domain.size() - 2)
        return false;
    return std::all_of(local.begin(), local.end(), localCharacter)
        && std::all_of(domain.begin(), domain.end(), domainCharacter);
}

TRwRecipient ParseRecipient(const QString &input, ULONG type)
{
    const QString text = input.trimmed();
    const QChar opener = text.isEmpty() ? QChar() : openerOf(text.back());
    const qsizetype open = opener.isNull() ? -1 : text.lastIndexOf(opener);
    if (open >= 0) {
        TRwRecipient r;
        r.Type = type;
        r.DisplayName = text.left(open).trimmed();
        if (r.DisplayName.isEmpty())
            r.DisplayName = text;
        QString address = text.mid(open + 1, text.size() - open - 2).trimmed();
        const qsizetype colon = address.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            r.AddressType = address.left(colon).trimmed().toUpper();
            address = address.mid(colon + 1).trimmed();
        } else if (address.contains(QLatin1Char('@'))) {
            r.AddressType = QStringLiteral("SMTP");
        }
        const bool smtpLike = r.AddressType.isEmpty() || r.AddressType == QLatin1String("SMTP");
        if (!(smtpLike && !address.contains(QLatin1Char('@')))) {
            r.EmailAddress = address;
            return r;
        }
    }
    if (text.startsWith(QLatin1Char('/'))) {
        TRwRecipient r;
        r.Type = type;
        r.DisplayName = text;
        r.AddressType = QStringLiteral("EX");
        r.EmailAddress = text;
        return r;
    }
    return plain(text, type);
}

QList<TRwRecipient> ParseRecipients(const QString &text, ULONG type)
{
    const QStringList pieces = text.split(QLatin1Char(';'));
    QList<TRwRecipient> recipients;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces[i].trimmed().isEmpty()) {
            if (i == pieces.size() - 1)
                break;
            throw Exception(QStringLiteral("You can not add an empty recipient!"));
        }
        recipients.append(ParseRecipient(pieces[i], type));
    }
    return recipients;
}
