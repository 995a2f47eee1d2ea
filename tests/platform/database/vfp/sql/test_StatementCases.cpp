// File-driven statement cases: each file in cases/ runs its statements in order on a fresh
// sample company and compares the rows (heading line first), the records changed or the error.

#include "SampleCompany.h"
#include "platform/database/vfp/sql/Display.h"
#include "platform/database/vfp/sql/Executor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct Case
{
    std::string name;
    int line = 0;
    std::string sql;
    std::string expectKind; // rows, affected, error
    std::string expectArgument;
    std::vector<std::string> expectedRows;
};

std::vector<Case> ReadCases(const std::filesystem::path &path)
{
    std::ifstream in(path);
    std::vector<Case> cases;
    std::string line;
    int number = 0;
    bool inExpected = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("== ", 0) == 0) {
            cases.push_back(Case { line.substr(3), number, {}, {}, {}, {} });
            inExpected = false;
        } else if (cases.empty() || (line.rfind("#", 0) == 0 && !inExpected)) {
            continue;
        } else if (line.rfind("--> ", 0) == 0) {
            const std::string rest = line.substr(4);
            const size_t blank = rest.find(' ');
            cases.back().expectKind = rest.substr(0, blank);
            cases.back().expectArgument = blank == std::string::npos ? "" : rest.substr(blank + 1);
            inExpected = cases.back().expectKind == "rows";
        } else if (inExpected) {
            cases.back().expectedRows.push_back(line);
        } else if (cases.back().expectKind.empty()) {
            cases.back().sql += (cases.back().sql.empty() ? "" : "\r\n") + line;
        }
    }
    for (Case &c : cases) {
        while (!c.expectedRows.empty() && c.expectedRows.back().empty())
            c.expectedRows.pop_back();
    }
    return cases;
}

std::vector<std::string> Render(const vfp::sql::ResultSet &rows)
{
    std::vector<std::string> lines;
    std::string heading;
    for (const auto &column : rows.columns())
        heading += (heading.empty() ? "" : "\t") + column.name;
    lines.push_back(heading);
    for (size_t row = 0; row < rows.rowCount(); ++row) {
        std::string line;
        for (int column = 0; column < rows.columnCount(); ++column)
            line += (column ? "\t" : "") + vfp::sql::DisplayText(rows.value(row, column));
        lines.push_back(line);
    }
    return lines;
}

std::string Join(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

class StatementCases : public testing::TestWithParam<std::string>
{ };

TEST_P(StatementCases, RunAsWritten)
{
    const std::filesystem::path path = std::filesystem::path(SQL_CASES_DIR) / GetParam();
    const std::vector<Case> cases = ReadCases(path);
    ASSERT_FALSE(cases.empty()) << path;
    auto db = vfp::memory::MakeSampleCompany();
    for (const Case &c : cases) {
        SCOPED_TRACE(GetParam() + ":" + std::to_string(c.line) + " " + c.name);
        try {
            const vfp::sql::ExecutionResult result = vfp::sql::Execute(*db, c.sql);
            if (c.expectKind == "rows") {
                ASSERT_TRUE(result.rows) << "no rows";
                EXPECT_EQ(Join(c.expectedRows), Join(Render(*result.rows)));
            } else if (c.expectKind == "affected") {
                EXPECT_FALSE(result.rows);
                EXPECT_EQ(c.expectArgument, std::to_string(result.affected));
            } else {
                ADD_FAILURE() << "expected " << c.expectKind << " " << c.expectArgument
                              << " but the statement ran";
            }
        } catch (const vfp::Error &error) {
            EXPECT_EQ("error", c.expectKind) << error.what();
            if (c.expectKind == "error") {
                EXPECT_EQ(c.expectArgument, error.what());
            }
        }
    }
}

std::vector<std::string> CaseFiles()
{
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(SQL_CASES_DIR)) {
        if (entry.path().extension() == ".cases")
            files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string CaseName(const testing::TestParamInfo<std::string> &info)
{
    std::string name = std::filesystem::path(info.param).stem().string();
    for (char &c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, StatementCases, testing::ValuesIn(CaseFiles()), CaseName);

} // namespace
