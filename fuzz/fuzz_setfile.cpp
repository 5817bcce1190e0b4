// Set files: parsed as the chooser parses them, read for name and icon as the
// chooser reads them, then walked by the game engine into piece records.
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <QDomDocument>
#include <QDomElement>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QDomDocument document(QStringLiteral("set"));
    if (!document.setContent(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
        return 0;

    QString name;
    QString iconPath;
    for (QDomNode node = document.documentElement().firstChild(); !node.isNull();
         node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const QDomElement element = node.toElement();
        if (element.tagName() == QLatin1String("name"))
            name = element.text();
        else if (element.tagName() == QLatin1String("icon"))
            iconPath = QStringLiteral("sets/") + element.text();
    }

    // soundManager stays null: the engine then plays nothing.
    GameEngine engine(&document);
    for (const PieceRecord *piece : std::as_const(engine.remaining)) {
        if (!piece->fileName.isEmpty() && !piece->fileName.startsWith(QLatin1String("sets/")))
            std::abort();
        if (piece->particle || piece->displayList != 0)
            std::abort(); // nothing is built before the view asks for it
    }
    if (engine.progress() < 0 || engine.progress() > 100)
        std::abort();
    if (!engine.remaining.isEmpty()) {
        engine.takePiece(int(engine.remaining.size()) - 1);
        if (!engine.current)
            std::abort();
        // A drop far away from every target never fits.
        engine.tryFit(1e30f, -1e30f);
    }
    return 0;
}
