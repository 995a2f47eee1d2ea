#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;
class TvxCustomEdit;

// The drop-down window of a button edit: a frameless tool window with a 1-pixel border that
// never becomes active and never takes the focus, so the focus stays in the edit, which
// forwards the navigation keys.
class TvxPopup : public QWidget
{
    Q_OBJECT
public:
    explicit TvxPopup(TvxCustomEdit *edit);

    // Initialises the drop-down from the edit's text.
    virtual void SetPopupText(const QString &text) = 0;
    // The drop-down's choice as text.
    virtual QString GetPopupText() const = 0;
    // Places the drop-down at the edit, initialises it and shows it without activating it.
    virtual void ShowPopup(TvxCustomEdit *edit);
    virtual void HidePopup(TvxCustomEdit *edit, bool accept);
    // A navigation key the edit passes on while the drop-down is open.
    virtual void PopupKeyPress(QKeyEvent *event);

    // Asks the edit to close the drop-down.
    void CloseUp(bool accept);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TvxCustomEdit *m_edit;
};
