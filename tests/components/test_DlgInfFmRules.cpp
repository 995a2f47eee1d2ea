#include "components/DlgInfFm.h"

#include <QLocale>

#include <gmock/gmock.h>

TEST(DlgInfoPlacement, CentresInTheWholeWindowOrInAQuarter)
{
    const QRect main(100, 100, 800, 600);
    const QSize dialog(472, 113);
    EXPECT_EQ(DlgInfoPlacement(main, dialog, dlBottomRight), QPoint(464, 494));
    EXPECT_EQ(DlgInfoPlacement(main, dialog, dlCenter), QPoint(264, 344));
    EXPECT_EQ(DlgInfoPlacement(main, dialog, dlTopLeft), QPoint(64, 194));
    EXPECT_EQ(DlgInfoPlacement(main, dialog, dlTopRight), QPoint(464, 194));
    EXPECT_EQ(DlgInfoPlacement(main, dialog, dlBottomLeft), QPoint(64, 494));
    // Odd sizes truncate toward zero at each division; the result is not clamped.
    EXPECT_EQ(DlgInfoPlacement(QRect(0, 0, 101, 51), QSize(473, 113), dlBottomRight),
        QPoint(50 + 25 - 236, 25 + 12 - 56));
    EXPECT_EQ(
        DlgInfoPlacement(QRect(-300, -50, 200, 100), dialog, dlCenter), QPoint(-200 - 236, 0 - 56));
}

TEST(ElapsedTimeText, OneDecimalInSixCharactersWithTheLocaleSeparator)
{
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(ElapsedTimeText(1000, 1000 + 12345), QStringLiteral("  12.3 secs"));
    EXPECT_EQ(ElapsedTimeText(0, 0), QStringLiteral("   0.0 secs"));
    EXPECT_EQ(ElapsedTimeText(0, 1234567), QStringLiteral("1234.6 secs"));
    EXPECT_EQ(ElapsedTimeText(0, 12345678), QStringLiteral("12345.7 secs"));
    // The tick counter wrapped around between start and now.
    EXPECT_EQ(ElapsedTimeText(0xFFFFF000u, 0x00001000u), QStringLiteral("   8.2 secs"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ElapsedTimeText(0, 12345), QStringLiteral("  12,3 secs"));
    QLocale::setDefault(previous);
}

TEST(TDlgInfo, DefaultsAndPresets)
{
    TDlgInfo dialog(nullptr, QStringLiteral("DlgTest"));
    EXPECT_TRUE(dialog.animate());
    EXPECT_TRUE(dialog.bar());
    EXPECT_FALSE(dialog.time());
    EXPECT_EQ(dialog.caption(), QString());
    EXPECT_EQ(dialog.dialogType(), dtCustom);
    EXPECT_EQ(dialog.location(), dlCenter);
    EXPECT_EQ(dialog.min(), 0);
    EXPECT_EQ(dialog.max(), 0);
    EXPECT_EQ(dialog.position(), 0);

    const struct
    {
        TDlgType type;
        bool bar;
        const char *caption;
    } presets[] = {
        { dtAppInit, false, "Application Initialising..." },
        { dtAppDeInit, false, "De-Initialising Application..." },
        { dtPosting, false, "Posting..." },
        { dtValidating, false, "Validating..." },
        { dtFinalising, false, "Finalising..." },
        { dtDeleting, true, "Deleting..." },
    };
    for (const auto &preset : presets) {
        dialog.setAnimate(false);
        dialog.setBar(!preset.bar);
        dialog.setTime(false);
        dialog.setDialogType(preset.type);
        EXPECT_TRUE(dialog.animate()) << preset.caption;
        EXPECT_EQ(dialog.bar(), preset.bar) << preset.caption;
        EXPECT_TRUE(dialog.time()) << preset.caption;
        EXPECT_EQ(dialog.caption(), QString::fromLatin1(preset.caption));
    }

    // Back to custom: the component's name, animation and bar on, time off.
    dialog.setAnimate(false);
    dialog.setBar(false);
    dialog.setDialogType(dtCustom);
    EXPECT_EQ(dialog.caption(), QStringLiteral("DlgTest"));
    EXPECT_TRUE(dialog.animate());
    EXPECT_TRUE(dialog.bar());
    EXPECT_FALSE(dialog.time());
}

TEST(TDlgInfo, SettingTheCurrentTypeAgainKeepsTheLoadedValues)
{
    // How a stored custom dialog keeps its own caption and flags.
    TDlgInfo dialog(nullptr, QStringLiteral("DlgBuild"));
    dialog.setAnimate(false);
    dialog.setCaption(QStringLiteral("Building Query .."));
    dialog.setDialogType(dtCustom);
    EXPECT_FALSE(dialog.animate());
    EXPECT_EQ(dialog.caption(), QStringLiteral("Building Query .."));

    dialog.setDialogType(dtPosting);
    dialog.setCaption(QStringLiteral("Mine"));
    dialog.setDialogType(dtPosting);
    EXPECT_EQ(dialog.caption(), QStringLiteral("Mine"));
}
