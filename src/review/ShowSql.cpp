#include "review/ShowSql.h"

#include "util/UtilMisc.h"

namespace {

const QString LineBreak = QStringLiteral("\r\n");

} // namespace

QString ReadableSql(const QString &sqlText)
{
    QString text
        = ReplaceAll(sqlText, QStringLiteral(",   "), u',' + LineBreak + QStringLiteral("   "));
    text = ReplaceAll(text, QStringLiteral(" FROM "), LineBreak + QStringLiteral("FROM "));
    text = ReplaceAll(text, QStringLiteral(" WHERE "), LineBreak + QStringLiteral("WHERE "));
    text = ReplaceAll(text, QStringLiteral(" LEFT "), LineBreak + QStringLiteral("LEFT "));
    text = ReplaceAll(text, QStringLiteral(" ORDER BY "), LineBreak + QStringLiteral("ORDER BY "));
    return text;
}

QString ShowSqlMessage(const QString &readable)
{
    return QStringLiteral("SQL copied to Clipboard") + LineBreak + QString(28, u'-') + LineBreak
        + readable;
}
