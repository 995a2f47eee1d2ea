#pragma once

#include <QLineEdit>
#include <QRect>
#include <QSize>
#include <QWidget>

class QPainter;
class TvxCustomEdit;
class TvxPopup;

// Whether text may be typed into a button edit.
enum TvxEditStyle { esNormal, esNoTextEdit };
// The face of the embedded button.
enum TvxBtnStyle { vxDefault, vxEllipse, vxDropDown, vxOwnerDraw };

// Where the embedded button sits in a box of the given size: at the right edge, inside the
// sunken border of a three-dimensional box, over the right edge of a flat one.
QRect DotButtonRect(const QSize &box, int buttonWidth, bool ctl3D);

// Presses the window's default push button, as a dialog does on Enter; false when it has none.
bool PressDefaultButton(QWidget *window);

// The small button inside the right edge of a button edit. It never takes the focus: a click
// gives the focus to its edit first and then raises the edit's button click.
class TvxDotButton : public QWidget
{
    Q_OBJECT
public:
    explicit TvxDotButton(TvxCustomEdit *edit);

    bool IsDown() const { return m_down; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void SetDown(bool down);

    TvxCustomEdit *m_edit;
    bool m_down = false;
    bool m_tracking = false;
};

// A single-line edit with an embedded button, the drop-down keys and the drop-down protocol.
class TvxCustomEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TvxCustomEdit(QWidget *parent = nullptr);
    ~TvxCustomEdit() override;

    bool ShowButton() const { return m_showButton; }
    void SetShowButton(bool show);
    TvxBtnStyle BtnStyle() const { return m_btnStyle; }
    void SetBtnStyle(TvxBtnStyle style);
    TvxEditStyle Style() const { return m_style; }
    void SetStyle(TvxEditStyle style) { m_style = style; }
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D);
    TvxDotButton *Button() const { return m_button; }

    // The drop-down: open it, close it accepting or discarding its choice, ask whether it is open.
    void DropDown();
    void CloseUp(bool accept);
    bool DroppedDown() const { return m_droppedDown; }
    TvxPopup *Popup() const { return m_popup; }

Q_SIGNALS:
    void OnButtonClick(TvxCustomEdit *sender);

protected:
    // The drop-down window; the edit owns it.
    void SetPopup(TvxPopup *popup);
    // Raised by a click on the button once the box has the focus.
    virtual void ButtonClick();
    // Paints the button face of vxOwnerDraw.
    virtual void DrawButtonFace(QPainter &painter, const QRect &rect);

    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class TvxDotButton;
    void DotButtonClicked();
    void CloseDropDown(bool accept, bool refocus);
    void PlaceButton();
    void ApplyTextArea();

    TvxDotButton *m_button;
    TvxPopup *m_popup = nullptr;
    bool m_droppedDown = false;
    bool m_showButton = false;
    bool m_ctl3D = false;
    TvxBtnStyle m_btnStyle = vxEllipse;
    TvxEditStyle m_style = esNormal;
};

// The button edit of the windows: the button shown, its click left to the owner.
class TvxEdit : public TvxCustomEdit
{
    Q_OBJECT
public:
    explicit TvxEdit(QWidget *parent = nullptr);
};
