// Display's fill: the typed copy against the field conversion it stands in for, the PDF folder
// read at every build, and how often the progress is shown.
#include "CompanyFolder.h"
#include "ReviewObjects.h"

#include "data/HostPath.h"
#include "data/StatusTableOps.h"
#include "review/ReviewRowReader.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace {

const QString Z = QStringLiteral("Z");
// Customers with names beyond ASCII; accounts 40 to 44 have no customer record. Every third
// document is a credit note, every seventh is paid up, every eleventh has a lower-case ".pdf"
// (left out by the query); most PDFs exist, some spelled in another letter case.
CompanyData Generated(int documents)
{
    CompanyData data;
    for (int c = 0; c < 40; ++c)
        data.customers.push_back({ QStringLiteral("C%1").arg(c, 3, 10, QChar(u'0')),
            QStringLiteral("Kunde %1 Müller & Søn").arg(c),
            QStringLiteral("k%1@example.test").arg(c), c % 12 });
    for (int i = 0; i < documents; ++i) {
        const QString reference = QStringLiteral("SI%1").arg(i, 5, 10, QChar(u'0'));
        const double value = 10 + i * 1.25;
        data.documents.push_back({ QStringLiteral("C%1").arg(i * 7 % 45, 3, 10, QChar(u'0')),
            reference, QDate(2011, 1, 1).addDays(i),
            i % 3 == 0 ? QStringLiteral("C") : QStringLiteral("I"), value, i % 7 == 0 ? 0 : value,
            reference + (i % 11 == 0 ? QStringLiteral(".pdf") : QStringLiteral(".PDF")), i + 1 });
        if (i % 5 != 0)
            data.pdfFiles.push_back(i % 4 == 0 ? reference.toLower() + QStringLiteral(".pdf")
                                               : reference + QStringLiteral(".PDF"));
    }
    return data;
}

// The row the query's field conversion gives: every matching column through its QVariant.
ReviewRow ConvertedRow(const db::Query &query)
{
    ReviewRow row;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const int field = ReviewFieldIndex(query.fields().at(i).name);
        if (field < 0)
            continue;
        const db::Field value = query.field(i);
        row.setValue(
            static_cast<ReviewField>(field), value.isNull() ? QVariant() : value.asVariant());
    }
    return row;
}

class ReviewFill : public ::testing::Test, protected ReviewObjects
{
protected:
    void SetUp() override
    {
        folder = temp.path();
        connection.setConnectionString(WriteCompany(folder, Z, companyData()));
        inputs.dataFolder = folder;
        inputs.companyId = Z;
        inputs.filter.excludeAllocated = true;
        inputs.sortClause = QStringLiteral("ORDER BY st_account, st_trref");
    }

    virtual int documents() const { return 200; }
    virtual CompanyData companyData() const { return Generated(documents()); }

    int build(BuildProgress &progress)
    {
        ReviewBuildObjects objects = buildObjects();
        QString filterClause;
        return BuildReviewList(objects, inputs, progress, filterClause);
    }

    const ReviewRow *rowOf(const QString &reference)
    {
        for (int i = 0; i < list.recordCount(); ++i) {
            if (list.row(i).st_trref.trimmed() == reference)
                return &list.row(i);
        }
        return nullptr;
    }

    // Every row the reader copies equals the field conversion's, field by field.
    void expectSameRows(const QString &sql)
    {
        qrySTran.close();
        qrySTran.setSql(sql);
        qrySTran.open();
        ASSERT_GT(qrySTran.recordCount(), 0);
        ReviewRowReader reader(qrySTran);
        int n = 0;
        for (qrySTran.first(); !qrySTran.eof(); qrySTran.next(), ++n) {
            ReviewRow typed;
            reader.read(n, typed);
            const ReviewRow converted = ConvertedRow(qrySTran);
            EXPECT_EQ(typed.nulls, converted.nulls) << "row " << n;
            for (int f = 0; f < ReviewFieldCount; ++f) {
                const auto field = static_cast<ReviewField>(f);
                EXPECT_EQ(typed.value(field), converted.value(field))
                    << "row " << n << ", " << FieldInfo(field).name.toStdString();
            }
        }
    }

    TempDir temp;
    QString folder;
    ReviewBuildInputs inputs;
};

class Progress : public BuildProgress
{
public:
    void setCaption(const QString &caption) override { captions.append(caption); }
    void setMax(int value) override { max = value; }
    void setPosition(int value) override { positions.append(value); }
    void processMessages() override { ++messages; }
    // Each reading of the clock moves it on by step milliseconds.
    qint64 clockMs() const override { return now += step; }

    QStringList captions;
    QList<int> positions;
    int max = -1;
    int messages = 0;
    mutable qint64 now = 1000;
    qint64 step = 0;
};

TEST_F(ReviewFill, TypedCopyGivesWhatTheFieldConversionGives)
{
    EnsureStatusTable(command, folder, Z);
    SetStatusFlag(qryChk, command, Z, QStringLiteral("2"), StatusFlag::Tag, TagAllAssignment);
    SetStatusFlag(qryChk, command, Z, QStringLiteral("5"), StatusFlag::Sent, true);
    // The review query itself: nulls from the missing customers and status rows.
    ReviewFilter filter;
    expectSameRows(SqlText(ReviewQueryLines(
        SelectText(Z), FilterClause(Z, filter), QStringLiteral("ORDER BY st_account, st_trref"))));
    // Columns whose values the fields must convert: numbers into texts, a text into a date and
    // into an amount, a fraction and a number too large into the integer, a null, a logical
    // from a comparison, a date into a text.
    expectSameRows(QStringLiteral(
        "SELECT st_account AS sn_name, st_trvalue AS st_trref, st_trref AS st_trvalue, "
        "DTOS(st_trdate) AS st_trdate, 8.5 AS sn_docmail, st_trbal * 1.5 AS id, "
        ".NULL. AS st_paid, st_trtype = 'C' AS zrqtag, st_trdate AS st_custref, "
        "st_trbal AS sn_email FROM Z_stran"));
    // Texts longer than their fields are cut to them.
    expectSameRows(QStringLiteral("SELECT 3000000000 AS sn_docmail, st_trbal AS st_vatval, "
                                  "id AS st_trbal, st_trref + st_custref AS st_memot, "
                                  "st_memo AS st_trtype, id FROM Z_stran"));
}

TEST_F(ReviewFill, EachBuildReadsThePdfFolderAgain)
{
    Progress progress;
    build(progress);
    const QString pdf = QDir(folder).filePath(Z + QStringLiteral("_PDF/"));
    ASSERT_NE(rowOf(QStringLiteral("SI00005")), nullptr);
    EXPECT_FALSE(rowOf(QStringLiteral("SI00005"))->Exists);
    EXPECT_TRUE(rowOf(QStringLiteral("SI00004"))->Exists); // "si00004.pdf" on disk
    EXPECT_TRUE(rowOf(QStringLiteral("SI00001"))->Exists);

    QFile added(pdf + QStringLiteral("Si00005.pDf"));
    ASSERT_TRUE(added.open(QIODevice::WriteOnly));
    added.close();
    ASSERT_TRUE(QFile::remove(pdf + QStringLiteral("si00004.pdf")));
    ASSERT_TRUE(QDir(pdf).mkdir(QStringLiteral("SI00010.PDF"))); // a folder is no PDF
    build(progress);
    EXPECT_TRUE(rowOf(QStringLiteral("SI00005"))->Exists);
    EXPECT_FALSE(rowOf(QStringLiteral("SI00004"))->Exists);
    EXPECT_FALSE(rowOf(QStringLiteral("SI00010"))->Exists);
    EXPECT_TRUE(rowOf(QStringLiteral("SI00001"))->Exists);
}

// The caption shows the first and the last row, and rows between only as time passes: not one
// report per row, and never a row's report with another row's number or name.
TEST_F(ReviewFill, ProgressIsShownAsTimePassesNotPerRow)
{
    Progress still; // a clock that does not move
    const int rows = build(still);
    ASSERT_GT(rows, 64);
    EXPECT_EQ(still.max, rows);
    EXPECT_EQ(still.positions, (QList<int> { 1, rows }));
    EXPECT_EQ(still.messages, 2);
    ASSERT_EQ(still.captions.size(), 4);
    EXPECT_EQ(still.captions.at(1), QStringLiteral("Building Results"));
    const QString last = QStringLiteral("Building Results [") + QString::number(rows)
        + QStringLiteral(" of ") + QString::number(rows) + QStringLiteral("]  [")
        + list.row(rows - 1).sn_name + u']';
    EXPECT_EQ(still.captions.at(3), last);

    Progress moving; // each check of the clock finds a report interval gone by
    moving.step = BuildReportIntervalMs;
    build(moving);
    QList<int> expected { 1 };
    for (int n = 32; n < rows; n += 32)
        expected.append(n);
    expected.append(rows);
    EXPECT_EQ(moving.positions, expected);
    EXPECT_EQ(moving.messages, expected.size());
    ASSERT_EQ(moving.captions.size(), expected.size() + 2);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const int n = expected.at(i);
        EXPECT_EQ(moving.captions.at(i + 2),
            QStringLiteral("Building Results [") + QString::number(n) + QStringLiteral(" of ")
                + QString::number(rows) + QStringLiteral("]  [") + list.row(n - 1).sn_name + u']');
    }
}

// The rows' texts stay readable, as they were read, for as long as the list or a copy of a row
// lives, whatever the query does afterwards; the query's result goes with the list's next build,
// a copied row holding texts of its own.
TEST_F(ReviewFill, RowsKeepTheirTextsWhenTheQueryMovesOn)
{
    Progress progress;
    const int rows = build(progress);
    ASSERT_GT(rows, 10);
    QStringList texts;
    const auto textsOf = [](const ReviewRow &row) {
        return QStringList { row.st_account, row.sn_name, row.sn_email, row.st_trref,
            row.st_custref, row.st_trtype, row.st_paid, row.st_memot };
    };
    for (int i = 0; i < rows; ++i)
        texts += textsOf(list.row(i));
    const std::weak_ptr<const void> firstResult = qrySTran.sharedResult();
    ASSERT_FALSE(firstResult.expired());

    // The query opens again on other rows: the list still reads its own.
    qrySTran.close();
    qrySTran.setSql(QStringLiteral("SELECT st_trref AS st_account, st_account AS st_trref, "
                                   "st_memo AS sn_name FROM Z_stran"));
    qrySTran.open();
    QStringList after;
    for (int i = 0; i < rows; ++i)
        after += textsOf(list.row(i));
    EXPECT_EQ(after, texts);

    // An edited text holds its new value; a copy of the row outlives a new build.
    list.setRecNo(3);
    list.edit();
    list.setValue(ReviewField::sn_email, QStringLiteral("new@example.test"));
    list.post();
    std::optional<ReviewRow> kept = list.row(3);
    build(progress);
    EXPECT_TRUE(firstResult.expired());
    QStringList expected = texts.mid(3 * 8, 8);
    expected[2] = QStringLiteral("new@example.test");
    EXPECT_EQ(textsOf(*kept), expected);
}

// Customers whose names part on letters beyond ASCII, in both letter cases.
class AccentedReviewFill : public ReviewFill
{
protected:
    CompanyData companyData() const override
    {
        CompanyData data = Generated(documents());
        const QStringList names { QStringLiteral("Ärger GmbH"), QStringLiteral("ärger GmbH"),
            QStringLiteral("Zeta Ltd"), QStringLiteral("Øster A/S"), QStringLiteral("Oster AS"),
            QStringLiteral("Émile & Fils"), QStringLiteral("Emile"), QStringLiteral("émile"),
            QStringLiteral("Ärger GmbH"), QStringLiteral("ÿ Café"), QStringLiteral("Ÿ Café"),
            QStringLiteral("Œuvre") };
        for (qsizetype i = 0; i < names.size(); ++i)
            data.customers[static_cast<size_t>(i * 3)].name = names.at(i);
        return data;
    }
};

// Sorting the filled list by a text column gives the order the same texts give as QStrings:
// the accented letters of Windows-1252 read back as they were written and order as before.
TEST_F(AccentedReviewFill, TextColumnsSortAsTheirTexts)
{
    Progress progress;
    const int rows = build(progress);
    ASSERT_GT(rows, 50);
    int accented = 0;
    for (int i = 0; i < rows; ++i)
        accented += list.row(i).sn_name.trimmed() == QStringLiteral("Øster A/S") ? 1 : 0;
    EXPECT_GT(accented, 0);
    for (const QString &name :
        { QStringLiteral("sn_name"), QStringLiteral("st_custref"), QStringLiteral("st_memot") }) {
        for (const bool descending : { false, true }) {
            const ReviewField field = static_cast<ReviewField>(ReviewFieldIndex(name));
            std::vector<std::pair<QString, qint64>> expected;
            for (int i = 0; i < rows; ++i)
                expected.emplace_back(list.row(i).text(field), list.row(i).id);
            std::stable_sort(expected.begin(), expected.end(), [&](const auto &a, const auto &b) {
                const int c = QString::compare(a.first, b.first, Qt::CaseSensitive);
                return descending ? c > 0 : c < 0;
            });
            list.sort({ name }, descending);
            for (int i = 0; i < rows; ++i) {
                ASSERT_EQ(list.row(i).id, expected[static_cast<size_t>(i)].second)
                    << name.toStdString() << (descending ? " descending" : "") << ", row " << i;
            }
        }
    }
}

// A longer list, built as Display builds it: each row as the field conversion gives it, in the
// query's order, with its PDF's existence and the fields derived at the fill. It is long enough
// for the fill to be shared by threads on a machine of more than one core.
class LongReviewFill : public ReviewFill
{
protected:
    int documents() const override { return 12000; }
};

TEST_F(LongReviewFill, ListHoldsEveryRowInTheQueryOrder)
{
    Progress progress;
    const int rows = build(progress);
    ASSERT_GT(rows, 9000);
    ASSERT_EQ(list.recordCount(), rows);
    const HostFolderIndex pdf(QDir(folder).filePath(Z + QStringLiteral("_PDF")));
    int n = 0;
    int existing = 0;
    for (qrySTran.first(); !qrySTran.eof(); qrySTran.next(), ++n) {
        const ReviewRow &row = list.row(n);
        ReviewRow expected = ConvertedRow(qrySTran);
        expected.setValue(ReviewField::Exists, pdf.containsFile(expected.st_memot.trimmed()));
        expected.setValue(ReviewField::Tag, expected.zrqtag);
        expected.setValue(ReviewField::MailInv, expected.sn_docmail >= 8);
        ASSERT_EQ(row.nulls, expected.nulls) << "row " << n;
        for (int f = 0; f < ReviewFieldCount; ++f) {
            const auto field = static_cast<ReviewField>(f);
            ASSERT_EQ(row.value(field), expected.value(field))
                << "row " << n << ", " << FieldInfo(field).name.toStdString();
        }
        existing += row.Exists ? 1 : 0;
    }
    EXPECT_GT(existing, rows / 2);
    EXPECT_LT(existing, rows);
    EXPECT_EQ(progress.positions.last(), rows);
}

} // namespace
