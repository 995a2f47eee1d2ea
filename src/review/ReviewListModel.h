#pragma once

#include "review/MemSTran.h"

#include <QAbstractTableModel>

// The review list as a table for the grid: one column per field in the row's order, boolean
// fields as bool values (drawn as check marks), dates and amounts in their display formats.
class ReviewListModel : public QAbstractTableModel, private MemSTranObserver
{
    Q_OBJECT

public:
    // The field name of a column, for headerData.
    static constexpr int FieldNameRole = Qt::UserRole + 1;
    // The display width in characters (0 = default), for headerData.
    static constexpr int WidthRole = Qt::UserRole + 2;

    explicit ReviewListModel(MemSTran &list, QObject *parent = nullptr);
    ~ReviewListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString DisplayText(const ReviewRow &row, ReviewField field);

    // Moves the list's current row (when the grid's selection moves).
    void setCurrentRow(int row);

Q_SIGNALS:
    // The list's current row moved (by a command, a sort or a locate).
    void currentRowChanged(int row);

private:
    void listAboutToReset() override;
    void listReset() override;
    void rowAboutToBeAppended(int row) override;
    void rowAppended(int row) override;
    void rowChanged(int row) override;
    void currentChanged(int row) override;

    MemSTran &m_list;
    int m_rows = 0; // the count the views were last told of
};
