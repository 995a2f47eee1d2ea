#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QWidget>

// A shown, active top-level window for driving the edits: the control under test and a plain
// edit to move the focus to.
class VxTestWindow : public QWidget
{
public:
    VxTestWindow()
        : m_other(new QLineEdit(this))
    {
        resize(400, 300);
        m_other->setObjectName(QStringLiteral("Other"));
        m_other->move(10, 250);
    }

    bool ShowActive()
    {
        show();
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }

    QLineEdit *Other() const { return m_other; }

    // Moves the focus like the Tab key would and lets queued work run.
    bool FocusTo(QWidget *widget)
    {
        widget->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        return QTest::qWaitFor([widget] { return widget->hasFocus(); }, 1000);
    }

private:
    QLineEdit *m_other;
};

// Fixes the locale for the texts of a test and puts the previous one back.
class ScopedLocale
{
public:
    explicit ScopedLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

private:
    QLocale m_previous;
};
