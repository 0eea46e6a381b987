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

void CameraEntry::writeWithSubStreamInto(LineList &dialogList, LineList &cameraList) const
{
    dialogList.extendTo(LineList::ExtendedLineCount);
    cameraList.extendTo(LineList::ExtendedLineCount);
    writeInto(dialogList, cameraList);
    const int subStreamLine = camera + LineList::SubStreamLineOffset;
    dialogList.setText(subStreamLine, subStream);
    cameraList.setText(subStreamLine, subStream);
}
