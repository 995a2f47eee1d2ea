#include "DemoPdf.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace demo {
namespace {

QString Money(int64_t pence)
{
    const int64_t magnitude = pence < 0 ? -pence : pence;
    return QStringLiteral("%1%2.%3")
        .arg(pence < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString Text(const std::string &text)
{
    return QString::fromStdString(text);
}

// Qt stamps the file with the current time; replace it, keeping the length, by the
// document's date so that cross-reference offsets stay valid.
void FixCreationDate(QByteArray &pdf, const Date &date)
{
    const QByteArray key = "/CreationDate (D:";
    const qsizetype at = pdf.indexOf(key);
    if (at < 0)
        return;
    const qsizetype start = at + key.size();
    const qsizetype end = pdf.indexOf(')', start);
    if (end < 0)
        return;
    QByteArray stamp = QStringLiteral("%1%2%3090000")
                           .arg(date.year, 4, 10, QLatin1Char('0'))
                           .arg(date.month, 2, 10, QLatin1Char('0'))
                           .arg(date.day, 2, 10, QLatin1Char('0'))
                           .toLatin1();
    const qsizetype length = end - start;
    if (stamp.size() > length)
        stamp.truncate(length);
    while (stamp.size() < length)
        stamp.append(stamp.size() == 14 ? 'Z' : ' ');
    pdf.replace(start, length, stamp);
}

} // namespace

QByteArray RenderDocumentPdf(const Company &company, const Customer *customer, const Transaction &t)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        writer.setCreator(QStringLiteral("make-demo-company"));
        writer.setTitle(Text(t.reference));
        QPainter painter(&writer);
        QFont title(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
        QFont body(QStringLiteral("DejaVu Sans"), 10);
        painter.setFont(title);
        painter.drawText(40, 60, Text(company.name));
        painter.drawText(
            380, 60, t.type == 'C' ? QStringLiteral("CREDIT NOTE") : QStringLiteral("INVOICE"));
        painter.setFont(body);
        int y = 110;
        const auto line = [&](const QString &text, int x = 40) { painter.drawText(x, y, text); };
        line(QStringLiteral("Account: %1").arg(Text(t.account)));
        line(QStringLiteral("Document: %1").arg(Text(t.reference)), 380);
        y += 16;
        line(customer ? Text(customer->name) : QStringLiteral("(no customer record)"));
        line(QStringLiteral("Date: %1/%2/%3")
                 .arg(t.date.day, 2, 10, QLatin1Char('0'))
                 .arg(t.date.month, 2, 10, QLatin1Char('0'))
                 .arg(t.date.year),
            380);
        y += 16;
        if (customer) {
            for (const std::string &address : customer->address) {
                if (!address.empty()) {
                    line(Text(address));
                    y += 16;
                }
            }
        }
        line(QStringLiteral("Your reference: %1").arg(Text(t.customerReference)), 380);
        y += 40;
        line(QStringLiteral("Item"));
        line(QStringLiteral("Description"), 150);
        line(QStringLiteral("Qty"), 380);
        line(QStringLiteral("Price"), 430);
        line(QStringLiteral("Value"), 500);
        y += 6;
        painter.drawLine(40, y, 555, y);
        y += 16;
        for (const InvoiceLine &item : t.lines) {
            line(Text(item.stock));
            line(Text(item.description), 150);
            line(QString::number(item.quantity), 380);
            line(Money(item.price), 430);
            line(Money(item.price * item.quantity), 500);
            y += 16;
        }
        y += 20;
        line(QStringLiteral("VAT"), 430);
        line(Money(t.vat), 500);
        y += 16;
        line(QStringLiteral("Total"), 430);
        line(Money(t.value), 500);
    }
    FixCreationDate(bytes, t.date);
    return bytes;
}

} // namespace demo
