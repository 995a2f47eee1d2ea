#include "components/dbBrowse.h"

#include "components/DataSource.h"
#include "components/DialogKeys.h"
#include "components/dbBrowseCells.h"
#include "components/dbBrowseTitle.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

quint16 VirtualKeyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_F5:
        return 116;
    default:
        return 0;
    }
}

QList<int> AutoSizeWidths(const QList<int> &defaultWidths, int available)
{
    qint64 total = 0;
    for (int width : defaultWidths)
        total += width;
    QList<int> result;
    result.reserve(defaultWidths.size());
    const qint64 spare = available - total;
    for (int width : defaultWidths) {
        int size = width - 1;
        if (total > 0)
            size += static_cast<int>(std::trunc(double(width) / double(total) * double(spare)));
        if (spare <= 0)
            --size;
        result.append(size);
    }
    return result;
}

TdbBrowse::TdbBrowse(QWidget *parent)
    : QTableView(parent)
    , m_options(dgTitles | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection
          | dgConfirmDelete)
    , m_optionsEx(dgAutoSize | dgBooleanSymbols)
    , m_fixedColor(208, 224, 224)
{
    m_title = new TdbBrowseTitle(this);
    setHorizontalHeader(m_title);
    setItemDelegate(new TdbBrowseCells(this));
    // Uniform rows: the view never asks the model for per-row sizes.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->viewport()->installEventFilter(this);
    setHorizontalScrollMode(ScrollPerItem);
    setVerticalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setShowGrid(false);
    setWordWrap(false);
    // Fixed-width texts carry trailing blanks: a text is clipped at the cell's edge, never
    // shortened with an ellipsis that its blanks alone would call for.
    setTextElideMode(Qt::ElideNone);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (OnTitleClick)
            OnTitleClick(this, section);
    });
    applyOptions();
}

TdbBrowse::~TdbBrowse() = default;

void TdbBrowse::setDataSource(TDataSource *source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (!source) {
        setModel(nullptr);
        return;
    }
    connect(source, &TDataSource::activeChanged, this, &TdbBrowse::followDataSource);
    connect(source, &TDataSource::currentRowChanged, this, [this](int row) {
        if (!model() || currentIndex().row() == row)
            return;
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        if (row < 0)
            selectionModel()->clearCurrentIndex();
        else
            setCurrentIndex(model()->index(row, column));
    });
    connect(source, &QObject::destroyed, this, [this] { setModel(nullptr); });
    followDataSource();
}

// Shows the data source's model and keeps the grid's current row and the cursor together.
void TdbBrowse::followDataSource()
{
    QAbstractItemModel *sourceModel = m_source ? m_source->model() : nullptr;
    if (model() != sourceModel) {
        setModel(sourceModel);
        if (sourceModel) {
            connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex &current) {
                    if (m_source && current.isValid())
                        m_source->setCurrentRow(current.row());
                });
        }
    }
    if (m_source && m_source->currentRow() >= 0 && model())
        setCurrentIndex(model()->index(m_source->currentRow(), 0));
}

void TdbBrowse::setOptions(TBrwOptions options)
{
    if (m_options == options)
        return;
    m_options = options;
    applyOptions();
}

void TdbBrowse::setOptionsEx(TBrwExtOptions options)
{
    if (m_optionsEx == options)
        return;
    m_optionsEx = options;
    m_pendingResize = true;
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void TdbBrowse::setFixedColor(const QColor &color)
{
    m_fixedColor = color;
    horizontalHeader()->viewport()->update();
}

void TdbBrowse::setCtl3D(bool on)
{
    m_ctl3D = on;
    setFrameShape(on ? QFrame::StyledPanel : QFrame::Box);
    setFrameShadow(on ? QFrame::Sunken : QFrame::Plain);
}

void TdbBrowse::applyOptions()
{
    horizontalHeader()->setVisible(m_options.testFlag(dgTitles));
    verticalHeader()->setVisible(m_options.testFlag(dgIndicator));
    horizontalHeader()->setSectionResizeMode(
        m_options.testFlag(dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    setSelectionBehavior(m_options.testFlag(dgRowSelect) ? SelectRows : SelectItems);
    setEditTriggers(
        m_options.testFlag(dgEditing) ? EditKeyPressed | SelectedClicked : NoEditTriggers);
    setCtl3D(m_ctl3D);
    viewport()->update();
}

QColor TdbBrowse::InactiveTitleColor() const
{
    // Stand-in for the platform's inactive caption colour: the highlight, muted toward the base.
    const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = palette().color(QPalette::Active, QPalette::Base);
    return QColor((highlight.red() + 2 * base.red()) / 3,
        (highlight.green() + 2 * base.green()) / 3, (highlight.blue() + 2 * base.blue()) / 3);
}

QColor TdbBrowse::InactiveTitleTextColor() const
{
    return palette().color(QPalette::Active, QPalette::Text);
}

void TdbBrowse::setDisplayWidth(int column, int characters)
{
    const int width = fontMetrics().averageCharWidth() * characters + 8;
    m_defaultWidths.insert(column, width);
    setColumnWidth(column, width);
}

void TdbBrowse::RaiseAction(TBrwAction action, quint16 arg)
{
    if (OnAction)
        OnAction(this, action, arg);
}

int TdbBrowse::columnNumber(int modelColumn) const
{
    if (!model() || isColumnHidden(modelColumn))
        return 0;
    const QHeaderView *header = horizontalHeader();
    const int visual = header->visualIndex(modelColumn);
    int number = 0;
    for (int v = 0; v <= visual; ++v) {
        if (!header->isSectionHidden(header->logicalIndex(v)))
            ++number;
    }
    return number;
}

TBrwAction TdbBrowse::actionForKey(int key, Qt::KeyboardModifiers modifiers) const
{
    modifiers &= ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return baEdit;
        case Qt::Key_Space:
            return baSelect;
        case Qt::Key_Insert:
            return baInsert;
        case Qt::Key_Delete:
            return baDelete;
        case Qt::Key_F5:
            return baRefresh;
        case Qt::Key_Escape:
            if (state() == EditingState)
                return baNone;
            if (m_source && (m_source->state() == dsEdit || m_source->state() == dsInsert))
                return baCancel;
            return baClose;
        default:
            return baNone;
        }
    }
    if (modifiers == Qt::ControlModifier) {
        if (key == Qt::Key_Insert)
            return baInsert;
        if (key == Qt::Key_Delete)
            return baDelete;
    }
    return baNone;
}

// Left and Right show one more column on that side instead of moving a cell cursor.
bool TdbBrowse::scrollColumns(int key)
{
    QScrollBar *bar = horizontalScrollBar();
    if (key == Qt::Key_Left && bar->value() > bar->minimum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (key == Qt::Key_Right && bar->value() < bar->maximum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    return true;
}

void TdbBrowse::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // The Menu key and Shift+F10 open the popup menu, as on every desktop.
    if ((key == Qt::Key_Menu && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier)
        || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        popupAtCurrentRow();
        event->accept();
        return;
    }
    // Enter and Escape belong to the window's default and cancel buttons first.
    if ((modifiers & ~Qt::KeypadModifier) == Qt::NoModifier && state() != EditingState
        && ClickDialogButton(this, key)) {
        event->accept();
        return;
    }
    const TBrwAction action = actionForKey(key, modifiers);
    if (action != baNone) {
        RaiseAction(action, VirtualKeyCode(key));
        event->accept();
        return;
    }
    if (modifiers == Qt::NoModifier && (key == Qt::Key_Left || key == Qt::Key_Right)
        && m_options.testFlag(dgRowSelect) && state() != EditingState) {
        scrollColumns(key);
        event->accept();
        return;
    }
    const bool wasLastRow = m_source && m_source->isLastRow();
    if (OnKeyDown) {
        OnKeyDown(this, key, modifiers);
        if (key == 0) {
            event->accept();
            return;
        }
    }
    handleCharacter(event->text());
    QTableView::keyPressEvent(event);
    if (key == Qt::Key_Down && m_optionsEx.testFlag(dgAllowRowEditing) && m_source
        && m_source->isOpen() && (wasLastRow || m_source->isEmpty()) && m_source->isLastRow())
        RaiseAction(baAppend, VirtualKeyCode(key));
}

void TdbBrowse::handleCharacter(const QString &text)
{
    if (text.size() != 1 || !m_source)
        return;
    const QChar c = text.at(0);
    if (m_source->state() == dsBrowse) {
        if (c == QLatin1Char('+')) {
            m_source->next();
            return;
        }
        if (c == QLatin1Char('-')) {
            m_source->prior();
            return;
        }
    }
    const bool letterOrDigit = (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    if (!letterOrDigit || m_options.testFlag(dgEditing))
        return;
    if (OnSearch)
        OnSearch(this, c);
    else
        RaiseAction(baSearch, c.unicode());
}

void TdbBrowse::keyboardSearch(const QString &)
{
    // Typed letters and digits go to OnSearch or baSearch instead.
}

void TdbBrowse::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (OnDblClick) {
        OnDblClick(this);
        return;
    }
    if (m_source && m_source->isOpen())
        RaiseAction(m_source->isEmpty() ? baInsert : baEdit, 0);
}

void TdbBrowse::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    QTableView::mousePressEvent(event);
}

void TdbBrowse::mouseMoveEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const QPoint cell = index.isValid() ? QPoint(index.column(), index.row()) : QPoint(-1, -1);
    if (cell != m_hintCell) {
        m_hintCell = cell;
        if (OnGetHint)
            OnGetHint(this);
    }
    QTableView::mouseMoveEvent(event);
}

bool TdbBrowse::event(QEvent *event)
{
    // A context menu asked for from the keyboard opens at the current row, not at the mouse.
    if (event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        popupAtCurrentRow();
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

QPoint TdbBrowse::currentRowMenuPoint()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return { 0, 0 };
    scrollTo(current);
    const int row = current.row();
    const int bottom = rowViewportPosition(row) + rowHeight(row);
    const int left = std::max(0, visualRect(current).left());
    return { left, std::clamp(bottom, 0, std::max(0, viewport()->height() - 1)) };
}

void TdbBrowse::popupAtCurrentRow()
{
    const QPoint pos = currentRowMenuPoint();
    // As a right click does: the owner's handler in viewport coordinates, or the grid's menu.
    if (contextMenuPolicy() == Qt::CustomContextMenu) {
        Q_EMIT customContextMenuRequested(pos);
    } else if (contextMenuPolicy() == Qt::DefaultContextMenu) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, pos, viewport()->mapToGlobal(pos));
        contextMenuEvent(&menuEvent);
    }
}

void TdbBrowse::contextMenuEvent(QContextMenuEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (m_popupMenu) {
        m_popupMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QTableView::contextMenuEvent(event);
}

// A left press on a title raises baTitle and baSortField unless columns are resized by dragging;
// then the press goes to the header, which reports a title click.
bool TdbBrowse::titlePressed(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || m_options.testFlag(dgColumnResize) || !model())
        return false;
    const int section = horizontalHeader()->logicalIndexAt(event->position().toPoint());
    if (section < 0)
        return false;
    RaiseAction(baTitle, quint16(columnNumber(section)));
    const QVariant tag = model()->headerData(section, Qt::Horizontal, FieldTagRole);
    RaiseAction(baSortField, quint16(tag.toUInt() & 0xFFFF));
    return true;
}

bool TdbBrowse::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonDblClick) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (titlePressed(mouse))
                return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

bool TdbBrowse::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool editing = QTableView::edit(index, trigger, event);
    if (editing && m_source && m_source->state() == dsBrowse)
        m_source->edit();
    return editing;
}

void TdbBrowse::moveEditor(QWidget *editor, bool forward)
{
    const QModelIndex current = currentIndex();
    const QHeaderView *header = horizontalHeader();
    QModelIndex target;
    for (int v = header->visualIndex(current.column()) + (forward ? 1 : -1);
         v >= 0 && v < header->count(); v += forward ? 1 : -1) {
        const int column = header->logicalIndex(v);
        const QModelIndex candidate = model()->index(current.row(), column);
        if (!isColumnHidden(column) && candidate.flags().testFlag(Qt::ItemIsEditable)) {
            target = candidate;
            break;
        }
    }
    if (target.isValid()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        setCurrentIndex(target);
        edit(target);
    } else if (forward) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (m_source)
            m_source->post();
    } else {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        if (m_source)
            m_source->cancel();
    }
}

void TdbBrowse::resizeEvent(QResizeEvent *event)
{
    m_pendingResize = true;
    QTableView::resizeEvent(event);
}

void TdbBrowse::paintEvent(QPaintEvent *event)
{
    if (m_pendingResize) {
        m_pendingResize = false;
        if (m_optionsEx.testFlag(dgAutoSize))
            autoSizeColumns();
    }
    QTableView::paintEvent(event);
}

void TdbBrowse::autoSizeColumns()
{
    if (!model() || model()->columnCount() > 128)
        return;
    QList<int> columns;
    QList<int> widths;
    for (int column = 0; column < model()->columnCount(); ++column) {
        if (isColumnHidden(column))
            continue;
        columns.append(column);
        widths.append(m_defaultWidths.value(column, horizontalHeader()->defaultSectionSize()));
    }
    if (columns.isEmpty())
        return;
    int available = width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 1;
    if (m_options.testFlag(dgIndicator))
        available -= verticalHeader()->width() + 1;
    const QList<int> sizes = AutoSizeWidths(widths, available);
    setUpdatesEnabled(false);
    for (qsizetype i = 0; i < columns.size(); ++i)
        setColumnWidth(columns[i], std::max(sizes[i], 1));
    setUpdatesEnabled(true);
    if (OnExpandColumn) {
        for (int column : columns)
            OnExpandColumn(this, column);
    }
}
