#pragma once

#include <array>

namespace OnvifSim {

// The device's media profiles, the same for both media services.
struct VideoProfile
{
    enum Stream { Main, Sub };
    const char *token;
    Stream stream;
    int width;
    int height;
    int fps;
    int bitrateKbps;
    int govLength;
};

constexpr std::array<VideoProfile, 2> kVideoProfiles{{
    {"main", VideoProfile::Main, 1920, 1080, 25, 4096, 50},
    {"sub", VideoProfile::Sub, 640, 360, 25, 512, 50},
}};

} // namespace OnvifSim
