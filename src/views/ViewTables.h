#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// The view windows' tables as data.
namespace ViewTables {

// The single view's outer size for a zoom mode; an invalid size for a
// value outside 1..4 (which leaves the window's size as it is).
QSize zoomSize(int zoomMode);

// The quad view: four 352 x 288 controls, two above two.
inline constexpr QSize QuadClient(704, 576);
QRect quadCell(int index); // index 0..3: CamImage1..CamImage4

// The nine-camera view's grid for a Panel1 of the given size: nine equal
// cells of (width / 3) x (height / 3), integer division, laid from the
// top-left corner; the remainder stays uncovered. Cells in camera order
// (CamImage1..CamImage9), row by row.
QList<QRect> nineGrid(const QSize &panel);

} // namespace ViewTables
