#pragma once

#include <QHeaderView>

class TdbBrowse;

// The grid's title row: cells in the grid's title colour and, with dgColumnSymbols, the sort
// symbols selected by the column's tag bits (4 up, 8 down, 16 "l", 32 "i").
class TdbBrowseTitle : public QHeaderView
{
    Q_OBJECT

public:
    explicit TdbBrowseTitle(TdbBrowse *grid);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    void drawSymbols(
        QPainter *painter, const QRect &rect, int logicalIndex, Qt::Alignment alignment) const;

    TdbBrowse *m_grid;
};
