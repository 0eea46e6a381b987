#pragma once

#include "camctl/CameraClient.h"

#include <QString>

// A camera's host name to a numeric address, in a way a cancel ends at
// once: the system's own lookup cannot be interrupted and may wait for the
// resolver's time-outs, so it runs on the C library's lookup thread
// (getaddrinfo_a) while the camera's thread waits for it or for its cancel.
// The address as given when it is numeric already.
namespace HostLookup {

// Empty when the name is not found or the attempt was cancelled, with the
// reason in *error.
QString numericAddress(const QString &host, Cancellation &cancellation, QString *error);

} // namespace HostLookup
