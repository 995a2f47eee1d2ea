#pragma once

#include "components/vxNavLayout.h"

#include "components/DataSource.h"

#include <QFlags>
#include <QFrame>
#include <QPixmap>
#include <QPointer>

#include <array>
#include <functional>

class QPushButton;
class TvxBrwNavigator;

enum TBtnOption { boSeparator = 0x1 };
Q_DECLARE_FLAGS(TBtnOptions, TBtnOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBtnOptions)

// A bar of push buttons without data: gaps, button size, orientation, picture, and the
// captions loaded once, when the bar is first shown or painted.
class TCustomBtns : public QFrame
{
    Q_OBJECT

public:
    explicit TCustomBtns(QWidget *parent = nullptr);

    int BorderGap() const { return m_borderGap; }
    void setBorderGap(int gap);
    int ButtonGap() const { return m_buttonGap; }
    void setButtonGap(int gap);
    int ButtonWidth() const { return m_buttonWidth; }
    void setButtonWidth(int width);
    int ButtonHeight() const { return m_buttonHeight; }
    void setButtonHeight(int height);
    TOrientation Orientation() const { return m_orientation; }
    void setOrientation(TOrientation orientation);
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    bool Cancel() const { return m_cancel; }
    void setCancel(bool on) { m_cancel = on; }
    bool Default() const { return m_default; }
    void setDefault(bool on) { m_default = on; }

    std::function<void(TCustomBtns *sender)> OnLoadCaptions;

    // Loads the captions if that has not happened yet.
    void ensureCaptions();
    virtual void LoadCaptions() { }
    virtual void ArrangeButtons() { }
    virtual void ButtonClick(QPushButton *) { }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_borderGap = 5;
    int m_buttonGap = 3;
    int m_buttonWidth = 61;
    int m_buttonHeight = 21;
    TOrientation m_orientation = boHorizontal;
    QPixmap m_picture;
    bool m_cancel = true;
    bool m_default = true;
    bool m_captionsLoaded = false;
};

// A bar bound to a data source: its notices of opening, row changes and editing reach the
// bar's ActiveChanged, DataChanged and EditingChanged. FocusControl is the control the bar
// serves (usually the grid above it).
class TdbCustomBtns : public TCustomBtns
{
    Q_OBJECT

public:
    explicit TdbCustomBtns(QWidget *parent = nullptr);

    TDataSource *DataSource() const { return m_dataSource; }
    void setDataSource(TDataSource *source);
    QWidget *FocusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control) { m_focusControl = control; }

    // The data source is set and its rows are open.
    bool linkActive() const;

    virtual void ActiveChanged() { }
    virtual void DataChanged() { }
    virtual void EditingChanged() { }

protected:
    void changeEvent(QEvent *event) override;

private:
    QPointer<TDataSource> m_dataSource;
    QPointer<QWidget> m_focusControl;
};

using TvxBrwBtnEvent
    = std::function<void(TvxBrwNavigator *sender, TvxBrwButtons button, bool &handled)>;

// The navigator bar under a grid: twelve buttons, five routed to the grid's actions or to the
// data source, five free ones and Close left to the owner, which can take over any button.
// Each button's objectName is its value's name ("brwEdit").
class TvxBrwNavigator : public TdbCustomBtns
{
    Q_OBJECT

public:
    explicit TvxBrwNavigator(QWidget *parent = nullptr);

    int Indent() const { return m_indent; }
    void setIndent(int indent);
    TBtnOptions Options() const { return m_options; }
    void setOptions(TBtnOptions options);
    TvxBrwBtnSet Allowed() const { return m_allowed; }
    void setAllowed(TvxBrwBtnSet allowed);
    QPushButton *Buttons(TvxBrwButtons button) const { return m_buttons[button]; }

    TvxBrwBtnEvent OnButtonClick;
    TvxBrwBtnEvent OnAfterClick;

    void LoadCaptions() override;
    void ArrangeButtons() override;
    void ButtonClick(QPushButton *button) override;
    void ActiveChanged() override;
    void DataChanged() override;
    void EditingChanged() override { DataChanged(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool handleForBrowse(TvxBrwButtons button);
    void handleForDataSource(TvxBrwButtons button);
    void closeWindow();
    void updateDialogButtons();

    std::array<QPushButton *, NavigatorButtonCount> m_buttons {};
    int m_indent = 0;
    TBtnOptions m_options;
    TvxBrwBtnSet m_allowed { brwNew, brwEdit, brwRemove, brwDone, brwCancel, brwClose };
    QPoint m_picturePlace;
};

// A plain strip at the bottom of a dialog with an etched line at Margin, on which the dialog
// places its own buttons.
class TvxBtnPanel : public QFrame
{
    Q_OBJECT

public:
    explicit TvxBtnPanel(QWidget *parent = nullptr);

    int Margin() const { return m_margin; }
    void setMargin(int margin);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_margin = 0;
};
