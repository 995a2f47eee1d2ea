#include "review/ReviewListModel.h"

#include "util/UtilMisc.h"

#include <QLocale>

ReviewListModel::ReviewListModel(MemSTran &list, QObject *parent)
    : QAbstractTableModel(parent)
    , m_list(list)
    , m_rows(list.recordCount())
{
    m_list.setObserver(this);
}

ReviewListModel::~ReviewListModel()
{
    m_list.setObserver(nullptr);
}

int ReviewListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ReviewListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ReviewFieldCount;
}

QString ReviewListModel::DisplayText(const ReviewRow &row, ReviewField field)
{
    if (row.isNull(field))
        return {};
    switch (field) {
    case ReviewField::st_trdate:
        // "dd mmm yy" with English month names whatever the locale, e.g. 18 Jan 11.
        return QLocale::c().toString(row.st_trdate, QStringLiteral("dd MMM yy"));
    case ReviewField::st_trvalue:
        return FormatNumber(row.st_trvalue, 2);
    case ReviewField::st_vatval:
        return FormatNumber(row.st_vatval, 2);
    case ReviewField::st_trbal:
        return FormatNumber(row.st_trbal, 2);
    default:
        return row.text(field);
    }
}

QVariant ReviewListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.recordCount() || index.column() < 0
        || index.column() >= ReviewFieldCount)
        return {};
    const auto field = static_cast<ReviewField>(index.column());
    const ReviewRow &row = m_list.row(index.row());
    const FieldKind kind = FieldInfo(field).kind;
    switch (role) {
    case Qt::DisplayRole:
        if (kind == FieldKind::Boolean)
            return row.isNull(field) ? QVariant() : row.value(field);
        return DisplayText(row, field);
    case Qt::EditRole:
        return row.value(field);
    case Qt::TextAlignmentRole:
        if (field == ReviewField::zrqsent)
            return int(Qt::AlignCenter);
        if (kind == FieldKind::Decimal || kind == FieldKind::Integer)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant ReviewListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ReviewFieldCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const ReviewFieldInfo &info = FieldInfo(static_cast<ReviewField>(section));
    switch (role) {
    case Qt::DisplayRole:
        return info.title.isEmpty() ? info.name : info.title;
    case FieldNameRole:
        return info.name;
    case WidthRole:
        return info.width;
    default:
        return {};
    }
}

void ReviewListModel::setCurrentRow(int row)
{
    if (m_list.state() == MemSTran::State::Browse && row != m_list.recNo())
        m_list.setRecNo(row);
}

void ReviewListModel::listAboutToReset()
{
    beginResetModel();
}

void ReviewListModel::listReset()
{
    m_rows = m_list.recordCount();
    endResetModel();
}

void ReviewListModel::rowAboutToBeAppended(int row)
{
    beginInsertRows({}, row, row);
}

void ReviewListModel::rowAppended(int)
{
    m_rows = m_list.recordCount();
    endInsertRows();
}

void ReviewListModel::rowChanged(int row)
{
    if (row < m_rows)
        Q_EMIT dataChanged(index(row, 0), index(row, ReviewFieldCount - 1));
}

void ReviewListModel::currentChanged(int row)
{
    Q_EMIT currentRowChanged(row);
}
