#include "platform/database/Command.h"

#include "platform/database/Connection.h"

namespace db {

Command::Command(Connection &connection)
    : m_connection(connection)
{ }

int Command::execute()
{
    return m_connection.execute(m_text);
}

int Command::execute(const QString &text)
{
    m_text = text;
    return execute();
}

} // namespace db
