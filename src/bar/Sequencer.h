#pragma once

#include "base/CameraCount.h"

#include <QString>
#include <QtGlobal>

#include <array>

class LineList;

// The camera sequencer's state and its steps, free of widgets. The bar owns
// one and applies what each step asks for through a Sink, in the order the
// step asks for it, so that whatever a step did before a failing list read
// is already on screen when the error is shown.
class Sequencer
{
public:
    static constexpr int CameraCount = kCameraCount;

    // Colour values as stored: red in the low byte.
    static constexpr int Red = 255;
    static constexpr int White = 16777215;
    static constexpr int Grey = 8421504;
    static constexpr int Lime = 65280;
    static constexpr int Silver = 12632256;

    // What a step does to the bar, one call per effect.
    class Sink
    {
    public:
        virtual ~Sink() = default;
        virtual void setAddress(const QString &address) = 0;
        virtual void showSingleView() = 0;
        // camera: 1..9, the inclusion panel of that camera.
        virtual void paintPanel(int camera, int colour) = 0;
    };

    // How far the cycle has gone: k after a tick that showed camera k.
    qint32 sequencePosition = 0;
    // Bounds only the wrap test of the tick; never changed.
    const qint32 sequenceLength = CameraCount;
    // Indexed 1..9 (0 unused); only the value 1 counts as included.
    std::array<qint32, CameraCount + 1> sequenceIncluded{0, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    bool isIncluded(int camera) const { return sequenceIncluded.at(camera) == 1; }
    // White for an included camera, grey for a skipped one.
    int inclusionColour(int camera) const { return isIncluded(camera) ? White : Grey; }

    // One timer step. A missing list line throws ListIndexError after the
    // position has already moved past it.
    void tick(const LineList &cameraList, Sink &sink);

    // Flips camera k's inclusion (1 becomes 0, anything else 1) and returns
    // the colour its panel takes.
    int toggle(int camera);

private:
    QString takeLine(const LineList &cameraList);
};
