#pragma once

#include "components/vxBtnEd.h"
#include "components/vxPopup.h"

#include <set>

class TvxCalendar;

enum TCalOptionEx { calUseEpoch };
using TCalOptionsEx = std::set<TCalOptionEx>;

// The drop-down holding one calendar, inside a 1-pixel border.
class TvxPopupCalendar : public TvxPopup
{
    Q_OBJECT
public:
    explicit TvxPopupCalendar(TvxCustomEdit *edit);

    TvxCalendar *Calendar() const { return m_calendar; }

    // The calendar shows the date of a text with a digit in it, otherwise today.
    void SetPopupText(const QString &text) override;
    QString GetPopupText() const override;
    void PopupKeyPress(QKeyEvent *event) override;

private:
    TvxCalendar *m_calendar;
};

// A date box: the long form when not focused, the day/month/year mask while focused, a
// drop-down month calendar on its button or the Down key. Value 0 is no date.
class TvxDateEdit : public TvxCustomEdit
{
    Q_OBJECT
public:
    explicit TvxDateEdit(QWidget *parent = nullptr);

    // Days since 30 December 1899, the fraction the time of day; 0 is no date.
    double Value() const { return m_value; }
    void SetValue(double value);
    const TCalOptionsEx &OptionsEx() const { return m_optionsEx; }
    void SetOptionsEx(const TCalOptionsEx &options) { m_optionsEx = options; }

    TvxPopupCalendar *PopupCalendar() const { return m_popupCalendar; }
    // The text being typed, unfilled positions as blanks ("  /  /    " when nothing is typed).
    QString TypedText() const;

Q_SIGNALS:
    void OnChanged(TvxDateEdit *sender);

protected:
    void ButtonClick() override;
    void DrawButtonFace(QPainter &painter, const QRect &rect) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void EnterBox();
    // False when the text is not a date: the box then keeps its text, mask and Value.
    bool LeaveBox();
    void ShowValue();

    double m_value = 0;
    double m_enteredValue = 0;
    bool m_editing = false;
    TCalOptionsEx m_optionsEx { calUseEpoch };
    TvxPopupCalendar *m_popupCalendar;
};
