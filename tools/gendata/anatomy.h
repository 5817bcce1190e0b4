#pragma once

// The puzzle sets: each piece is modelled in anatomical coordinates
// (x towards the body's left, y up towards the head, z forwards; metres of
// a life-sized adult) and then laid into the set's scene frame.

#include "mesher.h"

#include <QString>
#include <vector>

struct PieceModel
{
    QString file;  // file name under sets/bodyparts/
    QString title; // for the author's eyes only (an XML comment)
    Mesh mesh;     // in the set's scene frame, scene units
};

struct PuzzleSet
{
    QString fileBase; // sets/<fileBase>.xml and sets/<fileBase>.png
    QString name;     // shown under the icons
    PieceModel shape;
    V3 shapePos;      // where the ghost's box centre stands in the room
    std::vector<PieceModel> parts;
};

std::vector<PuzzleSet> buildSets();
