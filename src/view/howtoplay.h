#pragma once

// The how-to-play card: a few lines on taking, carrying and dropping a piece,
// the controls and what the difficulties give, each beside a small picture
// from the data directory. Drawn over the view's frame, as nothing else can
// be drawn over the view's native window.

#include <QImage>
#include <QStringList>

namespace howtoplay {

// The card's lines, first the heading and last how to close it.
QStringList lines();
// The card painted whole, at most `maxWidth` of the view's pixels wide (its
// lines wrap to fit), times `ratio`: dark glass with light text, a missing
// picture leaving its place empty.
QImage cardPicture(qreal ratio, int maxWidth);

} // namespace howtoplay
