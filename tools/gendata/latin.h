#pragma once

// The Latin anatomical name (Terminologia Anatomica) of every piece and
// shape the generator names, by its English name.

#include <QList>
#include <QString>
#include <utility>

namespace Latin {

// The Latin name of the piece or shape called `english`; empty when the
// table has none.
QString name(const QString &english);

// The whole table, English then Latin, in the order of the sets.
const QList<std::pair<QString, QString>> &table();

} // namespace Latin
