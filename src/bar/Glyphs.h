#pragma once

#include "bar/BarLayout.h"

#include <QIcon>

// The bar's button pictures, drawn by code at the screen's pixel ratio so
// they stay crisp on high-DPI screens.
namespace Glyphs {
QIcon icon(BarLayout::Glyph glyph, const QSize &size);
}
