#pragma once

#include <QString>

// The review query's text broken into readable lines for the clipboard.
QString ReadableSql(const QString &sqlText);

// The message shown after the text has been copied.
QString ShowSqlMessage(const QString &readable);
