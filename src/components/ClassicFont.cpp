#include "components/ClassicFont.h"

#include <QStringList>

QFont ClassicSansFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
        QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans") });
    return font;
}
