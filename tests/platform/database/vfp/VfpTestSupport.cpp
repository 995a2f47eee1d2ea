#include "VfpTestSupport.h"

#include "support/TempDir.h"

#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/DbfTable.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vfptest {

std::string Canonical(const vfp::Value &v)
{
    char buf[64];
    switch (v.kind()) {
    case vfp::Value::Kind::Null:
        return "NULL";
    case vfp::Value::Kind::Character: {
        std::string s = v.text();
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
            s.pop_back();
        return "S:" + s;
    }
    case vfp::Value::Kind::Memo:
        return "S:" + v.text();
    case vfp::Value::Kind::Numeric:
    case vfp::Value::Kind::Integer:
        std::snprintf(buf, sizeof buf, "N:%.6f", v.number());
        return buf;
    case vfp::Value::Kind::Logical:
        return v.logical() ? "L:T" : "L:F";
    case vfp::Value::Kind::Date:
    case vfp::Value::Kind::DateTime: {
        const bool dt = v.kind() == vfp::Value::Kind::DateTime;
        if (v.julianDay() == 0)
            return dt ? "T:" : "D:";
        int y = 0, m = 0, d = 0;
        vfp::CivilFromJulianDay(v.julianDay(), y, m, d);
        if (!dt) {
            std::snprintf(buf, sizeof buf, "D:%04d%02d%02d", y, m, d);
            return buf;
        }
        const int ms = v.milliseconds();
        std::snprintf(buf, sizeof buf, "T:%04d%02d%02d %02d:%02d:%02d.%03d", y, m, d, ms / 3600000,
            ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        return buf;
    }
    }
    return "?";
}

std::vector<std::vector<std::string>> EngineRows(const vfp::Table &table)
{
    std::vector<std::vector<std::string>> live, deleted;
    const uint32_t count = table.recordCount();
    for (uint32_t r = 1; r <= count; ++r) {
        const bool gone = table.isDeleted(r);
        std::vector<std::string> row { gone ? "deleted" : "live" };
        for (size_t f = 0; f < table.fields().size(); ++f)
            row.push_back(Canonical(table.value(r, static_cast<int>(f))));
        (gone ? deleted : live).push_back(std::move(row));
    }
    live.insert(live.end(), deleted.begin(), deleted.end());
    return live;
}

QString RunPython(const QString &script, const QStringList &arguments, int *exitCode)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
        QStringList { QStringLiteral(VFP_TEST_SCRIPTS "/") + script } + arguments);
    p.waitForFinished(120000);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    if (exitCode)
        *exitCode = p.exitCode();
    else
        EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<std::vector<std::string>> DbfreadRows(
    const std::string &path, const std::string &encoding)
{
    const QString out = RunPython(QStringLiteral("dbfread_dump.py"),
        { QString::fromStdString(path), QString::fromStdString(encoding) });
    std::vector<std::vector<std::string>> rows;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        std::vector<std::string> row;
        for (const auto &v : QJsonDocument::fromJson(line.toUtf8()).array())
            row.push_back(v.toString().toStdString());
        rows.push_back(std::move(row));
    }
    return rows;
}

void ExpectEveryKeyOnItsRecord(const vfp::DbfTable &table)
{
    const uint32_t count = table.recordCount();
    for (const vfp::CdxTag &tag : table.index()->tags()) {
        for (const vfp::CdxKey &k : table.index()->keys(tag, table.padFor(tag))) {
            ASSERT_TRUE(k.recno >= 1 && k.recno <= count)
                << "a key points at record " << k.recno << " of " << count;
            EXPECT_EQ(table.keyFor(tag, table.recordBytes(k.recno).data()), k.key)
                << "record " << k.recno;
        }
    }
}

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string FixturePath(const std::string &relative)
{
    const QString path
        = FixturesDir() + QStringLiteral("/foxpro/") + QString::fromStdString(relative);
    return path.toStdString();
}

// Every maintainable tag of a table holds exactly the keys computed from its records.
int ExpectIndexMatchesRecords(const vfp::DbfTable &table)
{
    int checked = 0;
    vfp::CdxFile *cdx = table.index();
    if (!cdx)
        return 0;
    for (const vfp::CdxTag &tag : cdx->tags()) {
        SCOPED_TRACE(tag.tag.name + " = " + tag.tag.keyExpression);
        std::vector<vfp::CdxKey> expected;
        try {
            for (uint32_t r = 1; r <= table.recordCount(); ++r) {
                const auto record = table.recordBytes(r);
                if (auto key = table.keyFor(tag, record.data()))
                    expected.push_back({ *key, r });
            }
        } catch (const vfp::Error &) {
            continue; // an expression this engine does not evaluate
        }
        std::sort(expected.begin(), expected.end(), vfp::CdxKeyLess);
        const auto actual = cdx->keys(tag, table.padFor(tag));
        EXPECT_EQ(actual.size(), expected.size());
        if (actual.size() != expected.size())
            continue;
        for (size_t i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i].key, expected[i].key) << i;
            EXPECT_EQ(actual[i].recno, expected[i].recno) << i;
        }
        ++checked;
    }
    return checked;
}

} // namespace vfptest
