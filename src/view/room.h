#pragma once

// The room around the puzzle: a marble floor 4 units square, two bamboo
// stands joined by a carpet-lined trough, and the one light, which turns
// with them. Everything is drawn with the view's textures and lists, which
// the view owns; the floor in world units, the rest under the furniture's
// scale (view/roomcamera.h).

#include <QString>
#include <qopengl.h>

#include <array>

namespace room {

// A missing picture gives a white texture: the surface keeps its plain colour.
GLuint loadTexture(const QString &fileName);

// A box's centre and signed half extents.
struct Box
{
    float cx, cy, cz, hx, hy, hz;
};
// The stands' legs and tops about the furniture's origin, as drawn.
std::array<Box, 10> furnitureBoxes(const float origin[3]);
// A display list of the box, its faces' normals outward whatever the signs.
GLuint makeBox(const Box &box);

// Set every frame after the camera, so that the light is fixed to the room.
void setupLighting();
void drawFloor(GLuint marbleTexture);
void drawFurniture(const GLuint lists[10], const float origin[3], GLuint bambooTexture,
                   GLuint carpetTexture);

} // namespace room
