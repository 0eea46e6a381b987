#pragma once

// The cameras of the camera list and of the bar, the nine-camera window's
// cells and the demo camera's camera numbers: nine, written here only.
inline constexpr int kCameraCount = 9;
