#include "config/CameraEntry.h"

#include "config/LineList.h"

void CameraEntry::writeInto(LineList &dialogList, LineList &cameraList) const
{
    const int streamLine = camera;
    const int stillLine = camera + LineList::StillLineOffset;
    const int nameLine = camera + LineList::NameLineOffset;
    dialogList.setText(streamLine, stream);
    cameraList.setText(streamLine, stream);
    dialogList.setText(stillLine, still);
    cameraList.setText(stillLine, still);
    cameraList.setText(nameLine, name);
    dialogList.setText(nameLine, name);
}
