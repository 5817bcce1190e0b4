#pragma once

// Which way a closed mesh's triangles turn, seen from outside. A mesh is
// closed when its triangles run along every edge as often one way as the
// other (most edges once each way; where simplifying pinched the surface,
// twice): then it encloses its inside, any triangle turned away from the
// eye lies behind others, and the renderer can skip it unseen. Anything
// else (a hole, a turned triangle, a part inside out, no volume) is open
// and must be drawn whole.

#include "pieces/md2format.h"

enum class MeshFacing { Open, CounterClockwise, Clockwise };

// The triangles of `frame` of the model; Open for a frame it does not have.
MeshFacing meshFacing(const Md2Model &model, int frame);
