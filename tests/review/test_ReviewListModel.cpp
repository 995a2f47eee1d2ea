#include "review/ReviewListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

void AddDocument(MemSTran &list, qint64 id)
{
    list.append();
    ReviewRow &row = list.buffer();
    row.setValue(ReviewField::st_account, QStringLiteral("ACC1    "));
    row.setValue(ReviewField::st_trdate, QDate(2011, 1, 18));
    row.setValue(ReviewField::st_trvalue, 1250.5);
    row.setValue(ReviewField::st_vatval, -3.0);
    row.setValue(ReviewField::st_trbal, 0.0);
    row.setValue(ReviewField::Tag, true);
    row.setValue(ReviewField::zrqsent, false);
    row.setValue(ReviewField::id, id);
    list.post();
}

TEST(ReviewListModel, DisplayFormatsAndBooleans)
{
    MemSTran list;
    list.open();
    ReviewListModel model(list);
    AddDocument(list, 7);
    ASSERT_EQ(model.rowCount(), 1);
    ASSERT_EQ(model.columnCount(), 21);

    auto display = [&](ReviewField field) {
        return model.data(model.index(0, int(field)), Qt::DisplayRole);
    };
    EXPECT_EQ(display(ReviewField::st_trdate).toString(), QStringLiteral("18 Jan 11"));
    EXPECT_EQ(display(ReviewField::st_trvalue).toString(), QStringLiteral("1250.50"));
    EXPECT_EQ(display(ReviewField::st_vatval).toString(), QStringLiteral("-3.00"));
    EXPECT_EQ(display(ReviewField::st_trbal).toString(), QStringLiteral("0.00"));
    EXPECT_EQ(display(ReviewField::st_account).toString(), QStringLiteral("ACC1    "));
    // Booleans stay bool for the grid's check marks; an unset one shows nothing.
    EXPECT_EQ(display(ReviewField::Tag).typeId(), QMetaType::Bool);
    EXPECT_TRUE(display(ReviewField::Tag).toBool());
    EXPECT_EQ(display(ReviewField::zrqsent).typeId(), QMetaType::Bool);
    EXPECT_FALSE(display(ReviewField::Exists).isValid());
    EXPECT_EQ(model.data(model.index(0, int(ReviewField::zrqsent)), Qt::TextAlignmentRole).toInt(),
        int(Qt::AlignCenter));
}

TEST(ReviewListModel, HeadersCarryTitlesNamesAndWidths)
{
    MemSTran list;
    ReviewListModel model(list);
    auto header = [&](ReviewField field, int role) {
        return model.headerData(int(field), Qt::Horizontal, role);
    };
    EXPECT_EQ(header(ReviewField::sn_name, Qt::DisplayRole).toString(), QStringLiteral("A/C Name"));
    EXPECT_EQ(header(ReviewField::sn_name, ReviewListModel::WidthRole).toInt(), 22);
    EXPECT_EQ(
        header(ReviewField::it_numdelv, Qt::DisplayRole).toString(), QStringLiteral("Del Note"));
    EXPECT_EQ(header(ReviewField::st_memot, ReviewListModel::FieldNameRole).toString(),
        QStringLiteral("st_memot"));
    EXPECT_FALSE(FieldInfo(ReviewField::id).shown);
    EXPECT_FALSE(FieldInfo(ReviewField::sn_docmail).shown);
    EXPECT_FALSE(FieldInfo(ReviewField::zrqtag).shown);
}

TEST(ReviewListModel, FollowsTheListThroughAppendEditSortAndClose)
{
    MemSTran list;
    list.open();
    ReviewListModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy current(&model, &ReviewListModel::currentRowChanged);

    AddDocument(list, 2);
    AddDocument(list, 1);
    EXPECT_EQ(model.rowCount(), 2);
    list.edit();
    list.setValue(ReviewField::Tag, false);
    list.post();
    EXPECT_EQ(changed.count(), 1);

    list.sort({ QStringLiteral("id") }, false);
    EXPECT_EQ(current.last().at(0).toInt(), 0); // the current row (id 1) moved to the top
    EXPECT_FALSE(model.data(model.index(0, int(ReviewField::Tag))).toBool());

    // While suspended the views hear nothing; resuming resets them once.
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    list.disableControls();
    AddDocument(list, 3);
    EXPECT_EQ(model.rowCount(), 2);
    list.enableControls();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(resets.count(), 1);

    list.close();
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
