#pragma once

// The puzzle sets: each piece is modelled in anatomical coordinates
// (x towards the body's left, y up towards the head, z forwards; metres of
// a life-sized adult) and then laid into the set's scene frame.

#include "mesher.h"

#include <QString>
#include <vector>

struct PieceModel
{
    QString file; // file name under sets/bodyparts/
    QString name; // the piece's English name, as the set file gives it
    Mesh mesh;    // in the set's scene frame, scene units
};

// How the set's icon (and the author's preview) looks at its pieces.
struct IconView
{
    float yaw = 90.0f;   // about the scene's z
    float pitch = 78.0f; // looking down from above
    float margin = 0.06f;
    float zoom = 1.0f;   // above 1: the top of the figure fills the card
};

struct PuzzleSet
{
    QString fileBase; // sets/<fileBase>.xml and sets/<fileBase>.png
    QString name;     // shown under the icons
    PieceModel shape;
    V3 shapePos;      // where the ghost's box centre stands in the room
    std::vector<PieceModel> parts;
    IconView icon;
};

// Every set; the first two (organs, skeleton) also give the logo and the
// loading screen their pictures.
std::vector<PuzzleSet> buildSets();

// The sets modelled in their own files. The arm set takes the humerus
// already meshed for the skeleton.
PuzzleSet heartSet();
PuzzleSet armSet(const Mesh &humerus);
