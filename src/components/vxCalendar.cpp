#include "components/vxCalendar.h"

#include "components/vxPopup.h"
#include "components/vxRptBtn.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The strip of the title band between the button pairs that brings back today.
constexpr int TodayStripMargin = 32;

const QColor TitleBackground(0, 0, 128);

TvxRepeatButton *MakeStepButton(TvxCustomCalendar *calendar, const char *name, TvxRptStyle style)
{
    auto *button = new TvxRepeatButton(calendar);
    button->setObjectName(QString::fromLatin1(name));
    button->SetStyle(style);
    button->resize(TvxCustomCalendar::StepButtonSize, TvxCustomCalendar::StepButtonSize);
    return button;
}

} // namespace

TvxCustomCalendar::TvxCustomCalendar(QWidget *parent)
    : QWidget(parent)
    , m_date(QDate::currentDate())
    , m_prevMonth(MakeStepButton(this, "BtnPrevMonth", rsLeft))
    , m_prevYear(MakeStepButton(this, "BtnPrevYear", rsDblLeft))
    , m_nextYear(MakeStepButton(this, "BtnNextYear", rsDblRight))
    , m_nextMonth(MakeStepButton(this, "BtnNextMonth", rsRight))
{
    setFocusPolicy(Qt::StrongFocus);
    connect(m_prevMonth, &TvxRepeatButton::OnClick, this, [this] { PrevMonth(); });
    connect(m_prevYear, &TvxRepeatButton::OnClick, this, [this] { PrevYear(); });
    connect(m_nextYear, &TvxRepeatButton::OnClick, this, [this] { NextYear(); });
    connect(m_nextMonth, &TvxRepeatButton::OnClick, this, [this] { NextMonth(); });
    UpdateCalendar();
    PlaceButtons();
}

void TvxCustomCalendar::SetCalendarDate(const QDate &date)
{
    if (!date.isValid() || date == m_date)
        return;
    m_date = date;
    m_useCurrentDate = false;
    UpdateCalendar();
    update();
    Q_EMIT OnChange(this);
}

void TvxCustomCalendar::SetYear(int year)
{
    if (year >= 1)
        SetCalendarDate(QDate(year, m_date.month(), m_date.day()));
}

void TvxCustomCalendar::SetMonth(int month)
{
    if (month >= 1 && month <= 12)
        SetCalendarDate(QDate(m_date.year(), month, m_date.day()));
}

void TvxCustomCalendar::SetDay(int day)
{
    if (day >= 1 && day <= m_date.daysInMonth())
        SetCalendarDate(QDate(m_date.year(), m_date.month(), day));
}

void TvxCustomCalendar::SetStartOfWeek(TDayOfWeek start)
{
    m_startOfWeek = start;
    UpdateCalendar();
    update();
}

void TvxCustomCalendar::SetUseCurrentDate(bool use)
{
    if (use)
        SetCalendarDate(QDate::currentDate());
    m_useCurrentDate = use;
}

void TvxCustomCalendar::SetWeekEnd(const TDaysOfWeek &days)
{
    m_weekEnd = days;
    update();
}

void TvxCustomCalendar::SetWeekEndColor(const QColor &color)
{
    m_weekEndColor = color;
    update();
}

QRect TvxCustomCalendar::CellRect(int column, int row) const
{
    return { column * ColumnWidth(), row * RowHeight(), ColumnWidth(), RowHeight() };
}

QPoint TvxCustomCalendar::CellAt(const QPoint &position) const
{
    if (ColumnWidth() <= 0 || RowHeight() <= 0 || position.x() < 0 || position.y() < 0)
        return { -1, -1 };
    const QPoint cell(position.x() / ColumnWidth(), position.y() / RowHeight());
    if (cell.x() >= CalendarColumns || cell.y() >= CalendarRows)
        return { -1, -1 };
    return cell;
}

int TvxCustomCalendar::DayAt(int column, int row) const
{
    return CalendarCellDay(column, row, m_offset, m_date.daysInMonth());
}

QRect TvxCustomCalendar::DayRect(int day) const
{
    const QPoint cell = CalendarCellOfDay(day, m_offset);
    return CellRect(cell.x(), cell.y());
}

QString TvxCustomCalendar::TitleText() const
{
    return QLocale().toString(m_date, QStringLiteral("MMMM yyyy"));
}

QString TvxCustomCalendar::DayNameText(int column) const
{
    static const char *const names[] = { "Mo", "Tu", "We", "Th", "Fr", "Sa", "Su" };
    return QString::fromLatin1(names[CalendarColumnWeekday(column, m_startOfWeek)]);
}

bool TvxCustomCalendar::SelectCell(int column, int row) const
{
    if (m_updating)
        return true;
    return !m_readOnly && DayAt(column, row) != 0;
}

void TvxCustomCalendar::SelectDayCell(int column, int row)
{
    if (SelectCell(column, row))
        SetDay(DayAt(column, row));
}

void TvxCustomCalendar::UpdateCalendar()
{
    m_updating = true;
    m_offset = CalendarDayOffset(m_date, m_startOfWeek);
    m_selected = CalendarCellOfDay(m_date.day(), m_offset);
    m_updating = false;
}

void TvxCustomCalendar::PlaceButtons()
{
    m_prevMonth->move(0, 0);
    m_prevYear->move(StepButtonSize + 1, 0);
    m_nextYear->move(width() - 2 * StepButtonSize - 1, 0);
    m_nextMonth->move(width() - StepButtonSize, 0);
}

void TvxCustomCalendar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceButtons();
}

void TvxCustomCalendar::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    QPoint step;
    switch (event->key()) {
    case Qt::Key_PageUp:
        ctrl ? PrevYear() : PrevMonth();
        return;
    case Qt::Key_PageDown:
        ctrl ? NextYear() : NextMonth();
        return;
    case Qt::Key_Left:
        step = { -1, 0 };
        break;
    case Qt::Key_Right:
        step = { 1, 0 };
        break;
    case Qt::Key_Up:
        step = { 0, -1 };
        break;
    case Qt::Key_Down:
        step = { 0, 1 };
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const QPoint target = m_selected + step;
    SelectDayCell(target.x(), target.y());
}

void TvxCustomCalendar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    const QPoint cell = CellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && cell.y() >= CalendarFirstWeekRow)
        SelectDayCell(cell.x(), cell.y());
}

void TvxCustomCalendar::mouseReleaseEvent(QMouseEvent *event)
{
    // Accepted always: a release left to the drop-down window would close it.
    event->accept();
    const QPoint position = event->position().toPoint();
    const QPoint cell = CellAt(position);
    const bool plain
        = (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (event->button() == Qt::LeftButton && plain && cell.y() >= CalendarFirstWeekRow
        && DayAt(cell.x(), cell.y()) != 0) {
        SelectDayCell(cell.x(), cell.y());
        if (auto *popup = qobject_cast<TvxPopup *>(parentWidget()))
            popup->CloseUp(true);
        return;
    }
    if (cell.y() == 0 && position.x() >= TodayStripMargin
        && position.x() < width() - TodayStripMargin)
        SetCalendarDate(QDate::currentDate());
}

void TvxCustomCalendar::DrawCell(QPainter &painter, int column, int row)
{
    const QRect cell = CellRect(column, row);
    const bool weekEnd = m_weekEnd.count(CalendarColumnWeekday(column, m_startOfWeek)) != 0;
    QColor color = weekEnd ? m_weekEndColor : palette().color(QPalette::ButtonText);
    QString text;
    if (row == 1) {
        text = DayNameText(column);
    } else {
        const int day = DayAt(column, row);
        if (day == 0)
            return;
        text = QString::number(day);
        if (QPoint(column, row) == m_selected) {
            painter.fillRect(cell, palette().color(QPalette::Highlight));
            color = palette().color(QPalette::HighlightedText);
        }
    }
    painter.setPen(color);
    painter.drawText(cell, Qt::AlignCenter, text);
}

void TvxCustomCalendar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));

    const QRect band(0, 0, width(), TitleHeight);
    painter.fillRect(band, TitleBackground);
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter, TitleText());

    for (int row = 1; row < CalendarRows; ++row) {
        for (int column = 0; column < CalendarColumns; ++column)
            DrawCell(painter, column, row);
    }
    const int line = 2 * RowHeight() - 2;
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(0, line, width() - 1, line);
}

TvxCalendar::TvxCalendar(QWidget *parent)
    : TvxCustomCalendar(parent)
{
    resize(DefaultWidth, DefaultHeight);
}
