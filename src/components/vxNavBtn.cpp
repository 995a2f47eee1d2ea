#include "components/vxNavBtn.h"

#include "components/DataSource.h"
#include "components/DialogKeys.h"
#include "components/dbBrowse.h"
#include "util/MessageService.h"

#include <QDialog>
#include <QEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

// Shadow colour along the line, highlight colour one pixel further in.
void DrawEtchedLine(
    QPainter &painter, const QPalette &palette, QPoint from, QPoint to, bool vertical)
{
    const QPoint step = vertical ? QPoint(1, 0) : QPoint(0, 1);
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(from, to);
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(from + step, to + step);
}

const char *const ButtonNames[NavigatorButtonCount] = {
    "brwNew",
    "brwEdit",
    "brwRemove",
    "brwDone",
    "brwCancel",
    "brwTag",
    "brwUdf1",
    "brwUdf2",
    "brwUdf3",
    "brwUdf4",
    "brwUdf5",
    "brwClose",
};

const char *const DefaultCaptions[NavigatorButtonCount] = {
    "&New",
    "&Edit",
    "&Remove",
    "Done",
    "Cancel",
    "&Tag",
    "",
    "",
    "",
    "",
    "",
    "&Close",
};

} // namespace

// --- TCustomBtns ---------------------------------------------------------------------------

TCustomBtns::TCustomBtns(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void TCustomBtns::setBorderGap(int gap)
{
    m_borderGap = gap;
    ArrangeButtons();
}

void TCustomBtns::setButtonGap(int gap)
{
    m_buttonGap = gap;
    ArrangeButtons();
}

void TCustomBtns::setButtonWidth(int width)
{
    m_buttonWidth = width;
    ArrangeButtons();
}

void TCustomBtns::setButtonHeight(int height)
{
    m_buttonHeight = height;
    ArrangeButtons();
}

void TCustomBtns::setOrientation(TOrientation orientation)
{
    m_orientation = orientation;
    ArrangeButtons();
}

void TCustomBtns::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    ArrangeButtons();
    update();
}

void TCustomBtns::ensureCaptions()
{
    if (m_captionsLoaded)
        return;
    m_captionsLoaded = true;
    LoadCaptions();
}

void TCustomBtns::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    ArrangeButtons();
}

void TCustomBtns::showEvent(QShowEvent *event)
{
    ensureCaptions();
    QFrame::showEvent(event);
}

void TCustomBtns::paintEvent(QPaintEvent *event)
{
    ensureCaptions();
    QFrame::paintEvent(event);
}

// --- TdbCustomBtns -------------------------------------------------------------------------

TdbCustomBtns::TdbCustomBtns(QWidget *parent)
    : TCustomBtns(parent)
{ }

void TdbCustomBtns::setDataSource(TDataSource *source)
{
    if (m_dataSource == source)
        return;
    if (m_dataSource)
        disconnect(m_dataSource, nullptr, this, nullptr);
    m_dataSource = source;
    if (source) {
        connect(source, &TDataSource::activeChanged, this, [this] { ActiveChanged(); });
        connect(source, &TDataSource::dataSetChanged, this, [this] { DataChanged(); });
        connect(source, &TDataSource::editingChanged, this, [this] { EditingChanged(); });
        connect(source, &QObject::destroyed, this, [this] { ActiveChanged(); });
    }
    ActiveChanged();
}

bool TdbCustomBtns::linkActive() const
{
    return m_dataSource && m_dataSource->isOpen();
}

void TdbCustomBtns::changeEvent(QEvent *event)
{
    TCustomBtns::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        ActiveChanged();
}

// --- TvxBrwNavigator -----------------------------------------------------------------------

TvxBrwNavigator::TvxBrwNavigator(QWidget *parent)
    : TdbCustomBtns(parent)
{
    setOrientation(boHorizontal);
    setFixedHeight(26);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (int b = 0; b < NavigatorButtonCount; ++b) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(ButtonNames[b]));
        button->setProperty("tag", b);
        button->setAutoDefault(false);
        button->setEnabled(false);
        button->setVisible(m_allowed.contains(TvxBrwButtons(b)));
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonClick(button); });
        m_buttons[b] = button;
    }
    if (Default())
        m_buttons[brwEdit]->setDefault(true);
    if (Cancel())
        SetCancelButton(m_buttons[brwClose], true);
    ArrangeButtons();
}

void TvxBrwNavigator::setIndent(int indent)
{
    m_indent = indent;
    ArrangeButtons();
}

void TvxBrwNavigator::setOptions(TBtnOptions options)
{
    m_options = options;
    ArrangeButtons();
    update();
}

void TvxBrwNavigator::setAllowed(TvxBrwBtnSet allowed)
{
    m_allowed = allowed;
    for (int b = 0; b < NavigatorButtonCount; ++b)
        m_buttons[b]->setVisible(allowed.contains(TvxBrwButtons(b)));
    ArrangeButtons();
    DataChanged();
}

void TvxBrwNavigator::LoadCaptions()
{
    for (int b = 0; b < NavigatorButtonCount; ++b)
        m_buttons[b]->setText(QString::fromUtf8(DefaultCaptions[b]));
    for (int b = brwUdf1; b <= brwClose; ++b)
        m_buttons[b]->setEnabled(true);
    if (OnLoadCaptions)
        OnLoadCaptions(this);
}

void TvxBrwNavigator::ArrangeButtons()
{
    if (m_buttons[0] == nullptr)
        return;
    NavigatorMetrics metrics;
    metrics.bar = size();
    metrics.borderGap = BorderGap();
    metrics.buttonGap = ButtonGap();
    metrics.buttonWidth = ButtonWidth();
    metrics.buttonHeight = ButtonHeight();
    metrics.indent = m_indent;
    metrics.separator = m_options.testFlag(boSeparator);
    metrics.orientation = Orientation();
    metrics.picture = Picture().size();
    metrics.allowed = m_allowed;
    const NavigatorPlaces places = ArrangeNavigatorButtons(metrics);
    for (int b = 0; b < NavigatorButtonCount; ++b) {
        m_buttons[b]->setGeometry(QRect(places.buttons[b], QSize(ButtonWidth(), ButtonHeight())));
        m_buttons[b]->setFocusPolicy(focusPolicy() == Qt::NoFocus ? Qt::NoFocus : Qt::StrongFocus);
    }
    m_picturePlace = places.picture;
}

void TvxBrwNavigator::paintEvent(QPaintEvent *event)
{
    TdbCustomBtns::paintEvent(event);
    QPainter painter(this);
    if (m_options.testFlag(boSeparator)) {
        if (Orientation() == boHorizontal)
            DrawEtchedLine(painter, palette(), QPoint(3, 0), QPoint(width() - 6, 0), false);
        else
            DrawEtchedLine(painter, palette(), QPoint(0, 3), QPoint(0, height() - 6), true);
    }
    if (!Picture().isNull())
        painter.drawPixmap(m_picturePlace, Picture());
}

void TvxBrwNavigator::ActiveChanged()
{
    if (!isEnabled() || !linkActive()) {
        for (int b = 0; b < NavigatorButtonCount; ++b)
            m_buttons[b]->setEnabled(b >= brwUdf1);
        updateDialogButtons();
        return;
    }
    DataChanged();
}

void TvxBrwNavigator::DataChanged()
{
    const TDataSource *source = DataSource();
    const TDataSetState state = source ? source->state() : dsInactive;
    const bool browsed = state == dsBrowse;
    const bool editing = state == dsEdit || state == dsInsert;
    const bool rows = source && !source->isEmpty();
    m_buttons[brwNew]->setEnabled(browsed);
    m_buttons[brwEdit]->setEnabled(browsed);
    m_buttons[brwRemove]->setEnabled(browsed && rows);
    m_buttons[brwTag]->setEnabled(browsed && rows);
    m_buttons[brwDone]->setEnabled(editing && m_allowed.contains(brwDone));
    m_buttons[brwCancel]->setEnabled(editing && m_allowed.contains(brwCancel));
    updateDialogButtons();
    if (editing) {
        m_buttons[brwDone]->raise();
        m_buttons[brwCancel]->raise();
    } else {
        m_buttons[brwEdit]->raise();
        m_buttons[brwRemove]->raise();
    }
}

// Edit takes Enter and Cancel (or else Close) takes Escape, while they are enabled.
void TvxBrwNavigator::updateDialogButtons()
{
    m_buttons[brwEdit]->setDefault(Default() && m_buttons[brwEdit]->isEnabled());
    const bool cancelButton = Cancel() && m_buttons[brwCancel]->isEnabled();
    SetCancelButton(m_buttons[brwCancel], cancelButton);
    SetCancelButton(
        m_buttons[brwClose], Cancel() && m_buttons[brwClose]->isEnabled() && !cancelButton);
}

void TvxBrwNavigator::ButtonClick(QPushButton *sender)
{
    const auto found = std::find(m_buttons.begin(), m_buttons.end(), sender);
    if (found == m_buttons.end())
        return;
    const auto button = TvxBrwButtons(found - m_buttons.begin());
    bool handled = false;
    if (OnButtonClick)
        OnButtonClick(this, button, handled);
    if (!handled) {
        if (!handleForBrowse(button))
            handleForDataSource(button);
    }
    if (!handled && button >= brwRemove) {
        QWidget *control = FocusControl();
        if (control && control->window()->isVisible() && control->isVisible()
            && control->isEnabled() && control->focusPolicy() != Qt::NoFocus)
            control->setFocus(Qt::OtherFocusReason);
    }
    if (OnAfterClick)
        OnAfterClick(this, button, handled);
}

// With a grid as the focus control, New, Edit and Remove become its actions.
bool TvxBrwNavigator::handleForBrowse(TvxBrwButtons button)
{
    auto *grid = qobject_cast<TdbBrowse *>(FocusControl());
    if (!grid)
        return false;
    TDataSource *source = DataSource();
    switch (button) {
    case brwNew:
        grid->RaiseAction(baInsert, 0);
        break;
    case brwEdit:
        grid->RaiseAction(baEdit, 0);
        break;
    case brwRemove:
        grid->RaiseAction(baDelete, 0);
        break;
    case brwDone:
        if (source && source->isOpen())
            source->post();
        break;
    case brwCancel:
        if (source && source->isOpen())
            source->cancel();
        break;
    case brwClose:
        closeWindow();
        break;
    default:
        break;
    }
    return true;
}

void TvxBrwNavigator::handleForDataSource(TvxBrwButtons button)
{
    TDataSource *source = DataSource();
    const bool open = source && source->isOpen();
    switch (button) {
    case brwNew:
        if (open)
            source->insert();
        break;
    case brwEdit:
        if (open)
            source->edit();
        break;
    case brwRemove:
        if (open && !source->isEmpty()
            && AskYesNo(QStringLiteral("Are you sure that you want \nto remove this record ?")))
            source->remove();
        break;
    case brwDone:
        if (open)
            source->post();
        break;
    case brwCancel:
        if (open)
            source->cancel();
        break;
    case brwClose:
        closeWindow();
        break;
    default:
        break;
    }
}

void TvxBrwNavigator::closeWindow()
{
    QWidget *owner = window();
    if (auto *dialog = qobject_cast<QDialog *>(owner))
        dialog->done(QDialog::Accepted);
    else
        owner->close();
}

// --- TvxBtnPanel ---------------------------------------------------------------------------

TvxBtnPanel::TvxBtnPanel(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(32);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TvxBtnPanel::setMargin(int margin)
{
    m_margin = margin;
    update();
}

void TvxBtnPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    DrawEtchedLine(painter, palette(), QPoint(3, m_margin), QPoint(width() - 6, m_margin), false);
}
