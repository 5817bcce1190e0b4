#pragma once

// Which players have seen the how-to-play card, by their stored name, in a
// group of its own in the settings store ("howtoplay"): the player's own
// settings keep exactly their two keys.

#include <QString>

namespace cardseen {

bool seenBy(const QString &name);
void markSeen(const QString &name);

} // namespace cardseen
