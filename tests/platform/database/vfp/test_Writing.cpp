// Writing: tables, memos and updates we write read back through dbfread; tables written by
// python3-dbf read back through us; conversions and refusals leave files untouched.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <filesystem>

using namespace vfptest;
using vfp::Value;

namespace {

std::vector<vfp::NewField> MixedFields()
{
    return { { "NAME", 'C', 20, 0, false }, { "QTY", 'N', 3, 0, false },
        { "PRICE", 'N', 10, 2, false }, { "FLAG", 'L', 1, 0, false }, { "DAY", 'D', 8, 0, false },
        { "NOTES", 'M', 4, 0, false }, { "COUNT", 'I', 4, 0, false }, { "RATIO", 'B', 8, 2, false },
        { "AMOUNT", 'Y', 8, 4, false }, { "STAMP", 'T', 8, 0, false },
        { "MAYBE", 'N', 5, 1, true } };
}

struct Table
{
    TempDir dir;
    std::string path = dir.file(QStringLiteral("mixed.dbf")).toStdString();
    std::shared_ptr<vfp::DbfTable> table;
    Table()
    {
        vfp::CreateTable(path, MixedFields());
        table = vfp::DbfTable::openPath(path);
    }
};

} // namespace

TEST(Writing, AppendedAndUpdatedRowsReadBackThroughDbfread)
{
    Table t;
    const int32_t day = vfp::JulianDayFromCivil(2024, 2, 29);
    t.table->append({ { 0, Value::character("Café Noir") }, { 1, Value::numeric(8.00, 2) },
        { 2, Value::numeric(1234.567) }, { 3, Value::integer(1) }, { 4, Value::date(day) },
        { 5, Value::memo("a memo\r\nwith two lines and ü") }, { 6, Value::numeric(8.0) },
        { 7, Value::numeric(-2.5) }, { 8, Value::numeric(12.3456) },
        { 9, Value::dateTime(day, 3723004) }, { 10, Value::null() } });
    t.table->append({ { 0, Value::character("second") } });
    t.table->update(2, { { 5, Value::memo("added later") }, { 2, Value::numeric(-0.004) } });
    t.table->update(1, { { 5, Value::memo("rewritten") }, { 3, Value::logical(false) } });

    const auto theirs = DbfreadRows(t.path, "cp1252");
    ASSERT_EQ(theirs.size(), 2u);
    const std::vector<std::string> first = { "live", "S:Café Noir", "N:8.000000", "N:1234.570000",
        "L:F", "D:20240229", "S:rewritten", "N:8.000000", "N:-2.500000", "N:12.345600",
        "T:20240229 01:02:03.004" };
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(theirs[0][i], first[i]) << i;
    // Fields not named are blank: 0, .F., empty date, empty memo.
    const std::vector<std::string> second
        = { "live", "S:second", "N:0.000000", "N:0.000000", "L:F", "D:", "S:added later" };
    for (size_t i = 0; i < second.size(); ++i)
        EXPECT_EQ(theirs[1][i], second[i]) << i;
    EXPECT_TRUE(t.table->value(1, 10).isNull());
    EXPECT_FALSE(t.table->value(2, 10).isNull());

    // Our own reader agrees with dbfread on every non-null value.
    const auto ours = EngineRows(*vfp::DbfTable::openPath(t.path));
    for (size_t r = 0; r < ours.size(); ++r)
        for (size_t f = 0; f + 1 < ours[r].size(); ++f) {
            if (ours[r][f] == "NULL")
                continue;
            EXPECT_EQ(ours[r][f], theirs[r][f]) << r << "/" << f;
        }
}

TEST(Writing, AppendWritesEndMarkCountAndDate)
{
    Table t;
    for (int i = 0; i < 3; ++i)
        t.table->append({ { 0, Value::character("r" + std::to_string(i)) } });
    const std::string bytes = ReadBytes(t.path);
    const auto &h = t.table->header();
    EXPECT_EQ(bytes.size(), h.headerLength + 3u * h.recordLength + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 3);
    EXPECT_GT(static_cast<uint8_t>(bytes[2]), 0); // month stamped
    EXPECT_EQ(vfp::DbfTable::openPath(t.path)->recordCount(), 3u);
}

TEST(Writing, UpdateRewritesOnlyTheChangedFieldBytes)
{
    Table t;
    t.table->append({ { 0, Value::character("keep") }, { 1, Value::numeric(5) } });
    t.table->append({ { 0, Value::character("other") } });
    const std::string before = ReadBytes(t.path);
    t.table->update(1, { { 1, Value::numeric(7) } });
    const std::string after = ReadBytes(t.path);
    ASSERT_EQ(before.size(), after.size());
    const auto &h = t.table->header();
    const size_t qtyAt = h.headerLength + h.fields[1].offset;
    for (size_t i = 0; i < before.size(); ++i) {
        if (i >= qtyAt && i < qtyAt + 3)
            continue;
        ASSERT_EQ(before[i], after[i]) << "byte " << i << " changed";
    }
    EXPECT_EQ(after.substr(qtyAt, 3), "  7");
    // Scans that read records in place see the same bytes where fieldPlace() says they lie.
    const std::string_view block = t.table->recordBlock(1, 1);
    ASSERT_EQ(block.size(), h.recordLength);
    const auto field = [&](int index) {
        const auto place = t.table->fieldPlace(index);
        return place ? block.substr(place->offset, place->width) : std::string_view();
    };
    EXPECT_EQ(field(1), "  7");
    EXPECT_EQ(field(0), "keep                ");
}

// FoxPro's conversions, and values that do not fit: each refusal writes nothing at all, even
// when other changes in the same call were fine.
TEST(Writing, ConversionsAndRefusals)
{
    Table t;
    t.table->append({ { 1, Value::numeric(8.00, 2) }, { 6, Value::numeric(8.00, 2) },
        { 3, Value::numeric(0) } });
    EXPECT_EQ(t.table->value(1, 1).number(), 8.0);
    EXPECT_EQ(t.table->value(1, 6).integer(), 8);
    EXPECT_FALSE(t.table->value(1, 3).logical());
    t.table->update(1, { { 3, Value::numeric(1) } });
    EXPECT_TRUE(t.table->value(1, 3).logical());

    const std::string before = ReadBytes(t.path);
    const std::string fpt = ReadBytes(t.dir.file(QStringLiteral("mixed.fpt")).toStdString());
    const std::vector<vfp::FieldValues> bad = {
        { { 1, Value::numeric(1000) } }, // N(3,0) overflow
        { { 1, Value::numeric(-100) } }, // sign needs a place too
        { { 6, Value::numeric(3e9) } }, // I overflow
        { { 3, Value::numeric(2) } }, // L takes 0 or 1 only
        { { 0, Value::character(std::string(21, 'x')) } }, // longer than C(20)
        { { 0, Value::character("Ω is not in 1252") } }, // not in the code page
        { { 1, Value::character("12") } }, // text into N
        { { 4, Value::numeric(1) } }, // number into D
        { { 0, Value::null() } }, // not nullable
        { { 5, Value::memo("new memo") }, { 1, Value::numeric(99999) } }, // memo fine, N not
        { { 2, Value::numeric(1) }, { 0, Value::character(std::string(30, 'y')) } },
    };
    for (const auto &changes : bad) {
        EXPECT_THROW(t.table->update(1, changes), vfp::Error);
        EXPECT_THROW(t.table->append(changes), vfp::Error);
    }
    EXPECT_EQ(ReadBytes(t.path), before);
    EXPECT_EQ(ReadBytes(t.dir.file(QStringLiteral("mixed.fpt")).toStdString()), fpt);

    // Trailing blanks past the width are padding, not data.
    t.table->update(1, { { 0, Value::character("exactly twenty chars      ") } });
    EXPECT_EQ(t.table->value(1, 0).text(), "exactly twenty chars");
    EXPECT_THROW(t.table->update(5, { { 1, Value::numeric(1) } }), vfp::Error);
}

TEST(Writing, RewrittenMemoGoesToANewBlock)
{
    Table t;
    t.table->append({ { 5, Value::memo("one") } });
    const std::string memoPath = t.dir.file(QStringLiteral("mixed.fpt")).toStdString();
    const size_t size1 = ReadBytes(memoPath).size();
    t.table->update(1, { { 5, Value::memo(std::string(200, 'z')) } });
    const std::string fpt = ReadBytes(memoPath);
    EXPECT_EQ(fpt.size(), size1 + 256); // 8 + 200 bytes padded to 64-byte blocks
    EXPECT_EQ(fpt.size() % 64, 0u);
    EXPECT_NE(fpt.find("one"), std::string::npos); // the old block stays
    EXPECT_EQ(t.table->value(1, 5).text(), std::string(200, 'z'));
    const uint32_t next = (static_cast<uint8_t>(fpt[2]) << 8) | static_cast<uint8_t>(fpt[3]);
    EXPECT_EQ(next * 64, fpt.size());
}

TEST(Writing, TablesWrittenByPythonDbfReadBack)
{
    TempDir dir;
    const QString out = RunPython(QStringLiteral("dbf_write.py"), { dir.path() });
    std::string current;
    std::vector<std::vector<std::string>> expected;
    int tables = 0;
    const auto check = [&]() {
        if (current.empty())
            return;
        SCOPED_TRACE(current);
        const auto rows = EngineRows(*vfp::DbfTable::openPath(
            dir.file(QString::fromStdString(current + ".dbf")).toStdString()));
        ASSERT_EQ(rows.size(), expected.size());
        for (size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), expected[r].size());
            for (size_t f = 0; f < rows[r].size(); ++f)
                EXPECT_EQ(rows[r][f], expected[r][f]) << r << "/" << f;
        }
        ++tables;
    };
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonArray a = QJsonDocument::fromJson(line.toUtf8()).array();
        if (a.at(0).toString() == QLatin1String("table")) {
            check();
            current = a.at(1).toString().toStdString();
            expected.clear();
            continue;
        }
        std::vector<std::string> row;
        for (const auto &v : a)
            row.push_back(v.toString().toStdString());
        expected.push_back(row);
    }
    check();
    EXPECT_EQ(tables, 3);
}

TEST(Writing, UpdatesToAFixtureCopyReadBackThroughDbfread)
{
    TempDir dir;
    const std::string folder
        = CopyFixtureFolder(QStringLiteral("foxpro/tables"), dir).toStdString();
    const auto table = vfp::DbfTable::openPath(folder + "/dbase_30.dbf");
    const int notes = table->fieldIndex("DESCRIP");
    const int value = table->fieldIndex("ACQVALUE");
    table->update(3,
        { { notes, Value::memo("Rewritten description with ß") },
            { value, Value::numeric(99.5) } });
    const auto rows = DbfreadRows(folder + "/dbase_30.dbf", "cp1252");
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[2][static_cast<size_t>(notes) + 1], "S:Rewritten description with ß");
    EXPECT_EQ(rows[2][static_cast<size_t>(value) + 1], "N:99.500000");
    // The untouched records still match the original file.
    const auto original = DbfreadRows(FixturePath("tables/dbase_30.dbf"), "cp1252");
    EXPECT_EQ(rows[0], original[0]);
    EXPECT_EQ(rows.back(), original.back());
}

TEST(Writing, DatabaseContainerWeWriteResolvesThroughDbfreadAndUs)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    {
        vfp::TableBuilder b(folder + "/z_stran.dbf",
            { { "st_account", 'C', 8, 0, false }, { "st_trvalue", 'N', 12, 2, false },
                { "id", 'I', 4, 0, false } });
        b.addRow({ Value::character("A001"), Value::numeric(10.5), Value::integer(1) });
        b.addRow({ Value::character("B002"), Value::numeric(-3), Value::integer(2) });
        b.deleteLastRow();
        b.addIndexTag("ID", "ID");
        b.finish();
    }
    vfp::CreateTable(folder + "/z_sname.dbf",
        { { "sn_account", 'C', 8, 0, false }, { "sn_docmail", 'N', 3, 0, false } });
    vfp::CreateDatabaseContainer(folder + "/COMP_Z.DBC",
        { { folder + "/z_stran.dbf", "z_stran", { "st_account", "st_trvalue", "id" } },
            { folder + "/z_sname.dbf", {}, { "sn_account", "sn_docmail" } } });

    const auto db = vfp::Database::open(folder + "/comp_z.dbc");
    const auto stran = db->table("Z_STRAN");
    EXPECT_EQ(stran->recordCount(), 2u);
    EXPECT_TRUE(stran->isDeleted(2));
    EXPECT_GE(db->table("z_sname")->fieldIndex("sn_docmail"), 0);
    // The container's own index covers its rows; each table links back to it.
    const auto dbc = vfp::DbfTable::openPath(folder + "/COMP_Z.DBC");
    ASSERT_EQ(dbc->indexTags().size(), 2u);
    const std::string header = ReadBytes(folder + "/z_sname.dbf");
    EXPECT_NE(header.find("comp_z.dbc"), std::string::npos);

    // dbfread reads the container (through a copy named as it expects the memo).
    std::filesystem::copy_file(folder + "/COMP_Z.dct", folder + "/COMP_Z.fpt");
    const auto rows = DbfreadRows(folder + "/COMP_Z.DBC", "latin1");
    ASSERT_EQ(rows.size(), 5u + 1 + 3 + 1 + 2);
    EXPECT_EQ(rows[5][3], "S:Table");
    EXPECT_EQ(rows[5][4], "S:z_stran");
    EXPECT_NE(rows[5][5].find("z_stran.dbf"), std::string::npos);
    EXPECT_EQ(rows[6][4], "S:st_account");
}

// An autoincrementing field numbers appended records itself and refuses values given for it.
TEST(Writing, AutoincrementFieldNumbersNewRecords)
{
    TempDir dir;
    const std::string folder
        = CopyFixtureFolder(QStringLiteral("foxpro/tables"), dir).toStdString();
    const auto table = vfp::DbfTable::openPath(folder + "/dbase_31.dbf");
    const int id = table->fieldIndex("PRODUCTID");
    const int name = table->fieldIndex("PRODUCTNAM");
    ASSERT_TRUE(table->fields()[static_cast<size_t>(id)].autoIncrement);
    EXPECT_THROW(table->append({ { id, Value::integer(5) } }), vfp::Error);
    const uint32_t first = table->append({ { name, Value::character("Tea") } });
    const uint32_t second = table->append({ { name, Value::character("Coffee") } });
    EXPECT_EQ(first, 78u);
    EXPECT_EQ(table->value(first, id).integer(), 78);
    EXPECT_EQ(table->value(second, id).integer(), 79);
    const std::string header = ReadBytes(folder + "/dbase_31.dbf");
    EXPECT_EQ(static_cast<uint8_t>(header[32 + 19]), 80);
    const auto rows = DbfreadRows(folder + "/dbase_31.dbf", "cp1252");
    ASSERT_EQ(rows.size(), 79u);
    EXPECT_EQ(rows[78][1], "N:79.000000");
    EXPECT_EQ(rows[78][2], "S:Coffee");
}
