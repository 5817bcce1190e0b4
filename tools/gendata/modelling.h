#pragma once

// Helpers the anatomy models share: laying a model into a set's scene
// frame, mirroring, merging and moving meshes, thin swept tubes.

#include "mesher.h"

#include <QString>
#include <initializer_list>
#include <vector>

constexpr float pi = 3.14159265f;

// Lying on the back, head towards -y and the body's left away from the
// player; or standing up facing the player with its left to the right.
enum class Frame { Supine, Upright };

V3 toScene(V3 anatomical, Frame f);
// The room's axis ("+x" ... "-z") along which an anatomical direction
// points once laid into the frame: where a set says the head and the left lie.
QString sceneAxis(V3 anatomical, Frame f);
Mesh place(Mesh m, Frame f, float scale);
Mesh merge(std::initializer_list<Mesh> parts);
// The mesh with `from` tissue drawn in `to` instead: a neighbour's shade.
Mesh tinted(Mesh m, int from, int to);
// Mirrors across x = 0 (the body's midline), then shifts.
Mesh mirrored(Mesh m, V3 shift);
// Turns about `pivot` by angle (degrees) around an axis, scales about the
// pivot, then moves the pivot to `to`.
Mesh transformed(Mesh m, V3 pivot, V3 axis, float degrees, float scale, V3 to);

// A round tube along the path, its radius going from r0 to r1.
Mesh sweepRound(const std::vector<V3> &path, float r0, float r1, int sides, int tissue,
                V3 side = {0, 0, 1});

// A blade of bone (an iliac wing, a shoulder blade) too thin for the
// mesher's grid. The closed outline through `keys` (resampled to `count`
// points) is filled towards its middle, each face `half` off the middle
// surface, which bulges by up to `cup` along `normal` (hollowing the other
// face); the border is rounded, its half thickness given per key (a crest
// along part of it).
Mesh blade(const std::vector<V3> &keys, const std::vector<float> &border, int count, V3 normal,
           float half, float cup, int tissue);

// A thin plate (half thickness `half`) through `o` across `n`, kept only
// where dot(p - o2, n2) < 0: carves fissures and grooves.
Shape plate(V3 o, V3 n, float half, V3 o2, V3 n2, Box box);

// The point of the surface of `s` nearest p, lifted off it by `lift`: lays
// vessels on an organ.
V3 onSurface(const Shape &s, V3 p, float lift);
