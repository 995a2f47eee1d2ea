#include "data/ConnectionSource.h"

#include "data/ConnectionString.h"
#include "platform/database/Connection.h"

QString SetConnectionSource(db::Connection &connection, const QString &labelText,
    const QString &dataFolder, const QString &companyId,
    const std::function<bool(QString &connectionString)> &edit)
{
    const QString label = ComposeOrKeepConnectionString(labelText, dataFolder, companyId);
    connection.close();
    connection.setConnectionString(label);
    QString edited = connection.connectionString();
    if (edit && edit(edited)) {
        connection.setConnectionString(edited);
        return connection.connectionString();
    }
    return label;
}
