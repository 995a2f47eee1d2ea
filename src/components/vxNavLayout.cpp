#include "components/vxNavLayout.h"

NavigatorPlaces ArrangeNavigatorButtons(const NavigatorMetrics &m)
{
    const bool horizontal = m.orientation == boHorizontal;
    // Lengths along the bar and across it.
    const int length = horizontal ? m.bar.width() : m.bar.height();
    const int depth = horizontal ? m.bar.height() : m.bar.width();
    const int along = horizontal ? m.buttonWidth : m.buttonHeight;
    const int across = horizontal ? m.buttonHeight : m.buttonWidth;
    const int pictureDepth = horizontal ? m.picture.height() : m.picture.width();
    const int g = m.buttonGap;
    auto point = [horizontal](int a, int c) { return horizontal ? QPoint(a, c) : QPoint(c, a); };

    NavigatorPlaces places;
    places.buttons.fill(QPoint(-m.buttonWidth, -m.buttonHeight));
    const int lift = m.separator ? 2 : 0;
    const int y = (depth - across) / 2 + lift;
    auto allowed = [&m](TvxBrwButtons b) { return m.allowed.contains(b); };

    int x = m.borderGap + m.indent;
    places.buttons[brwNew] = point(x, y);
    if (allowed(brwNew))
        x += along + g;
    places.buttons[brwEdit] = places.buttons[brwDone] = point(x, y);
    if (allowed(brwEdit) || allowed(brwDone))
        x += along + g;
    places.buttons[brwRemove] = places.buttons[brwCancel] = point(x, y);
    if (allowed(brwRemove) || allowed(brwCancel))
        x += along + g;
    places.buttons[brwTag] = point(x, y);
    if (allowed(brwTag))
        x += along + g;
    places.picture = point(x + g, (depth - pictureDepth) / 2 + lift);
    const int left = x;

    int right = length - along - m.borderGap;
    if (allowed(brwClose)) {
        places.buttons[brwClose] = point(right, y);
        right -= along + g;
    }

    int n = 0;
    for (int b = brwUdf1; b <= brwUdf5; ++b)
        n += allowed(TvxBrwButtons(b)) ? 1 : 0;
    if (n > 0) {
        int start = (right - left - ((n - 1) * g + n * along)) / 2 + left + along / 2;
        for (int b = brwUdf1; b <= brwUdf5; ++b) {
            if (!allowed(TvxBrwButtons(b)))
                continue;
            places.buttons[b] = point(start, y);
            start += along + g;
        }
    }
    return places;
}
