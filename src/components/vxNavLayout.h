#pragma once

#include <QPoint>
#include <QSize>

#include <array>
#include <initializer_list>

// The navigator's twelve buttons, by ordinal.
enum TvxBrwButtons {
    brwNew,
    brwEdit,
    brwRemove,
    brwDone,
    brwCancel,
    brwTag,
    brwUdf1,
    brwUdf2,
    brwUdf3,
    brwUdf4,
    brwUdf5,
    brwClose,
};
constexpr int NavigatorButtonCount = 12;

// A set of navigator buttons.
class TvxBrwBtnSet
{
public:
    constexpr TvxBrwBtnSet() = default;
    constexpr TvxBrwBtnSet(std::initializer_list<TvxBrwButtons> buttons)
    {
        for (TvxBrwButtons button : buttons)
            m_bits |= bit(button);
    }
    constexpr bool contains(TvxBrwButtons button) const { return m_bits & bit(button); }
    constexpr void insert(TvxBrwButtons button) { m_bits |= bit(button); }
    constexpr void remove(TvxBrwButtons button) { m_bits &= ~bit(button); }
    constexpr bool operator==(const TvxBrwBtnSet &) const = default;

private:
    static constexpr unsigned bit(TvxBrwButtons button) { return 1u << unsigned(button); }
    unsigned m_bits = 0;
};

enum TOrientation { boVertical, boHorizontal };

// What the button arithmetic needs to know of the bar.
struct NavigatorMetrics
{
    QSize bar;
    int borderGap = 5;
    int buttonGap = 3;
    int buttonWidth = 61;
    int buttonHeight = 21;
    int indent = 0;
    bool separator = false;
    TOrientation orientation = boHorizontal;
    QSize picture;
    TvxBrwBtnSet allowed;
};

struct NavigatorPlaces
{
    std::array<QPoint, NavigatorButtonCount> buttons;
    QPoint picture;
};

// Places the buttons: New, Edit/Done, Remove/Cancel and Tag from the left edge, Close at the right
// edge, and the free buttons centred in the space between. Close and free buttons that are not
// allowed stay off the bar at (-width, -height); Done and Cancel share Edit's and Remove's slots.
// A vertical bar uses the same rule along its height.
NavigatorPlaces ArrangeNavigatorButtons(const NavigatorMetrics &metrics);
