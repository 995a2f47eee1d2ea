#pragma once

#include "components/vxDateRules.h"

#include <QColor>
#include <QDate>
#include <QWidget>

#include <set>

class TvxRepeatButton;

using TDaysOfWeek = std::set<TDayOfWeek>;

// A month grid: the title band with the month and year buttons, the day-name row and six week
// rows; the selected cell is the current date's day.
class TvxCustomCalendar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TitleHeight = 15;
    static constexpr int StepButtonSize = 15;

    explicit TvxCustomCalendar(QWidget *parent = nullptr);

    QDate CalendarDate() const { return m_date; }
    // Re-encodes the date; an invalid or unchanged date does nothing.
    void SetCalendarDate(const QDate &date);
    int Year() const { return m_date.year(); }
    int Month() const { return m_date.month(); }
    int Day() const { return m_date.day(); }
    void SetYear(int year);
    void SetMonth(int month);
    void SetDay(int day);

    void PrevMonth() { SetCalendarDate(StepMonth(m_date, -1)); }
    void NextMonth() { SetCalendarDate(StepMonth(m_date, 1)); }
    void PrevYear() { SetCalendarDate(StepYear(m_date, -1)); }
    void NextYear() { SetCalendarDate(StepYear(m_date, 1)); }

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    TDayOfWeek StartOfWeek() const { return m_startOfWeek; }
    void SetStartOfWeek(TDayOfWeek start);
    bool UseCurrentDate() const { return m_useCurrentDate; }
    void SetUseCurrentDate(bool use);
    const TDaysOfWeek &WeekEnd() const { return m_weekEnd; }
    void SetWeekEnd(const TDaysOfWeek &days);
    QColor WeekEndColor() const { return m_weekEndColor; }
    void SetWeekEndColor(const QColor &color);

    // Grid geometry and contents, as painted and as hit by the mouse.
    int ColumnWidth() const { return width() / CalendarColumns; }
    int RowHeight() const { return height() / CalendarRows; }
    QRect CellRect(int column, int row) const;
    QPoint CellAt(const QPoint &position) const;
    int DayAt(int column, int row) const;
    QRect DayRect(int day) const;
    QPoint SelectedCell() const { return m_selected; }
    QString TitleText() const;
    QString DayNameText(int column) const;

    TvxRepeatButton *PrevMonthButton() const { return m_prevMonth; }
    TvxRepeatButton *PrevYearButton() const { return m_prevYear; }
    TvxRepeatButton *NextYearButton() const { return m_nextYear; }
    TvxRepeatButton *NextMonthButton() const { return m_nextMonth; }

Q_SIGNALS:
    void OnChange(TvxCustomCalendar *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Whether a cell may become the selected one.
    bool SelectCell(int column, int row) const;
    void SelectDayCell(int column, int row);
    void UpdateCalendar();
    void PlaceButtons();
    void DrawCell(QPainter &painter, int column, int row);

    QDate m_date;
    int m_offset = 1;
    QPoint m_selected;
    bool m_updating = false;
    bool m_readOnly = false;
    bool m_useCurrentDate = true;
    TDayOfWeek m_startOfWeek = dowMon;
    TDaysOfWeek m_weekEnd { dowSat, dowSun };
    QColor m_weekEndColor = Qt::red;
    TvxRepeatButton *m_prevMonth;
    TvxRepeatButton *m_prevYear;
    TvxRepeatButton *m_nextYear;
    TvxRepeatButton *m_nextMonth;
};

// The calendar of the date edit's drop-down.
class TvxCalendar : public TvxCustomCalendar
{
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 151;
    static constexpr int DefaultHeight = 131;

    explicit TvxCalendar(QWidget *parent = nullptr);
};
