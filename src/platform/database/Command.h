#pragma once

#include <QString>

namespace db {

class Connection;

// A plain-text command that returns no rows (INSERT, UPDATE, EXECSCRIPT).
class Command
{
public:
    explicit Command(Connection &connection);

    void setText(const QString &text) { m_text = text; }
    const QString &text() const { return m_text; }

    // Runs the text on the connection (opening it first); returns the records affected.
    int execute();
    int execute(const QString &text);

    Connection &connection() const { return m_connection; }

private:
    Connection &m_connection;
    QString m_text;
};

} // namespace db
