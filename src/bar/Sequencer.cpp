#include "bar/Sequencer.h"

#include "config/LineList.h"

QString Sequencer::takeLine(const LineList &cameraList)
{
    // The position moves before the read, so a missing line is passed over
    // by the next tick instead of failing every tick from then on.
    const qint32 index = sequencePosition++;
    return cameraList.text(index);
}

void Sequencer::tick(const LineList &cameraList, Sink &sink)
{
    if (sequencePosition >= sequenceLength) {
        // The tick that closes a cycle shows nothing.
        sequencePosition = 0;
        return;
    }
    sink.setAddress(takeLine(cameraList));

    // Each test sees the position the steps before it left, so one tick
    // runs on past every skipped camera.
    for (int k = 1; k < CameraCount; ++k) {
        if (sequencePosition != k)
            continue;
        if (isIncluded(k)) {
            sink.showSingleView();
            sink.paintPanel(k, Red);
        } else {
            sink.setAddress(takeLine(cameraList));
        }
        const int previous = k == 1 ? CameraCount : k - 1;
        sink.paintPanel(previous, inclusionColour(previous));
    }

    if (sequencePosition == CameraCount) {
        if (isIncluded(CameraCount)) {
            sink.showSingleView();
            sink.paintPanel(CameraCount, Red);
        } else {
            sequencePosition = 0;
        }
        sink.paintPanel(CameraCount - 1, inclusionColour(CameraCount - 1));
    }
}

int Sequencer::toggle(int camera)
{
    qint32 &flag = sequenceIncluded.at(camera);
    flag = flag == 1 ? 0 : 1;
    return inclusionColour(camera);
}
