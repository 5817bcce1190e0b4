#pragma once

// The bones of a right upper limb in the anatomical position (palm
// forwards, thumb out), in a frame whose origin is the centre of the
// humeral head (x towards the body's left, i.e. medial; y up; z forwards).
// The arm set shows them one by one; the skeleton scales them into its own
// arms.

#include "mesher.h"

#include <utility>
#include <vector>

namespace arm {
// Where the elbow and the wrist sit, and each ray of the hand's knuckle
// (head of the metacarpal) and tip, thumb first.
V3 elbow();
V3 wrist();
std::vector<std::pair<V3, V3>> fingers();

Shape humerus();
Shape ulna();
Shape radius();
Shape carpals();
// Metacarpals and phalanges as swept bones: `sides` around, `rings` along
// each bone (fewer for the small hands of the skeleton).
Mesh metacarpals(int sides, int rings);
Mesh phalanges(int sides, int rings);
} // namespace arm
