// vfpsql CONNECTION-OR-PATH "STATEMENT": runs one statement of the engine's dialect and prints a
// query's rows as tab-separated text under a heading line, or the number of records changed.
// Tabs, line breaks and backslashes inside values are escaped (\t \r \n \\).
// The engine's error goes to stderr with exit status 1; wrong usage exits with 2.

#include "platform/database/Connection.h"
#include "platform/database/vfp/sql/Display.h"
#include "platform/database/vfp/sql/Executor.h"

#include <QString>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// A connection string has key=value pairs; anything else is a path to a container, a folder or
// a free table.
QString ConnectionText(const QString &argument)
{
    if (argument.contains(QLatin1Char('=')))
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("Provider=VFPOLEDB.1;Data Source=\"") + quoted + QLatin1Char('"');
}

// One value on one line: line breaks and tabs inside it are shown escaped.
std::string Cell(const vfp::Value &value)
{
    std::string text = vfp::sql::DisplayText(value);
    if (text.find_first_of("\r\n\t\\") == std::string::npos)
        return text;
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void PrintRows(const vfp::sql::ResultSet &rows)
{
    std::string out;
    for (int column = 0; column < rows.columnCount(); ++column)
        out += (column ? "\t" : "") + rows.columns()[static_cast<size_t>(column)].name;
    out += '\n';
    for (size_t row = 0; row < rows.rowCount(); ++row) {
        for (int column = 0; column < rows.columnCount(); ++column) {
            if (column)
                out += '\t';
            out += Cell(rows.value(row, column));
        }
        out += '\n';
        if (out.size() > (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: vfpsql CONNECTION-OR-PATH \"STATEMENT\"\n";
        return 2;
    }
    try {
        db::Connection connection;
        connection.setConnectionString(ConnectionText(QString::fromLocal8Bit(argv[1])));
        const vfp::sql::ExecutionResult result = vfp::sql::Execute(
            connection.database(), QString::fromLocal8Bit(argv[2]).toStdString());
        if (result.rows)
            PrintRows(*result.rows);
        else
            std::cout << result.affected << " record(s) changed\n";
    } catch (const std::exception &error) {
        std::cerr << "vfpsql: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
