#pragma once

#include "ProbeOptions.h"

// The probe's ONVIF modes, each running the event loop until it is done;
// the exit code is what they return.
namespace OnvifProbe {

// Lists the devices that answer a search: 0 when one did at least, 1 with
// "no device answered" otherwise, so a script can tell.
int discover(const ProbeOptions &options);

// Prints what one device says and the addresses the program would write.
int query(const ProbeOptions &options);

} // namespace OnvifProbe
