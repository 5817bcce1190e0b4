#pragma once

#include <QDomNode>
#include <QString>
#include <qopengl.h>

class Particle;

// One piece of a puzzle set (a "part" element) or the set's reference body
// (the "shape" element). Reading the element never fails: absent keys keep
// their defaults and text that is not a number reads as 0.
class PieceRecord
{
public:
    explicit PieceRecord(QDomNode element);
    ~PieceRecord();

    PieceRecord(const PieceRecord &) = delete;
    PieceRecord &operator=(const PieceRecord &) = delete;

    float posX() const { return pose.posX; }
    float posY() const { return pose.posY; }
    float posZ() const { return pose.posZ; }
    float rotX() const { return pose.rotX; }
    float rotY() const { return pose.rotY; }
    float rotZ() const { return pose.rotZ; }
    float scale() const { return pose.scale; }
    // The scale the piece is drawn at: sets leave the key out or write 0
    // for "unscaled", and both mean 1.
    float drawnScale() const { return pose.scale == 0.0f ? 1.0f : pose.scale; }

    // Creates the particle (skin and mesh) and compiles the display list.
    // Needs the view's GL context current.
    void build();
    // Calls the display list.
    void draw() const;
    // Whether the mesh is closed (pieces/meshfacing.h): drawn opaque, its
    // triangles turned away from the eye may be culled. The display list
    // says which way its triangles turn.
    bool closed() const { return closedMesh; }
    // Deletes the display list and the skin texture. Needs the same GL
    // context current as build(); safe to call when nothing was built.
    void releaseGl();

    float halfSizeX() const;
    float halfSizeY() const;
    float halfSizeZ() const;

    // Model path: "sets/" followed by the "filename" text, empty without one.
    QString fileName;
    // What the player is told the piece is ("Liver"); empty without one.
    QString name;
    // Its Latin anatomical name ("Hepar"), shown when the player asks for
    // Latin; empty without one.
    QString latinName;
    GLuint displayList = 0;
    Particle *particle = nullptr; // owned
    bool closedMesh = false;

    struct Pose
    {
        float rotX = 0, rotY = 0, rotZ = 0;
        float posX = 0, posY = 0, posZ = 0;
        float scale = 1;
    };
    Pose pose;
};
