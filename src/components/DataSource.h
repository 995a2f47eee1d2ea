#pragma once

#include <QObject>
#include <QPointer>

#include <QAbstractItemModel>

// State of the rows behind a data source, as the grid and the navigator see them.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// The link between a model and the controls that browse it (grid, navigator): whether its rows
// are open, whether a row is being edited, and the current row (the cursor). Every control bound
// to one data source follows the same current row.
class TDataSource : public QObject
{
    Q_OBJECT

public:
    explicit TDataSource(QObject *parent = nullptr);
    explicit TDataSource(QAbstractItemModel *model, QObject *parent = nullptr);

    QAbstractItemModel *model() const { return m_model; }
    void setModel(QAbstractItemModel *model);

    // Open means a model is set and it has been made active (the default once a model is set).
    bool isOpen() const { return m_model && m_active; }
    void setActive(bool active);
    TDataSetState state() const;

    int rowCount() const;
    bool isEmpty() const { return rowCount() == 0; }
    // -1 when closed or empty.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);
    bool next();
    bool prior();
    bool isLastRow() const { return !isEmpty() && m_currentRow == rowCount() - 1; }

    // Row editing, for models that allow it. Edit and Insert need an open, browsed data source.
    void edit();
    void insert();
    void post();
    void cancel();
    // Removes the current row; false when there is none or the model refuses.
    bool remove();

Q_SIGNALS:
    // The model was set or cleared, or the rows were opened or closed.
    void activeChanged();
    // The rows or the current row changed.
    void dataSetChanged();
    // Editing began or ended.
    void editingChanged();
    void currentRowChanged(int row);

private:
    void connectModel();
    void setState(TDataSetState state);
    void clampCurrentRow();

    QPointer<QAbstractItemModel> m_model;
    bool m_active = true;
    TDataSetState m_editState = dsBrowse;
    int m_currentRow = -1;
};
