#pragma once

#include "onvif/OnvifTypes.h"

// Which profiles feed the main stream and the sub-stream: the main one
// has the largest picture; the sub one the smallest at least
// kMinSubWidth wide, never the main one. -1 where there is none.
namespace ProfileChoice {

constexpr int kMinSubWidth = 320;

struct Choice
{
    int main = -1, sub = -1;
};

Choice choose(const QList<OnvifProfile> &profiles);

} // namespace ProfileChoice
