#include "app/Fonts.h"

#include <QFont>
#include <QStringList>

namespace Fonts {

void installSubstitutions()
{
    // Verdana is a wide humanist sans: DejaVu Sans (Bitstream Vera) was
    // drawn on the same metrics. Arial and MS Sans Serif: Liberation Sans
    // is metric-compatible with Arial. Comic Sans MS: Comic Neue.
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                               {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")});
}

} // namespace Fonts
