#pragma once

#include <QString>

class LineList;

// One camera's lines: the three the settings dialog's OK writes, and the
// sub-stream the network cameras window writes besides.
struct CameraEntry
{
    int camera = 0; // 0..8
    QString stream;
    QString still;
    QString name;
    QString subStream;

    // Writes into both lists in a fixed order: stream (dialog, then bar),
    // still image (dialog, then bar), name (bar, then dialog). A list too
    // short throws ListIndexError at the first line beyond its end; the
    // lines written before stay written.
    void writeInto(LineList &dialogList, LineList &cameraList) const;
    // The same four lines with the sub-stream after them, both lists first
    // extended to the lines a sub-stream needs, so nothing is beyond an end.
    void writeWithSubStreamInto(LineList &dialogList, LineList &cameraList) const;
};
