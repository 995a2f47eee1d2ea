#include "platform/database/Connection.h"

#include "platform/database/Query.h"
#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Executor.h"

#include <algorithm>

namespace db {

namespace {

// Splits "a=b;c=\"x;y\"" at the semicolons outside quotes and unquotes each value.
QList<QPair<QString, QString>> SplitPairs(const QString &text)
{
    QList<QPair<QString, QString>> pairs;
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), at);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const QString piece = text.mid(at, semicolon < 0 ? -1 : semicolon - at).trimmed();
            if (!piece.isEmpty())
                throw Exception(QStringLiteral("Format of the initialization string does not "
                                               "conform to the OLE DB syntax: ")
                    + piece);
            if (semicolon < 0)
                break;
            at = semicolon + 1;
            continue;
        }
        const QString key = text.mid(at, equals - at).trimmed();
        qsizetype pos = equals + 1;
        while (pos < size && text.at(pos).isSpace())
            ++pos;
        QString value;
        if (pos < size && (text.at(pos) == QLatin1Char('"') || text.at(pos) == QLatin1Char('\''))) {
            const QChar quote = text.at(pos++);
            bool closed = false;
            while (pos < size) {
                if (text.at(pos) == quote) {
                    if (pos + 1 < size && text.at(pos + 1) == quote) {
                        value += quote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                value += text.at(pos++);
            }
            if (!closed)
                throw Exception(QStringLiteral("Unterminated quoted value of ") + key
                    + QStringLiteral(" in the connection string"));
            while (pos < size && text.at(pos).isSpace())
                ++pos;
            if (pos < size && text.at(pos) != QLatin1Char(';'))
                throw Exception(QStringLiteral("Format of the initialization string does not "
                                               "conform to the OLE DB syntax: ")
                    + key);
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
            value = text.mid(pos, end < 0 ? -1 : end - pos).trimmed();
            pos = end < 0 ? size : end;
        }
        if (key.isEmpty())
            throw Exception(QStringLiteral("Format of the initialization string does not "
                                           "conform to the OLE DB syntax"));
        pairs.append({ key, value });
        at = pos + 1;
    }
    return pairs;
}

} // namespace

ConnectionSettings ParseConnectionString(const QString &text)
{
    ConnectionSettings settings;
    for (const auto &[key, value] : SplitPairs(text))
        settings.keys.insert(key.toUpper(), value);
    if (!settings.keys.contains(QStringLiteral("PROVIDER")))
        throw Exception(QStringLiteral("Provider cannot be found. The connection string names "
                                       "no provider (Provider=VFPOLEDB.1 is needed)"));
    settings.provider = settings.keys.value(QStringLiteral("PROVIDER"));
    const QString provider = settings.provider.toUpper();
    if (provider != QStringLiteral("VFPOLEDB.1") && provider != QStringLiteral("VFPOLEDB"))
        throw Exception(QStringLiteral("Provider cannot be found: ") + settings.provider
            + QStringLiteral(" (only VFPOLEDB.1 is available)"));
    settings.dataSource = settings.keys.value(QStringLiteral("DATA SOURCE"));
    if (settings.dataSource.trimmed().isEmpty())
        throw Exception(QStringLiteral("The connection string names no Data Source"));
    return settings;
}

Connection::Connection()
    : Connection(DatabaseOpener())
{ }

Connection::Connection(DatabaseOpener opener)
    : m_opener(std::move(opener))
{ }

Connection::~Connection()
{
    close();
    for (Query *query : m_queries)
        query->m_connection = nullptr;
}

void Connection::setConnectionString(const QString &text)
{
    if (text == m_connectionString)
        return;
    close();
    m_connectionString = text;
}

void Connection::open()
{
    if (m_database)
        return;
    const ConnectionSettings settings = ParseConnectionString(m_connectionString);
    const std::string path = settings.dataSource.toStdString();
    try {
        m_database = m_opener ? m_opener(path) : vfp::Database::open(path);
    } catch (const Exception &) {
        throw;
    } catch (const std::exception &error) {
        throw Exception(QString::fromUtf8(error.what()));
    }
    if (!m_database)
        throw Exception(QStringLiteral("Cannot open the database ") + settings.dataSource);
    for (const std::string &table : m_ownTables)
        m_database->markOwnTable(table);
}

void Connection::markOwnTable(const QString &table)
{
    const std::string name = table.toStdString();
    if (std::find(m_ownTables.begin(), m_ownTables.end(), name) != m_ownTables.end())
        return;
    m_ownTables.push_back(name);
    if (m_database)
        m_database->markOwnTable(name);
}

void Connection::close()
{
    for (Query *query : m_queries)
        query->close();
    m_database.reset();
}

vfp::Database &Connection::database()
{
    open();
    return *m_database;
}

int Connection::execute(const QString &sql)
{
    vfp::Database &db = database();
    noteStatement(sql);
    try {
        return vfp::sql::Execute(db, sql.toStdString()).affected;
    } catch (const Exception &) {
        throw;
    } catch (const std::exception &error) {
        throw Exception(QString::fromUtf8(error.what()));
    }
}

void Connection::attach(Query *query)
{
    m_queries.push_back(query);
}

void Connection::detach(Query *query)
{
    m_queries.erase(std::remove(m_queries.begin(), m_queries.end(), query), m_queries.end());
}

} // namespace db
