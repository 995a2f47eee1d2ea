#pragma once

#include <QString>

#include <functional>

namespace db {
class Connection;
}

// The set-source command on the company connection: compose or keep the string shown in the
// label, close the connection, apply the string, let the user edit it (edit returns true when
// the user confirmed a changed string), apply an edited string. Returns the label's new text;
// the caller then saves the settings.
QString SetConnectionSource(db::Connection &connection, const QString &labelText,
    const QString &dataFolder, const QString &companyId,
    const std::function<bool(QString &connectionString)> &edit);
