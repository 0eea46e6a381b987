#include "bar/BarLayout.h"

namespace BarLayout {

const QList<Control> &controls()
{
    static const QList<Control> table = {
#define OCELLANE_BAR_ROW(name, kind, rect, caption, glyph, hint, hintShown, cursor, colour) \
    {#name, Kind::kind, rect, caption, Glyph::glyph, hint, hintShown, Cursor::cursor, colour},
        OCELLANE_BAR_CONTROLS(OCELLANE_BAR_ROW)
#undef OCELLANE_BAR_ROW
    };
    return table;
}

const QList<MenuItem> &menu()
{
    static const QList<MenuItem> table = {
#define OCELLANE_BAR_ITEM(name, depth, caption, kind, shortcut) {#name, depth, caption, MenuKind::kind, shortcut},
        OCELLANE_BAR_MENU(OCELLANE_BAR_ITEM)
#undef OCELLANE_BAR_ITEM
    };
    return table;
}

} // namespace BarLayout
