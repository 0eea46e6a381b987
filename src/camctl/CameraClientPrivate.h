#pragma once

// What the camera client holds now, for tests and benchmarks only.
namespace CameraClientPrivate {

// Camera threads not yet joined whose attempts are still at work
// (cancelled ones that have not ended included).
int runningThreads();

} // namespace CameraClientPrivate
