#pragma once

// When a stream is given up on and retried. Tests shorten them.
struct StreamTimings
{
    // Nothing at all arrived for this long (also while connecting): the
    // camera is dropped and asked again. A camera that keeps sending,
    // however slowly, is never dropped; the part bound still holds.
    int byteStallMs = 10000;
    int backoffStartMs = 500;  // first retry; doubles per failure
    int backoffMaxMs = 8000;
    int stillRefetchMs = 1000;  // a single-picture address is fetched again
    // Packets keep coming but no picture for this long (an RTSP camera
    // whose video does not decode, or whose pictures never end): the
    // camera is dropped and asked again.
    int pictureStallMs = 20000;
};
