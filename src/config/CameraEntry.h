#pragma once

#include <QString>

class LineList;

// One camera's three lines as the settings dialog's OK writes them.
struct CameraEntry
{
    int camera = 0; // 0..8
    QString stream;
    QString still;
    QString name;

    // Writes into both lists in a fixed order: stream (dialog, then bar),
    // still image (dialog, then bar), name (bar, then dialog). A list too
    // short throws ListIndexError at the first line beyond its end; the
    // lines written before stay written.
    void writeInto(LineList &dialogList, LineList &cameraList) const;
};
