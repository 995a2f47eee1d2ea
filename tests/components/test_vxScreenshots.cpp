#include "components/vxCalendar.h"
#include "components/vxPopCal.h"

#include "support/TempDir.h"
#include "util/UtilMisc.h"
#include "vxTestWindow.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

// Renders the date edit unfocused, focused and with its calendar open, into
// $VELLORAN_SCREENSHOT_DIR when set (a temporary folder otherwise), for a person to look at.
TEST(DateEditScreenshots, UnfocusedFocusedAndOpen)
{
    ScopedLocale locale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    TempDir temp;
    const QString folder = qEnvironmentVariableIsSet("VELLORAN_SCREENSHOT_DIR")
        ? qEnvironmentVariable("VELLORAN_SCREENSHOT_DIR")
        : temp.path();
    QDir().mkpath(folder);

    VxTestWindow window;
    window.resize(260, 200);
    auto *label = new QLabel(QStringLiteral("Date From:"), &window);
    label->move(10, 12);
    auto *edit = new TvxDateEdit(&window);
    edit->setObjectName(QStringLiteral("EdtDateFrom"));
    edit->setGeometry(90, 10, 76, 19);
    auto *wide = new TvxDateEdit(&window);
    wide->setGeometry(90, 40, 110, 19);
    wide->SetValue(NumberFromDate(QDate(2008, 12, 31)));
    edit->SetValue(NumberFromDate(QDate(2011, 1, 18)));
    ASSERT_TRUE(window.ShowActive());

    const auto save = [&](const QImage &image, const char *name) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return image;
    };

    window.Other()->setFocus();
    QCoreApplication::processEvents();
    const QImage unfocused = save(window.grab().toImage(), "dateedit-unfocused.png");

    ASSERT_TRUE(window.FocusTo(edit));
    const QImage focused = save(window.grab().toImage(), "dateedit-focused.png");
    EXPECT_NE(unfocused, focused);

    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(edit->DroppedDown());
    // The drop-down is a window of its own: paint it where it stands over the window.
    QImage open = window.grab().toImage();
    {
        QPainter painter(&open);
        const QPoint at = window.mapFromGlobal(edit->PopupCalendar()->pos());
        painter.drawPixmap(at, edit->PopupCalendar()->grab());
    }
    save(open, "dateedit-open.png");
    save(edit->PopupCalendar()->grab().toImage(), "dateedit-calendar.png");

    // The title band is navy across the calendar's width.
    const QImage calendar = edit->PopupCalendar()->grab().toImage();
    EXPECT_EQ(calendar.pixelColor(calendar.width() / 2 - 40, 3), QColor(0, 0, 128));
}
