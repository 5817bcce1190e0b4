#include "game/cardseen.h"

#include <QSettings>

namespace cardseen {
namespace {

// A name may hold anything a keyboard types, slashes and the store's own
// marks included: the key is the name's bytes in hex.
QString keyFor(const QString &name)
{
    return QStringLiteral("howtoplay/seen-") + QString::fromLatin1(name.toUtf8().toHex());
}

} // namespace

bool seenBy(const QString &name)
{
    return QSettings().value(keyFor(name), false).toBool();
}

void markSeen(const QString &name)
{
    QSettings().setValue(keyFor(name), true);
}

} // namespace cardseen
