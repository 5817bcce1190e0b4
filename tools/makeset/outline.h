#pragma once

// The ghost of a set made from its pieces alone: the surface a little way
// out from all of them, so that neighbours close together merge into one
// smooth body.

#include "mesher.h"

#include <vector>

namespace makeset {

// The outline `margin` (a fraction of the pieces' longest extent) away from
// the pieces' solids, as one mesh of at most `maxVertices`. Empty when the
// pieces have no extent.
Mesh outlineOf(const std::vector<const Mesh *> &pieces, float margin, int maxVertices);

} // namespace makeset
