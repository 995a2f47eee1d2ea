#include "components/DlgInfFm.h"

#include "components/DlgInfFmForm.h"
#include "util/Errors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

QPoint DlgInfoPlacement(const QRect &mainWindow, const QSize &dialog, TDlgLocation location)
{
    const int l = mainWindow.left();
    const int t = mainWindow.top();
    const int w = mainWindow.width() / 2;
    const int h = mainWindow.height() / 2;
    int left = l, top = t, right = l + mainWindow.width(), bottom = t + mainWindow.height();
    switch (location) {
    case dlCenter:
        break;
    case dlTopLeft:
        right = l + w;
        bottom = t + h;
        break;
    case dlTopRight:
        left = l + w;
        right = l + 2 * w;
        bottom = t + h;
        break;
    case dlBottomLeft:
        top = t + h;
        right = l + w;
        bottom = t + 2 * h;
        break;
    case dlBottomRight:
        left = l + w;
        top = t + h;
        right = l + 2 * w;
        bottom = t + 2 * h;
        break;
    }
    return QPoint(left + (right - left) / 2 - dialog.width() / 2,
        top + (bottom - top) / 2 - dialog.height() / 2);
}

QString ElapsedTimeText(quint32 startTick, quint32 nowTick)
{
    const quint32 elapsed = nowTick - startTick;
    QString text = QString::asprintf("%6.1f secs", elapsed / 1000.0);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

quint32 TickCount()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<quint32>(clock.elapsed());
}

TDlgInfo::TDlgInfo(QObject *owner, const QString &name)
    : QObject(owner)
{
    setObjectName(name);
}

TDlgInfo::~TDlgInfo() = default;

bool TDlgInfo::isRunning() const
{
    return !m_form.isNull();
}

TFrmDlgInfo *TDlgInfo::runWindow() const
{
    return m_form;
}

void TDlgInfo::setBar(bool value)
{
    if (m_bar == value)
        return;
    m_bar = value;
    if (m_form)
        m_form->setBarVisible(value);
}

void TDlgInfo::setCaption(const QString &value)
{
    if (m_caption == value)
        return;
    m_caption = value;
    if (m_form)
        m_form->setCaptionText(value);
}

void TDlgInfo::setMin(qint32 value)
{
    if (m_min == value)
        return;
    m_min = value;
    if (m_form)
        m_form->setBarMinimum(value);
}

void TDlgInfo::setMax(qint32 value)
{
    if (m_max == value)
        return;
    m_max = value;
    if (m_form)
        m_form->setBarMaximum(value);
}

void TDlgInfo::setPosition(qint32 value)
{
    if (m_position == value)
        return;
    m_position = value;
    if (m_form)
        m_form->setBarPosition(value);
}

void TDlgInfo::setDialogType(TDlgType value)
{
    if (m_dialogType == value)
        return;
    m_dialogType = value;
    struct Preset
    {
        bool bar = true;
        QString caption;
    };
    Preset preset;
    switch (value) {
    case dtCustom:
        preset = { true, objectName() };
        break;
    case dtAppInit:
        preset = { false, tr("Application Initialising...") };
        break;
    case dtAppDeInit:
        preset = { false, tr("De-Initialising Application...") };
        break;
    case dtPosting:
        preset = { false, tr("Posting...") };
        break;
    case dtValidating:
        preset = { false, tr("Validating...") };
        break;
    case dtFinalising:
        preset = { false, tr("Finalising...") };
        break;
    case dtDeleting:
        preset = { true, tr("Deleting...") };
        break;
    }
    m_animate = true;
    setBar(preset.bar);
    setCaption(preset.caption);
    m_time = value != dtCustom;
}

QRect TDlgInfo::mainWindowBounds() const
{
    for (QObject *object = parent(); object; object = object->parent()) {
        if (auto *widget = qobject_cast<QWidget *>(object))
            return widget->window()->frameGeometry();
    }
    const auto topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (qobject_cast<QMainWindow *>(widget) && widget->isVisible())
            return widget->frameGeometry();
    }
    if (QScreen *screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return {};
}

void TDlgInfo::Execute()
{
    if (m_form)
        throw Exception(tr("The progress dialog \"%1\" is already running").arg(objectName()));

    auto *form = new TFrmDlgInfo();
    m_form = form;
    // The window is released whatever happens; it is destroyed at the next event processing.
    struct Release
    {
        TDlgInfo *owner;
        TFrmDlgInfo *form;
        ~Release()
        {
            form->hide();
            form->deleteLater();
            owner->m_form = nullptr;
        }
    } release { this, form };

    form->setWindowTitle(tr("Progess..."));
    form->prepareRun(m_animate, m_bar, m_min, m_max, m_time, m_caption);
    form->setRunEvents(OnShow, OnExecute, OnHide);
    form->setRunStart(TickCount(), m_location, m_time, mainWindowBounds());
    if (!form->isVisible())
        form->showModalRun();
}
