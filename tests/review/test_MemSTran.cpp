#include "review/MemSTran.h"
#include "review/SortClause.h"

#include "util/Errors.h"

#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace {

void AddRow(MemSTran &list, const QString &account, const QString &ref, qint64 id)
{
    list.append();
    list.setFieldValue(QStringLiteral("st_account"), account);
    list.setFieldValue(QStringLiteral("ST_TRREF"), ref);
    list.setValue(ReviewField::id, id);
    list.post();
}

MemSTran Filled()
{
    MemSTran list;
    list.open();
    AddRow(list, QStringLiteral("B"), QStringLiteral("2"), 10);
    AddRow(list, QStringLiteral("A"), QStringLiteral("9"), 11);
    AddRow(list, QStringLiteral("B"), QStringLiteral("1"), 12);
    AddRow(list, QStringLiteral("A"), QStringLiteral("3"), 13);
    return list;
}

QList<qint64> Ids(MemSTran &list)
{
    QList<qint64> ids;
    for (list.first(); !list.eof(); list.next())
        ids.append(list.value(ReviewField::id).toLongLong());
    return ids;
}

TEST(MemSTran, AppendPostAndWalk)
{
    MemSTran list = Filled();
    EXPECT_EQ(list.recordCount(), 4);
    EXPECT_EQ(list.recNo(), 3); // the appended row is current
    EXPECT_EQ(Ids(list), (QList<qint64> { 10, 11, 12, 13 }));
    EXPECT_TRUE(list.eof());
    EXPECT_EQ(list.recNo(), 3); // next() past the end stays on the last row
}

TEST(MemSTran, EmptyAndClosedLists)
{
    MemSTran list;
    EXPECT_FALSE(list.isOpen());
    EXPECT_THROW(list.append(), Exception);
    list.open();
    list.first();
    EXPECT_TRUE(list.eof());
    EXPECT_EQ(list.recNo(), -1);
    // Without a current row every field reads empty; the id gives an empty statement text.
    EXPECT_FALSE(list.fieldValue(QStringLiteral("id")).isValid());
    EXPECT_EQ(list.fieldText(QStringLiteral("id")), QString());

    list = Filled();
    list.close();
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_FALSE(list.isOpen());
}

TEST(MemSTran, EditStoresOnlyOnPostAndCancelKeepsTheRow)
{
    MemSTran list = Filled();
    list.first();
    list.edit();
    list.setValue(ReviewField::Tag, true);
    EXPECT_TRUE(list.value(ReviewField::Tag).toBool()); // the buffer is what is read
    list.cancel();
    EXPECT_FALSE(list.value(ReviewField::Tag).isValid());

    list.edit();
    list.setFieldValue(QStringLiteral("tag"), true);
    list.post();
    EXPECT_TRUE(list.row(0).Tag);

    // Writing outside edit or insert is refused instead of being lost silently.
    EXPECT_THROW(list.setValue(ReviewField::Tag, false), Exception);
    EXPECT_THROW(list.fieldValue(QStringLiteral("no_such")), Exception);
}

TEST(MemSTran, FieldsConvertAndTextsKeepTheirSize)
{
    MemSTran list;
    list.open();
    list.append();
    list.setFieldValue(QStringLiteral("st_account"), QStringLiteral("ABCDEFGHIJ"));
    list.setFieldValue(QStringLiteral("st_trvalue"), QStringLiteral("12.5"));
    list.setFieldValue(QStringLiteral("id"), 1234.0);
    list.setFieldValue(QStringLiteral("sn_docmail"), QVariant());
    list.post();
    EXPECT_EQ(list.fieldValue(QStringLiteral("st_account")).toString(), QStringLiteral("ABCDEFGH"));
    EXPECT_DOUBLE_EQ(list.row(0).st_trvalue, 12.5);
    EXPECT_EQ(list.fieldText(QStringLiteral("id")), QStringLiteral("1234"));
    EXPECT_TRUE(list.row(0).isNull(ReviewField::sn_docmail));
    EXPECT_FALSE(list.row(0).isNull(ReviewField::st_trvalue));

    // A value that does not fit the field's type leaves it empty instead of a made-up value.
    list.edit();
    list.setFieldValue(QStringLiteral("st_trdate"), QStringLiteral("not a date"));
    list.setFieldValue(QStringLiteral("st_vatval"), QStringLiteral("x"));
    list.post();
    EXPECT_TRUE(list.row(0).isNull(ReviewField::st_trdate));
    EXPECT_TRUE(list.row(0).isNull(ReviewField::st_vatval));
}

TEST(MemSTran, LocateFindsTheFirstEqualRow)
{
    MemSTran list = Filled();
    list.first();
    EXPECT_TRUE(list.locate(QStringLiteral("st_account"), QStringLiteral("A")));
    EXPECT_EQ(list.recNo(), 1);
    EXPECT_TRUE(list.locate(QStringLiteral("id"), 13));
    EXPECT_EQ(list.recNo(), 3);
    EXPECT_FALSE(list.locate(QStringLiteral("id"), 99));
    EXPECT_EQ(list.recNo(), 3); // no move when nothing matches
}

TEST(MemSTran, SortKeepsTheCurrentRowAndEqualRowsInOrder)
{
    MemSTran list = Filled();
    ASSERT_TRUE(list.locate(QStringLiteral("id"), 12));
    list.sort({ QStringLiteral("st_account"), QStringLiteral("st_trref") }, false);
    EXPECT_EQ(list.value(ReviewField::id).toLongLong(), 12);
    EXPECT_EQ(Ids(list), (QList<qint64> { 13, 11, 12, 10 }));

    list.sort({ QStringLiteral("st_account"), QStringLiteral("st_trref") }, true);
    EXPECT_EQ(Ids(list), (QList<qint64> { 10, 12, 11, 13 }));

    // Stable: rows equal on the key keep the order they had.
    list.sort({ QStringLiteral("st_account") }, false);
    EXPECT_EQ(Ids(list), (QList<qint64> { 11, 13, 10, 12 }));
    EXPECT_THROW(list.sort({ QStringLiteral("nope") }, false), Exception);
}

TEST(MemSTran, SortPlacesEmptyFirstAndFalseBeforeTrue)
{
    MemSTran list;
    list.open();
    for (int i = 0; i < 3; ++i) {
        list.append();
        list.setValue(ReviewField::id, i);
        if (i > 0)
            list.setValue(ReviewField::Exists, i == 1);
        list.post();
    }
    list.sort({ QStringLiteral("Exists") }, true);
    EXPECT_EQ(Ids(list), (QList<qint64> { 1, 2, 0 }));
}

// Rows appended together go to the places given, whatever order they are filled in; an edit
// after a sort changes the row it was made on; places not each taken once change nothing.
TEST(MemSTran, AppendedRowsTakeTheirPlaces)
{
    MemSTran list = Filled();
    const std::span<ReviewRow> rows = list.appendRows({ 2, 0, 1 });
    ASSERT_EQ(rows.size(), 3u);
    for (size_t k = 0; k < rows.size(); ++k) {
        rows[k].id = 20 + static_cast<qint64>(k);
        rows[k].markSet(ReviewField::id);
        rows[k].st_account = QStringLiteral("C");
        rows[k].markSet(ReviewField::st_account);
    }
    EXPECT_EQ(list.recNo(), 6);
    EXPECT_EQ(Ids(list), (QList<qint64> { 10, 11, 12, 13, 21, 22, 20 }));

    list.sort({ QStringLiteral("id") }, true);
    ASSERT_TRUE(list.locate(QStringLiteral("id"), 21));
    EXPECT_EQ(list.recNo(), 1);
    list.edit();
    list.setValue(ReviewField::st_trref, QStringLiteral("edited"));
    list.post();
    ASSERT_TRUE(list.locate(QStringLiteral("st_trref"), QStringLiteral("edited")));
    EXPECT_EQ(list.value(ReviewField::id).toLongLong(), 21);
    EXPECT_EQ(Ids(list), (QList<qint64> { 22, 21, 20, 13, 12, 11, 10 }));

    EXPECT_THROW(list.appendRows({ 0, 0 }), Exception);
    EXPECT_THROW(list.appendRows({ 1, 2 }), Exception);
    EXPECT_THROW(list.appendRows({ -1 }), Exception);
    EXPECT_EQ(list.recordCount(), 7);
}

// A list closed and filled again hands back rows it held, which the filler clears; the list
// shows its new rows only, and a row appended later takes a kept row's place whole.
TEST(MemSTran, RowsOfAClosedListAreFilledAgain)
{
    MemSTran list = Filled();
    list.close();
    list.open();
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_FALSE(list.locate(QStringLiteral("id"), 10));
    const std::span<ReviewRow> rows = list.appendRows({ 1, 0 });
    ASSERT_EQ(rows.size(), 2u);
    for (size_t k = 0; k < rows.size(); ++k) {
        rows[k].clear();
        rows[k].id = 30 + static_cast<qint64>(k);
        rows[k].markSet(ReviewField::id);
    }
    EXPECT_EQ(Ids(list), (QList<qint64> { 31, 30 }));
    EXPECT_FALSE(list.row(0).isNull(ReviewField::id));
    EXPECT_TRUE(list.row(0).isNull(ReviewField::st_account));

    list.append();
    list.setValue(ReviewField::id, 32);
    list.post();
    EXPECT_EQ(list.recordCount(), 3);
    EXPECT_TRUE(list.row(2).isNull(ReviewField::st_account)); // nothing of the kept row
    EXPECT_FALSE(list.locate(QStringLiteral("st_trref"), QStringLiteral("1")));
    list.sort({ QStringLiteral("id") }, false);
    EXPECT_EQ(Ids(list), (QList<qint64> { 30, 31, 32 }));
}

// A long list is checked for its order in two halves: a row out of order in either half, or
// where they meet, is still found and sorted.
TEST(MemSTran, LongListsSortWhereverARowIsOutOfOrder)
{
    constexpr int Rows = 40000;
    for (const int outOfOrder : { 1, Rows / 2, Rows - 1 }) {
        MemSTran list;
        list.open();
        std::vector<int> places(Rows);
        std::iota(places.begin(), places.end(), 0);
        const std::span<ReviewRow> rows = list.appendRows(places);
        for (int i = 0; i < Rows; ++i) {
            rows[static_cast<size_t>(i)].id = i == outOfOrder ? -1 : i;
            rows[static_cast<size_t>(i)].markSet(ReviewField::id);
        }
        list.sort({ QStringLiteral("id") }, false);
        EXPECT_EQ(list.row(0).id, -1) << outOfOrder;
        for (int i = 1; i < Rows; ++i)
            ASSERT_LT(list.row(i - 1).id, list.row(i).id) << outOfOrder << ", row " << i;
    }
}

} // namespace

namespace {

TEST(TitleSortCommand, KeepsTheCurrentRowAndUpdatesTheClause)
{
    MemSTran list = Filled();
    ASSERT_TRUE(list.locate(QStringLiteral("id"), 11));
    QString clause = QStringLiteral("ORDER BY st_account, st_trref");
    ASSERT_TRUE(SortReviewListByTitle(list, clause, QStringLiteral("st_trref")));
    EXPECT_EQ(clause, QStringLiteral("ORDER BY st_trref,st_account"));
    EXPECT_EQ(Ids(list), (QList<qint64> { 12, 10, 13, 11 }));
    list.locate(QStringLiteral("id"), 13);
    ASSERT_TRUE(SortReviewListByTitle(list, clause, QStringLiteral("st_trref")));
    EXPECT_EQ(list.value(ReviewField::id).toLongLong(), 13);
    EXPECT_EQ(list.recNo(), 1);
    EXPECT_FALSE(list.controlsDisabled());
}

TEST(TitleSortCommand, ClosedListKeepsItsClause)
{
    MemSTran list;
    QString clause = QStringLiteral("ORDER BY st_account, st_trref");
    EXPECT_FALSE(SortReviewListByTitle(list, clause, QStringLiteral("sn_name")));
    EXPECT_EQ(clause, QStringLiteral("ORDER BY st_account, st_trref"));
}

} // namespace
