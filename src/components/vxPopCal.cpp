#include "components/vxPopCal.h"

#include "components/vxCalendar.h"
#include "components/vxDateRules.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QApplication>
#include <QDateTime>
#include <QFocusEvent>
#include <QLocale>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int DateEditWidth = 91;
constexpr int DateEditHeight = 19;
constexpr int CalendarBitmapSize = 13;

// Day, month and four-digit year; "_" marks a position not yet typed.
const QString &DateMask()
{
    static const QString mask = QStringLiteral("00/00/0000;_");
    return mask;
}

bool HasDigit(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The long form: the locale's short date and short day name ("31/12/2008 Wed").
QString LongDateText(const QDate &date)
{
    const QLocale locale;
    return locale.toString(date, QLocale::ShortFormat) + u' '
        + locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
}

double NowNumber()
{
    const QDateTime now = QDateTime::currentDateTime();
    return NumberFromDate(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

// A small calendar page: a dark frame, a red top band and rows of day marks.
const QPixmap &CalendarBitmap()
{
    static const QPixmap bitmap = [] {
        QPixmap pixmap(CalendarBitmapSize, CalendarBitmapSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.fillRect(1, 1, 11, 11, Qt::white);
        painter.fillRect(1, 1, 11, 3, QColor(192, 0, 0));
        painter.setPen(QColor(64, 64, 64));
        painter.drawRect(0, 0, 12, 12);
        for (int y = 6; y <= 10; y += 2) {
            for (int x = 3; x <= 9; x += 2)
                painter.drawPoint(x, y);
        }
        return pixmap;
    }();
    return bitmap;
}

} // namespace

TvxPopupCalendar::TvxPopupCalendar(TvxCustomEdit *edit)
    : TvxPopup(edit)
    , m_calendar(new TvxCalendar(this))
{
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    // The focus stays in the edit, which passes the keys on.
    m_calendar->setFocusPolicy(Qt::NoFocus);
    m_calendar->move(1, 1);
    resize(m_calendar->width() + 2, m_calendar->height() + 2);
}

void TvxPopupCalendar::SetPopupText(const QString &text)
{
    QDate date;
    if (HasDigit(text))
        date = ParseDateText(text, QDate::currentDate().year(), false);
    m_calendar->SetCalendarDate(date.isValid() ? date : QDate::currentDate());
}

QString TvxPopupCalendar::GetPopupText() const
{
    return FormatTypedDate(m_calendar->CalendarDate());
}

void TvxPopupCalendar::PopupKeyPress(QKeyEvent *event)
{
    QCoreApplication::sendEvent(m_calendar, event);
}

TvxDateEdit::TvxDateEdit(QWidget *parent)
    : TvxCustomEdit(parent)
    , m_popupCalendar(new TvxPopupCalendar(this))
{
    resize(DateEditWidth, DateEditHeight);
    SetBtnStyle(vxOwnerDraw);
    SetShowButton(true);
    SetPopup(m_popupCalendar);
    SetValue(NowNumber());
}

void TvxDateEdit::SetValue(double value)
{
    m_value = value;
    ShowValue();
}

QString TvxDateEdit::TypedText() const
{
    if (inputMask().isEmpty())
        return text();
    return displayText().replace(u'_', u' ');
}

void TvxDateEdit::ShowValue()
{
    // No date shows as an empty box; while focused the value is typed out as a date, so a box
    // without a date shows day 0 of the date numbers, 30/12/1899.
    const QDate date = DateFromNumber(m_value);
    if (m_editing)
        setText(FormatTypedDate(date.isValid() ? date : QDate(1899, 12, 30)));
    else
        setText(date.isValid() ? LongDateText(date) : QString());
    // A narrow box shows the start of its text, not the end.
    setCursorPosition(0);
}

void TvxDateEdit::EnterBox()
{
    m_enteredValue = m_value;
    m_editing = true;
    clear();
    setInputMask(DateMask());
    ShowValue();
}

bool TvxDateEdit::LeaveBox()
{
    const QString typed = TypedText();
    const QDate date
        = ParseDateText(typed, QDate::currentDate().year(), m_optionsEx.count(calUseEpoch) != 0);
    if (!date.isValid())
        return false;
    m_value = NumberFromDate(date);
    m_editing = false;
    setInputMask(QString());
    ShowValue();
    if (m_value != m_enteredValue)
        Q_EMIT OnChanged(this);
    return true;
}

void TvxDateEdit::ButtonClick()
{
    if (DroppedDown())
        CloseUp(false);
    else
        DropDown();
}

void TvxDateEdit::DrawButtonFace(QPainter &painter, const QRect &rect)
{
    const QPixmap &bitmap = CalendarBitmap();
    painter.drawPixmap(rect.x() + (rect.width() - bitmap.width()) / 2,
        rect.y() + (rect.height() - bitmap.height()) / 2, bitmap);
}

void TvxDateEdit::focusInEvent(QFocusEvent *event)
{
    if (!m_editing)
        EnterBox();
    TvxCustomEdit::focusInEvent(event);
}

void TvxDateEdit::focusOutEvent(QFocusEvent *event)
{
    TvxCustomEdit::focusOutEvent(event);
    // Switching to another window or opening a menu is no leaving of the box.
    const Qt::FocusReason reason = event->reason();
    if (!m_editing || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (LeaveBox())
        return;
    // The box cannot be left while its text is not a date: tell the user and come back, once
    // the focus change under way has finished.
    const QString message = QStringLiteral("'%1' is not a valid date").arg(TypedText());
    QTimer::singleShot(0, this, [this, message] {
        ShowError(message);
        setFocus(Qt::OtherFocusReason);
    });
}

void TvxDateEdit::changeEvent(QEvent *event)
{
    // The focus may have moved on while the window was inactive: the box was left then.
    if (event->type() == QEvent::ActivationChange && m_editing && isActiveWindow() && !hasFocus())
        LeaveBox();
    TvxCustomEdit::changeEvent(event);
}
