#pragma once

// The puzzle sets: each piece is modelled in anatomical coordinates
// (x towards the body's left, y up towards the head, z forwards; metres of
// a life-sized adult) and then laid into the set's scene frame.

#include "modelling.h"

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
    float zoom = 1.0f; // above 1: the top of the figure fills the card
};

// A body's pieces are split among sets where one drop point would fit two
// of them (a box of at least 0.02 each way around every target must hold
// no other target); the sets of one body share its ghost, scale and place.
struct PuzzleSet
{
    QString fileBase; // sets/<fileBase>.xml and sets/<fileBase>.png
    QString name;     // shown under the icons
    PieceModel shape;
    V3 shapePos; // where the ghost's box centre stands in the room
    std::vector<PieceModel> parts;
    IconView icon;
    QString towardsHead, towardsLeft; // the room's axes the body's head and left point along
};

// One set of a body laid into the room in `frame`: its ghost at `at` and
// the pieces it takes.
PuzzleSet bodySet(const char *fileBase, const char *name, const PieceModel &shape, V3 at,
                  Frame frame, std::vector<PieceModel> parts, IconView icon = {});

// Every set; the first (the organs) gives the logo its heart, the sets
// named "skeleton" and "spine" the loading screen its bones.
std::vector<PuzzleSet> buildSets();

// The sets modelled in their own files, a body's sets each. The arm sets
// take the humerus already meshed for the skeleton.
std::vector<PuzzleSet> heartSets();
std::vector<PuzzleSet> armSets(const Mesh &humerus);
