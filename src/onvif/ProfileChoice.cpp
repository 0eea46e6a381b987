#include "onvif/ProfileChoice.h"

namespace ProfileChoice {

Choice choose(const QList<OnvifProfile> &profiles)
{
    auto area = [&](qsizetype i) { return qint64(profiles[i].width) * profiles[i].height; };
    Choice c;
    // The first of equals wins: devices list their preferred profile first.
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        if (c.main < 0 || area(i) > area(c.main))
            c.main = int(i);
    }
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        if (i == c.main || profiles[i].width < kMinSubWidth)
            continue;
        if (c.sub < 0 || area(i) < area(c.sub))
            c.sub = int(i);
    }
    return c;
}

} // namespace ProfileChoice
