#pragma once

// The layouts name Windows fonts. Map them to free look-alikes of the same
// widths so every caption fits its control as designed.
namespace Fonts {
void installSubstitutions();
}
