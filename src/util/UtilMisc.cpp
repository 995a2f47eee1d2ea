#include "util/UtilMisc.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

const QDate &DateEpoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

} // namespace

bool IsBlank(const QString &text)
{
    // Control characters trim away with the blanks, as a user would expect of a "blank" field.
    for (QChar c : text) {
        if (c > u' ')
            return false;
    }
    return true;
}

bool IsBlank(double value)
{
    return value == 0.0;
}

QString FormatNumber(double value, int decimals)
{
    QString text = QString::number(value, 'f', std::max(decimals, 0));
    // "-0.00" reads as a negative zero to a user and to a SQL reader; print it plainly.
    if (text.startsWith(u'-') && text.mid(1).remove(u'0').remove(u'.').isEmpty())
        text.remove(0, 1);
    return text;
}

double ReadNumber(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) {
        if ((c >= u'0' && c <= u'9') || c == u'.')
            kept.append(c);
    }
    if (kept.isEmpty())
        return 0.0;
    // A second "." ends the number, as a reader of "1.2.3" would expect 1.2.
    const qsizetype firstDot = kept.indexOf(u'.');
    if (firstDot >= 0) {
        const qsizetype secondDot = kept.indexOf(u'.', firstDot + 1);
        if (secondDot >= 0)
            kept.truncate(secondDot);
    }
    if (kept == u".")
        return 0.0;
    return kept.toDouble();
}

QString ReplaceAll(const QString &text, const QString &search, const QString &replacement)
{
    if (search.isEmpty())
        return text;
    if (replacement.contains(search)) {
        QString once = text;
        return once.replace(search, replacement);
    }
    QString result = text;
    qsizetype at = result.indexOf(search);
    while (at >= 0) {
        result.replace(at, search.size(), replacement);
        // Restart where a new occurrence could begin: a match can only have been formed by the
        // replacement joining what stood before it.
        const qsizetype back = std::max<qsizetype>(0, at - search.size() + 1);
        at = result.indexOf(search, back);
    }
    return result;
}

QStringList SplitText(const QString &text, const QString &separator)
{
    QStringList pieces = text.split(separator);
    if (!pieces.isEmpty() && pieces.last().isEmpty())
        pieces.removeLast();
    return pieces;
}

QString JoinList(const QStringList &items, const QString &separator)
{
    return items.join(separator);
}

QString DateKey(const QDate &date)
{
    return date.toString(QStringLiteral("yyyyMMdd"));
}

QString ExeBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QDate DateFromNumber(double value)
{
    if (value == 0.0)
        return {};
    return DateEpoch().addDays(static_cast<qint64>(std::floor(value)));
}

double NumberFromDate(const QDate &date)
{
    if (!date.isValid())
        return 0.0;
    return static_cast<double>(DateEpoch().daysTo(date));
}
