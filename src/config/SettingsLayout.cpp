#include "config/SettingsLayout.h"

namespace SettingsLayout {

const QList<Control> &controls()
{
    static const QList<Control> rows{
#define OCELLANE_SETTINGS_ROW(name, kind, rect, text, hint, visible, ...) \
    {#name, Kind::kind, rect, text, {__VA_ARGS__}, hint, visible},
        OCELLANE_SETTINGS_CONTROLS(OCELLANE_SETTINGS_ROW)
#undef OCELLANE_SETTINGS_ROW
    };
    return rows;
}

} // namespace SettingsLayout
