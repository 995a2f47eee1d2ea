// Reading tables, memos and the database container written by other programs.

#include "VfpTestSupport.h"

#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace vfptest;

namespace {

std::vector<std::string> FixtureTables()
{
    std::vector<std::string> out;
    for (const char *folder : { "tables", "xsource", "foxprodb" }) {
        const QDir dir(QString::fromStdString(FixturePath(folder)));
        for (const QString &f : dir.entryList({ QStringLiteral("*.dbf") }, QDir::Files, QDir::Name))
            out.push_back(std::string(folder) + "/" + f.toStdString());
    }
    return out;
}

std::string Lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(FixtureReading, EveryFixtureTableMatchesDbfread)
{
    ASSERT_FALSE(FixturesDir().isEmpty());
    const auto tables = FixtureTables();
    ASSERT_GE(tables.size(), 14u);
    for (const std::string &relative : tables) {
        if (relative.find("no_memofile") != std::string::npos)
            continue; // dbfread cannot read it either; see MissingMemoFile below
        SCOPED_TRACE(relative);
        const auto table = vfp::DbfTable::openPath(FixturePath(relative));
        const auto ours = EngineRows(*table);
        const auto theirs = DbfreadRows(FixturePath(relative), Lower(table->codePage().name()));
        ASSERT_EQ(ours.size(), theirs.size());
        size_t compared = 0;
        for (size_t r = 0; r < ours.size(); ++r) {
            ASSERT_EQ(ours[r].size(), theirs[r].size()) << "row " << r;
            for (size_t f = 0; f < ours[r].size(); ++f) {
                if (ours[r][f] == "NULL")
                    continue; // dbfread ignores null flags: it shows the blank bytes
                EXPECT_EQ(ours[r][f], theirs[r][f])
                    << "row " << r << " field " << table->fields()[f ? f - 1 : 0].name;
                ++compared;
            }
        }
        EXPECT_GT(compared, 0u);
    }
}

// Field lists and record counts from the summaries written beside the fixtures.
TEST(FixtureReading, FieldListsMatchSummaries)
{
    const QDir dir(QString::fromStdString(FixturePath("tables")));
    const auto summaries = dir.entryList({ QStringLiteral("*_summary.txt") }, QDir::Files);
    ASSERT_EQ(summaries.size(), 6);
    for (const QString &summary : summaries) {
        SCOPED_TRACE(summary.toStdString());
        std::ifstream in(dir.filePath(summary).toStdString());
        std::string line;
        uint32_t records = 0;
        std::vector<vfp::FieldInfo> expected;
        bool inFields = false;
        while (std::getline(in, line)) {
            if (line.rfind("Records:", 0) == 0)
                records = static_cast<uint32_t>(std::stoul(line.substr(8)));
            else if (line.rfind("-----", 0) == 0)
                inFields = true;
            else if (inFields && !line.empty()) {
                std::istringstream s(line);
                vfp::FieldInfo f;
                s >> f.name >> f.type >> f.length >> f.decimals;
                if (f.name != "_NullFlags")
                    expected.push_back(f);
            }
        }
        const std::string base = summary.left(summary.size() - 12).toStdString();
        const auto table = vfp::DbfTable::openPath(FixturePath("tables/" + base + ".dbf"));
        EXPECT_EQ(table->recordCount(), records);
        ASSERT_EQ(table->fields().size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            std::string upper = expected[i].name;
            for (char &c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(table->fields()[i].name, upper);
            EXPECT_EQ(table->fields()[i].type, expected[i].type);
            // Integer-like types list their storage size; Y lists 4 decimals
            EXPECT_EQ(table->fields()[i].length, expected[i].length) << upper;
            EXPECT_EQ(table->fields()[i].decimals, expected[i].decimals) << upper;
        }
    }
}

TEST(FixtureReading, CodePagesAndNullsDecode)
{
    const auto cyrillic = vfp::DbfTable::openPath(FixturePath("tables/cp1251.dbf"));
    EXPECT_EQ(cyrillic->codePage().name(), "CP1251");
    const std::string name = cyrillic->value(1, 1).text();
    EXPECT_TRUE(std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }));
    EXPECT_TRUE(QString::fromStdString(name).contains(
        QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]"))));

    // payments has nullable fields: null ones read as null, set ones as values.
    const auto payments = vfp::DbfTable::openPath(FixturePath("xsource/payments.dbf"));
    int nulls = 0, values = 0;
    for (uint32_t r = 1; r <= payments->recordCount(); ++r)
        for (size_t f = 0; f < payments->fields().size(); ++f)
            (payments->value(r, static_cast<int>(f)).isNull() ? nulls : values)++;
    EXPECT_GT(nulls, 0);
    EXPECT_GT(values, 0);
    // Columns without the nullable flag never read as null.
    for (size_t f = 0; f < payments->fields().size(); ++f) {
        if (payments->fields()[f].nullable)
            continue;
        for (uint32_t r = 1; r <= payments->recordCount(); ++r)
            EXPECT_FALSE(payments->value(r, static_cast<int>(f)).isNull());
    }
}

TEST(FixtureReading, DeletedRecordsStayVisibleAsDeleted)
{
    const auto memotest = vfp::DbfTable::openPath(FixturePath("tables/memotest.dbf"));
    ASSERT_EQ(memotest->recordCount(), 3u);
    int deleted = 0;
    for (uint32_t r = 1; r <= 3; ++r)
        deleted += memotest->isDeleted(r);
    EXPECT_EQ(deleted, 1);
}

TEST(FixtureReading, MissingMemoFileFailsOnlyWhenAMemoIsRead)
{
    const auto table = vfp::DbfTable::openPath(FixturePath("tables/no_memofile.dbf"));
    const int memo = table->fieldIndex("memo");
    ASSERT_GE(memo, 0);
    EXPECT_FALSE(table->value(1, 0).text().empty());
    bool threw = false;
    for (uint32_t r = 1; r <= table->recordCount(); ++r) {
        try {
            table->value(r, memo);
        } catch (const vfp::Error &e) {
            threw = true;
            EXPECT_NE(std::string(e.what()).find("Memo file"), std::string::npos);
        }
    }
    EXPECT_TRUE(threw);
}

TEST(FixtureReading, ContainerResolvesTablesWithLongFieldNames)
{
    const auto db = vfp::Database::open(FixturePath("foxprodb/FOXPRO-DB-TEST.DBC"));
    for (const char *name : { "contacts", "CALLS", "Types", "setup" }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(db->tableExists(name));
        EXPECT_GT(db->table(name)->recordCount(), 0u);
    }
    EXPECT_FALSE(db->tableExists("nosuch"));
    EXPECT_THROW(db->table("nosuch"), vfp::Error);

    const auto contacts = db->table("contacts");
    EXPECT_GE(contacts->fieldIndex("company_name"), 0);
    EXPECT_GE(contacts->fieldIndex("CONTACT_TYPE_ID"), 0);
    EXPECT_GE(contacts->fieldIndex("contact_ty"), 0); // the header's short name still works
    EXPECT_EQ(contacts->fields()[static_cast<size_t>(contacts->fieldIndex("company_name"))].name,
        "COMPANY_NAME");

    // The same through a folder and a free-table path, and through backslashes.
    const auto folder = vfp::Database::open(FixturePath("foxprodb"));
    EXPECT_TRUE(folder->tableExists("CONTACTS"));
    const std::string backslashed = FixturePath("foxprodb\\calls.DBF");
    EXPECT_NO_THROW(vfp::Database::open(backslashed));
}

TEST(FixtureReading, ContainerFallsBackToItsFolderWhenPathIsStale)
{
    TempDir dir;
    const std::string folder
        = CopyFixtureFolder(QStringLiteral("foxpro/foxprodb"), dir).toStdString();
    // Move a member elsewhere under a new name: not found; put it back in another case: found.
    ASSERT_EQ(std::rename((folder + "/setup.dbf").c_str(), (folder + "/SETUP.DBF").c_str()), 0);
    const auto db = vfp::Database::open(folder + "/foxpro-db-test.dbc");
    EXPECT_EQ(db->table("setup")->recordCount(), 3u);
}
