#include "game/missplace.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <cmath>

namespace missplace {

const PieceRecord *placeDroppedOn(const GameEngine &engine, float x, float y)
{
    const PieceRecord *nearest = nullptr;
    float nearestDistance = 0;
    const auto consider = [&](const PieceRecord *piece) {
        if (piece == engine.current || piece->name.isEmpty() || !engine.fitsAt(*piece, x, y))
            return;
        const float distance =
            std::hypot(piece->posX() + engine.offsetX - x, piece->posY() + engine.offsetY - y);
        if (!nearest || distance < nearestDistance) {
            nearest = piece;
            nearestDistance = distance;
        }
    };
    for (const PieceRecord *piece : engine.remaining)
        consider(piece);
    for (const PieceRecord *piece : engine.placed)
        consider(piece);
    return nearest;
}

QString missText(const PieceRecord *placeOf, Difficulty difficulty)
{
    if (!placeOf || !namesBeforeFit(difficulty))
        return QStringLiteral("Not here");
    return QStringLiteral("That is where the %1 goes").arg(nameInSentence(placeOf->name));
}

QString nameInSentence(const QString &name)
{
    const QString firstWord = name.section(QLatin1Char(' '), 0, 0);
    bool capitalsInside = false;
    for (qsizetype i = 1; i < firstWord.size(); ++i)
        capitalsInside = capitalsInside || firstWord.at(i).isUpper() || firstWord.at(i).isDigit();
    // A lone capital ("A band") is a letter that names, not a word's start.
    if (firstWord.isEmpty() || capitalsInside || firstWord.size() == 1)
        return name;
    QString sentence = name;
    sentence[0] = sentence.at(0).toLower();
    return sentence;
}

} // namespace missplace
