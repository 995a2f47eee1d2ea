// Texts in statements against the index's own order and keys: Windows-1252 tables written by
// python3-dbf, an index built over them by the engine, its keys read back in index order.

#include "VfpTestSupport.h"

#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/sql/Display.h"
#include "platform/database/vfp/sql/Executor.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vfptest;

namespace {

std::string Trimmed(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// names.dbf (NAME C(8)) and owners.dbf (OWNER C(4)) from dbf_names.py, with tags NAME on NAME
// and UNAME on UPPER(NAME).
struct Names
{
    TempDir dir;
    std::unique_ptr<vfp::Database> db;

    Names()
    {
        RunPython(QStringLiteral("dbf_names.py"), { dir.path() });
        db = vfp::Database::open(dir.path().toStdString());
        db->createIndexTag("names", "NAME", "NAME");
        db->createIndexTag("names", "UPPER(NAME)", "UNAME");
        db->closeAll();
    }

    // Each row's columns as the shell shows them, joined with "|".
    std::vector<std::string> rows(const std::string &sql)
    {
        const auto result = vfp::sql::Execute(*db, sql).rows;
        std::vector<std::string> out;
        for (size_t r = 0; r < result->rowCount(); ++r) {
            std::string row;
            for (int c = 0; c < result->columnCount(); ++c)
                row += (c ? "|" : "") + vfp::sql::DisplayText(result->value(r, c));
            out.push_back(row);
        }
        return out;
    }

    // A tag's keys in index order, decoded from the code page and trimmed.
    std::vector<std::string> tagKeys(const std::string &name)
    {
        const auto table
            = vfp::DbfTable::openPath(dir.file(QStringLiteral("names.dbf")).toStdString());
        std::vector<std::string> keys;
        for (const vfp::CdxTag &tag : table->index()->tags()) {
            if (tag.tag.name != name)
                continue;
            for (const vfp::CdxKey &key : table->index()->keys(tag, table->padFor(tag)))
                keys.push_back(Trimmed(table->codePage().toUtf8(key.key)));
        }
        EXPECT_EQ(keys.size(), 13u) << name;
        return keys;
    }
};

} // namespace

TEST(Collation, OrderDistinctAndRangesFollowTheIndexKeys)
{
    Names t;
    const auto byName = t.tagKeys("NAME");
    // The code page's bytes: € 0x80 < Œ 0x8C < œ 0x9C < £ 0xA3 < É 0xC9 < é 0xE9 < ÿ 0xFF.
    EXPECT_EQ(byName,
        (std::vector<std::string> { "", "Abc", "Straße", "Zebra", "Zoë", "abc", "€uro", "Œuvre",
            "œuvre", "£ound", "Émile", "émile", "ÿvonne" }));
    EXPECT_EQ(t.rows("SELECT name FROM names ORDER BY name"), byName);

    const auto byUpper = t.tagKeys("UNAME");
    EXPECT_EQ(t.rows("SELECT UPPER(name) FROM names ORDER BY 1"), byUpper);
    std::vector<std::string> distinctUpper = byUpper;
    distinctUpper.erase(
        std::unique(distinctUpper.begin(), distinctUpper.end()), distinctUpper.end());
    EXPECT_EQ(t.rows("SELECT DISTINCT UPPER(name) AS u FROM names ORDER BY u"), distinctUpper);

    // A range condition lets through what lies past its bound in the index, nothing else.
    const auto after = std::find(byName.begin(), byName.end(), "£ound") + 1;
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name > '£ound' ORDER BY name"),
        std::vector<std::string>(after, byName.end()));
}

TEST(Collation, UpperAndLowerKeepTheLengthAndTheCodePage)
{
    Names t;
    EXPECT_EQ(t.rows("SELECT name, UPPER(name), LOWER(name), LEN(UPPER(name)) FROM names "
                     "WHERE name == 'Straße' OR name == 'œuvre' OR name == 'ÿvonne' "
                     "OR name == 'Émile' ORDER BY name"),
        (std::vector<std::string> { "Straße|STRAßE|straße|8", "œuvre|ŒUVRE|œuvre|8",
            "Émile|ÉMILE|émile|8", "ÿvonne|ŸVONNE|ÿvonne|8" }));
    // No capital within the page (µ, ß) or no place in it (ř): the letter stays.
    EXPECT_EQ(t.rows("SELECT UPPER('µ ř ß') FROM names WHERE name == 'abc'"),
        std::vector<std::string> { "µ ř ß" });
    // The review page's name filter: the typed text upper-cased, inside % wildcards.
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE UPPER(name) LIKE '%STRAßE%'"),
        std::vector<std::string> { "Straße" });
}

TEST(Collation, EqualsComparesUpToTheEndOfTheShorterText)
{
    Names t;
    EXPECT_EQ(
        t.rows("SELECT name FROM names WHERE name = 'Ém'"), std::vector<std::string> { "Émile" });
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE 'Straße' = name"),
        std::vector<std::string> { "Straße" });
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name == 'Stra'"), std::vector<std::string> {});
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name IN ('€', 'Œ') ORDER BY name"),
        (std::vector<std::string> { "€uro", "Œuvre" }));
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name <> 'Z' AND name != 'É'").size(), 10u);
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name = ''").size(), 13u);
    EXPECT_EQ(t.rows("SELECT name FROM names WHERE name == ''"), std::vector<std::string> { "" });
}

TEST(Collation, JoinsOnEqualsMatchUpToTheShorterText)
{
    Names t;
    // C(8) against C(4): the hashed join keys on the first four characters, of which the code
    // "Zeb " has a blank that "Zebra" has not.
    const std::vector<std::string> prefixes { "Straße|Stra", "€uro|€uro", "Émile|Émil" };
    EXPECT_EQ(t.rows("SELECT name, owner FROM names JOIN owners ON owner = name ORDER BY name"),
        prefixes);
    EXPECT_EQ(t.rows("SELECT name, owner FROM names JOIN owners ON name = owner ORDER BY name"),
        prefixes);
    // == pads the shorter with blanks.
    EXPECT_EQ(t.rows("SELECT name, owner FROM names JOIN owners ON owner == name"),
        std::vector<std::string> { "€uro|€uro" });
    // Joined on an expression, row by row: the empty name, shorter than every code, matches
    // all four.
    EXPECT_EQ(
        t.rows(
             "SELECT name, owner FROM names JOIN owners ON owner = TRIM(name) ORDER BY name, owner")
            .size(),
        7u);
}
