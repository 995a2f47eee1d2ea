#pragma once

#include <QStyledItemDelegate>

class TdbBrowse;

// Draws the grid's data cells: the current row in muted colours while the grid has no focus,
// read-only cells of the current row without whole-row selection, boolean values as centred
// check marks, and the column and row lines the grid's options ask for.
class TdbBrowseCells : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TdbBrowseCells(TdbBrowse *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;

    // A cell shows a check mark instead of text when the grid draws boolean symbols and the
    // value is a boolean; the mark itself is drawn only for true.
    static bool IsBooleanCell(const TdbBrowse *grid, const QModelIndex &index);

protected:
    // In a cell editor Enter, Right and Tab go to the next column, Left and Shift+Tab back.
    bool eventFilter(QObject *editor, QEvent *event) override;

private:
    void drawCheckMark(QPainter *painter, const QRect &cell, const QColor &color) const;

    TdbBrowse *m_grid;
};
