#include "components/DataSource.h"

#include <QAbstractItemModel>

#include <algorithm>

TDataSource::TDataSource(QObject *parent)
    : QObject(parent)
{ }

TDataSource::TDataSource(QAbstractItemModel *model, QObject *parent)
    : QObject(parent)
{
    setModel(model);
}

void TDataSource::setModel(QAbstractItemModel *model)
{
    if (m_model == model)
        return;
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_editState = dsBrowse;
    m_currentRow = -1;
    connectModel();
    clampCurrentRow();
    Q_EMIT activeChanged();
    Q_EMIT dataSetChanged();
}

void TDataSource::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    m_editState = dsBrowse;
    clampCurrentRow();
    Q_EMIT activeChanged();
    Q_EMIT dataSetChanged();
}

TDataSetState TDataSource::state() const
{
    return isOpen() ? m_editState : dsInactive;
}

int TDataSource::rowCount() const
{
    return isOpen() ? m_model->rowCount() : 0;
}

void TDataSource::setCurrentRow(int row)
{
    if (isEmpty())
        row = -1;
    else
        row = std::clamp(row, 0, rowCount() - 1);
    if (row == m_currentRow)
        return;
    // Leaving an edited row posts it, as moving a cursor does.
    post();
    m_currentRow = row;
    Q_EMIT currentRowChanged(row);
    Q_EMIT dataSetChanged();
}

bool TDataSource::next()
{
    if (isEmpty() || isLastRow())
        return false;
    setCurrentRow(m_currentRow + 1);
    return true;
}

bool TDataSource::prior()
{
    if (isEmpty() || m_currentRow <= 0)
        return false;
    setCurrentRow(m_currentRow - 1);
    return true;
}

void TDataSource::edit()
{
    if (state() == dsBrowse && !isEmpty())
        setState(dsEdit);
}

void TDataSource::insert()
{
    if (state() != dsBrowse)
        return;
    const int row = isEmpty() ? 0 : m_currentRow + 1;
    if (!m_model->insertRow(row))
        return;
    setCurrentRow(row);
    setState(dsInsert);
}

void TDataSource::post()
{
    if (state() == dsEdit || state() == dsInsert)
        setState(dsBrowse);
}

void TDataSource::cancel()
{
    if (state() == dsInsert) {
        const int row = m_currentRow;
        m_editState = dsBrowse;
        m_model->removeRow(row);
        Q_EMIT editingChanged();
    } else if (state() == dsEdit) {
        setState(dsBrowse);
    }
}

bool TDataSource::remove()
{
    if (state() != dsBrowse || isEmpty())
        return false;
    return m_model->removeRow(m_currentRow);
}

void TDataSource::connectModel()
{
    if (!m_model)
        return;
    auto rowsChanged = [this] {
        clampCurrentRow();
        Q_EMIT dataSetChanged();
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        // A reset model starts again on its first row.
        m_currentRow = -1;
        clampCurrentRow();
        Q_EMIT dataSetChanged();
    });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, rowsChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { Q_EMIT dataSetChanged(); });
    connect(m_model, &QObject::destroyed, this, [this] {
        m_currentRow = -1;
        Q_EMIT activeChanged();
        Q_EMIT dataSetChanged();
    });
}

void TDataSource::setState(TDataSetState state)
{
    if (m_editState == state)
        return;
    m_editState = state;
    Q_EMIT editingChanged();
    Q_EMIT dataSetChanged();
}

// Keeps the cursor on a real row: the first one when there was none, the last when rows went.
void TDataSource::clampCurrentRow()
{
    const int count = rowCount();
    int row = m_currentRow;
    if (count == 0)
        row = -1;
    else if (row < 0)
        row = 0;
    else if (row >= count)
        row = count - 1;
    if (row != m_currentRow) {
        m_currentRow = row;
        Q_EMIT currentRowChanged(row);
    }
}
