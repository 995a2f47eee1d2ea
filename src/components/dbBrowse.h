#pragma once

#include "components/DataSource.h"

#include <QColor>
#include <QFlags>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QTableView>

#include <functional>

class TdbBrowse;
class TdbBrowseTitle;

// Numbered actions the grid raises through OnAction. Code 10 is not raised.
enum TBrwAction {
    baNone = 0,
    baAppend = 1,
    baInsert = 2,
    baEdit = 3,
    baDelete = 4,
    baSearch = 5,
    baSelect = 6,
    baTitle = 7,
    baSortField = 8,
    baCancel = 9,
    baClose = 11,
    baRefresh = 12,
};

// The base grid's options.
enum TBrwOption {
    dgEditing = 0x001,
    dgTitles = 0x002,
    dgIndicator = 0x004,
    dgColumnResize = 0x008,
    dgColLines = 0x010,
    dgRowLines = 0x020,
    dgRowSelect = 0x040,
    dgAlwaysShowSelection = 0x080,
    dgConfirmDelete = 0x100,
};
Q_DECLARE_FLAGS(TBrwOptions, TBrwOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrwOptions)

// The grid's own options.
enum TBrwExtOption {
    dgAutoSize = 0x1, // fit the column widths to the grid's width after a resize
    dgBooleanSymbols = 0x2, // draw boolean values as check marks
    dgColumnSymbols = 0x4, // draw sort symbols in title cells
    dgAllowRowEditing = 0x8, // Down on the last row raises baAppend
};
Q_DECLARE_FLAGS(TBrwExtOptions, TBrwExtOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrwExtOptions)

using TBrwEvent = std::function<void(TdbBrowse *sender, TBrwAction iAction, quint16 wArg)>;
using ESearch = std::function<void(TdbBrowse *sender, QChar cKey)>;
using TBrwNotify = std::function<void(TdbBrowse *sender)>;
using TBrwColumnEvent = std::function<void(TdbBrowse *sender, int column)>;
// Key is a Qt key code; setting it to 0 consumes the key.
using TBrwKeyEvent = std::function<void(TdbBrowse *sender, int &key, Qt::KeyboardModifiers shift)>;

// The virtual key code carried as wArg for the keys that raise actions (0 for other keys).
quint16 VirtualKeyCode(int qtKey);

// Column widths after an automatic sizing: each default width w of a total W grows by its share
// of the available width; the result is w + trunc(w / W * (available - W)) - 1, one less again
// when nothing is left to share.
QList<int> AutoSizeWidths(const QList<int> &defaultWidths, int available);

// A grid for browsing the rows of a data source. Keys, double-clicks and title presses become
// numbered actions delivered through OnAction; boolean values (a bool in DisplayRole) are drawn
// as centred check marks. The model's columns are the grid's columns; the owner sets titles
// (headerData), widths and hidden columns. A column's tag (headerData in FieldTagRole) is sent
// with baSortField and selects the title symbols.
class TdbBrowse : public QTableView
{
    Q_OBJECT

public:
    static constexpr int FieldTagRole = Qt::UserRole + 0x7f00;

    explicit TdbBrowse(QWidget *parent = nullptr);
    ~TdbBrowse() override;

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const { return m_source; }

    TBrwOptions Options() const { return m_options; }
    void setOptions(TBrwOptions options);
    TBrwExtOptions OptionsEx() const { return m_optionsEx; }
    void setOptionsEx(TBrwExtOptions options);
    QColor FixedColor() const { return m_fixedColor; }
    void setFixedColor(const QColor &color);
    bool Ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool on);
    void setPopupMenu(QMenu *menu) { m_popupMenu = menu; }

    // Colours of the current row while the grid has no focus (the inactive-title colours).
    QColor InactiveTitleColor() const;
    QColor InactiveTitleTextColor() const;

    // Sets a column's width from a count of average characters of the grid's font; it is also
    // the column's default width for the automatic sizing.
    void setDisplayWidth(int column, int characters);
    // Raises an action; does nothing when OnAction is not set.
    void RaiseAction(TBrwAction action, quint16 arg = 0);

    // The cell last reported to OnGetHint, (-1, -1) at first.
    QPoint hintCell() const { return m_hintCell; }
    // The data column number (1 = first shown column) of a model column; 0 when hidden.
    int columnNumber(int modelColumn) const;

    TBrwEvent OnAction;
    ESearch OnSearch;
    TBrwNotify OnDblClick;
    TBrwColumnEvent OnExpandColumn;
    TBrwNotify OnGetHint;
    TBrwColumnEvent OnTitleClick; // model column
    TBrwKeyEvent OnKeyDown;

    using QTableView::edit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyboardSearch(const QString &search) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class TdbBrowseCells;
    // Moves an open cell editor to the next or previous editable column of its row; past the
    // last column the row is posted, before the first the edit is cancelled.
    void moveEditor(QWidget *editor, bool forward);

    // Opens the popup menu below the current row, as the Menu key does.
    void popupAtCurrentRow();
    QPoint currentRowMenuPoint();
    TBrwAction actionForKey(int key, Qt::KeyboardModifiers modifiers) const;
    bool scrollColumns(int key);
    void handleCharacter(const QString &text);
    bool titlePressed(QMouseEvent *event);
    void followDataSource();
    void applyOptions();
    void autoSizeColumns();

    QPointer<TDataSource> m_source;
    TdbBrowseTitle *m_title = nullptr;
    QPointer<QMenu> m_popupMenu;
    TBrwOptions m_options;
    TBrwExtOptions m_optionsEx;
    QColor m_fixedColor;
    bool m_ctl3D = false;
    bool m_pendingResize = false;
    QPoint m_hintCell { -1, -1 };
    QHash<int, int> m_defaultWidths;
};
