#pragma once

#include "util/Errors.h"

#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vfp {
class Database;
}

namespace db {

class Query;

// A connection string read the way the provider reads it: keys are case-insensitive, values may
// be quoted with '"' or '\'' (a doubled quote inside stands for one), blanks around keys and
// values are dropped. Throws Exception for a provider other than VFPOLEDB(.1) or a missing one.
struct ConnectionSettings
{
    QString provider;
    QString dataSource;
    QMap<QString, QString> keys; // every key, upper case, as given
};
ConnectionSettings ParseConnectionString(const QString &text);

// Opens the engine's database for a Data Source path; replaceable so tests can run on an
// in-memory database.
using DatabaseOpener = std::function<std::unique_ptr<vfp::Database>(const std::string &path)>;

// The one connection to a company database. Closed until first used: every query or command
// opens it when it is closed. Closing it closes every query open on it.
class Connection
{
public:
    enum class State { Closed, Open };

    Connection();
    explicit Connection(DatabaseOpener opener);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Changing the string closes the connection first.
    void setConnectionString(const QString &text);
    const QString &connectionString() const { return m_connectionString; }

    void open();
    void close();
    State state() const { return m_database ? State::Open : State::Closed; }
    bool isOpen() const { return state() == State::Open; }

    // The engine's database, opening the connection when closed.
    vfp::Database &database();

    // Runs a statement that returns no rows; returns the number of records it changed.
    int execute(const QString &sql);

    // Names one of the program's own tables, which the engine repairs after a killed writer
    // when it opens the table (Database::markOwnTable); kept across reopening the connection.
    void markOwnTable(const QString &table);

    // Told the text of every statement, query or command, just before it runs.
    using StatementObserver = std::function<void(const QString &sql)>;
    void setStatementObserver(StatementObserver observer) { m_observer = std::move(observer); }

private:
    friend class Query;
    void noteStatement(const QString &sql) const
    {
        if (m_observer)
            m_observer(sql);
    }
    void attach(Query *query);
    void detach(Query *query);

    QString m_connectionString;
    DatabaseOpener m_opener;
    std::unique_ptr<vfp::Database> m_database;
    std::vector<Query *> m_queries;
    StatementObserver m_observer;
    std::vector<std::string> m_ownTables;
};

} // namespace db
