#pragma once

#include "camctl/StreamEngine.h"

// Stream timings short enough that stalls, retries and refetches happen
// within a test's bounded waits.
inline StreamTimings quickTimings()
{
    StreamTimings t;
    t.byteStallMs = 400;
    t.backoffStartMs = 40;
    t.backoffMaxMs = 160;
    t.stillRefetchMs = 50;
    return t;
}

// The same, for tests whose camera must be kept: a stall long enough that
// only a silent camera ends it, not a loaded machine under the sanitizers.
inline StreamTimings patientTimings()
{
    StreamTimings t = quickTimings();
    t.byteStallMs = 5000;
    return t;
}
