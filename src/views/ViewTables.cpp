#include "views/ViewTables.h"

namespace ViewTables {

QSize zoomSize(int zoomMode)
{
    // Mode 4 is the half size; there is no mode 0.
    switch (zoomMode) {
    case 1: return {352, 288};
    case 2: return {528, 432};
    case 3: return {704, 576};
    case 4: return {176, 144};
    default: return {};
    }
}

QRect quadCell(int index)
{
    return QRect((index % 2) * 352, (index / 2) * 288, 352, 288);
}

QList<QRect> nineGrid(const QSize &panel)
{
    const int w = panel.width() / 3;
    const int h = panel.height() / 3;
    QList<QRect> cells;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            cells.append(QRect(col * w, row * h, w, h));
    return cells;
}

} // namespace ViewTables
