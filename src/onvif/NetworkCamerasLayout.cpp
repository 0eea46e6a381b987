#include "onvif/NetworkCamerasLayout.h"

namespace NetworkCamerasLayout {

const QList<Control> &controls()
{
#define OCELLANE_NETWORK_CAMERAS_ROW(name, kind, rect, text) {#name, Kind::kind, rect, text},
    static const QList<Control> table = {OCELLANE_NETWORK_CAMERAS_CONTROLS(OCELLANE_NETWORK_CAMERAS_ROW)};
#undef OCELLANE_NETWORK_CAMERAS_ROW
    return table;
}

namespace {
struct MessageRow
{
    const char *key;
    const char *french;
};
#define OCELLANE_NETWORK_CAMERAS_MESSAGE_ROW(key, text) {#key, text},
constexpr MessageRow messageRows[] = {OCELLANE_NETWORK_CAMERAS_MESSAGES(OCELLANE_NETWORK_CAMERAS_MESSAGE_ROW)};
#undef OCELLANE_NETWORK_CAMERAS_MESSAGE_ROW
} // namespace

const char *messageKey(Message message)
{
    return messageRows[int(message)].key;
}

const char *frenchText(Message message)
{
    return messageRows[int(message)].french;
}

} // namespace NetworkCamerasLayout
