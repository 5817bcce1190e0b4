#include "game/piecenames.h"

#include "game/piecerecord.h"

QString shownName(const PieceRecord &piece, NameLanguage language)
{
    if (piece.latinName.isEmpty() || piece.name.isEmpty() || language == NameLanguage::English)
        return piece.name;
    if (language == NameLanguage::Latin)
        return piece.latinName;
    return piece.name + QStringLiteral(" (") + piece.latinName + QLatin1Char(')');
}
