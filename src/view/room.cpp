#include "view/room.h"

#include <QImage>

#include <GL/glu.h>

#include <initializer_list>
#include <utility>

namespace room {
namespace {

// A corner of a quad: its texture coordinate, then its place.
struct Corner
{
    float s, t, x, y, z;
};

// One textured quad of its own, with one normal.
void quad(float nx, float ny, float nz, std::initializer_list<Corner> corners)
{
    glBegin(GL_QUADS);
    glNormal3f(nx, ny, nz);
    for (const Corner &c : corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
}

} // namespace

GLuint loadTexture(const QString &fileName)
{
    QImage image(fileName);
    if (image.isNull()) {
        // A missing picture leaves the surface in its plain colour.
        image = QImage(1, 1, QImage::Format_RGBA8888);
        image.fill(Qt::white);
    }
    // QImage rows run top to bottom, GL rows bottom to top.
    image = image.convertToFormat(QImage::Format_RGBA8888).mirrored();

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    // Trilinear: the floor and the furniture are seen at a slant and from
    // afar, where plain linear filtering shimmers.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width(), image.height(), GL_RGBA,
                      GL_UNSIGNED_BYTE, image.constBits());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

std::array<Box, 10> furnitureBoxes(const float origin[3])
{
    const float ox = origin[0], oy = origin[1], oz = origin[2];
    const float leg = 0.01f, legHeight = -0.2f;
    const float topX = 0.21f, topY = 0.11f, topZ = -0.12f;
    return {{
        {ox - 0.2f, oy - 0.3f, oz + 0.2f, leg, leg, legHeight},
        {ox - 0.2f, oy - 0.1f, oz + 0.2f, leg, leg, legHeight},
        {ox + 0.2f, oy - 0.3f, oz + 0.2f, leg, leg, legHeight},
        {ox + 0.2f, oy - 0.1f, oz + 0.2f, leg, leg, legHeight},
        {ox, oy - 0.2f, oz + 0.5f, topX, topY, topZ},
        {ox - 0.2f, oy + 0.7f, oz + 0.2f, leg, leg, legHeight},
        {ox - 0.2f, oy + 0.9f, oz + 0.2f, leg, leg, legHeight},
        {ox + 0.2f, oy + 0.7f, oz + 0.2f, leg, leg, legHeight},
        {ox + 0.2f, oy + 0.9f, oz + 0.2f, leg, leg, legHeight},
        {ox, oy + 0.8f, oz + 0.5f, topX, topY, topZ},
    }};
}

GLuint makeBox(const Box &box)
{
    const float cx = box.cx, cy = box.cy, cz = box.cz, hx = box.hx, hy = box.hy, hz = box.hz;
    const GLfloat v[8][3] = {
        {cx + hx, cy + hy, cz + hz}, {cx + hx, cy - hy, cz + hz}, {cx - hx, cy - hy, cz + hz},
        {cx - hx, cy + hy, cz + hz}, {cx - hx, cy + hy, cz - hz}, {cx + hx, cy + hy, cz - hz},
        {cx + hx, cy - hy, cz - hz}, {cx - hx, cy - hy, cz - hz},
    };
    // Outward along each axis, whatever the sign of the half-extent.
    const float sx = hx < 0 ? -1.0f : 1.0f;
    const float sy = hy < 0 ? -1.0f : 1.0f;
    const float sz = hz < 0 ? -1.0f : 1.0f;

    // Each face with its texture coordinates and corners, as drawn.
    struct FaceCorner
    {
        float s, t;
        int v;
    };
    struct Face
    {
        float nx, ny, nz;
        FaceCorner corners[4];
    };
    const Face faces[6] = {
        {0, 0, sz, {{1, 1, 0}, {0, 0, 3}, {0, 1, 2}, {1, 1, 1}}},
        {-sx, 0, 0, {{1, 0, 3}, {1, 1, 4}, {0, 1, 7}, {0, 0, 2}}},
        {sx, 0, 0, {{1, 1, 0}, {1, 0, 5}, {0, 0, 6}, {0, 1, 1}}},
        {0, 0, -sz, {{0, 0, 5}, {0, 1, 4}, {1, 1, 7}, {1, 0, 6}}},
        {0, sy, 0, {{1, 1, 5}, {1, 0, 0}, {0, 0, 3}, {0, 1, 4}}},
        {0, -sy, 0, {{0, 1, 6}, {0, 0, 1}, {1, 0, 2}, {1, 1, 7}}},
    };

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (const Face &face : faces) {
        // The corners run one way or the other seen from outside; the
        // renderer is told which, so that a face turned away from the eye
        // is culled rather than drawn and then covered.
        const GLfloat *a = v[face.corners[0].v], *b = v[face.corners[1].v],
                      *c = v[face.corners[2].v];
        const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const float turning[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                                  u[0] * w[1] - u[1] * w[0]};
        float outward[3] = {-cx, -cy, -cz}; // from the box's centre to the face's
        for (const FaceCorner &corner : face.corners)
            for (int k = 0; k < 3; ++k)
                outward[k] += v[corner.v][k] / 4;
        const float along =
            turning[0] * outward[0] + turning[1] * outward[1] + turning[2] * outward[2];
        glFrontFace(along > 0 ? GL_CCW : GL_CW);
        glBegin(GL_QUADS);
        glNormal3f(face.nx, face.ny, face.nz);
        for (const FaceCorner &corner : face.corners) {
            glTexCoord2f(corner.s, corner.t);
            glVertex3fv(v[corner.v]);
        }
        glEnd();
    }
    glFrontFace(GL_CCW);
    glEndList();
    return list;
}

void setupLighting()
{
    const GLfloat white[] = {1, 1, 1, 1};
    const GLfloat position[] = {1, 0, 1, 0};
    const GLfloat down[] = {0, 0, -1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void drawFloor(GLuint marbleTexture)
{
    glPushMatrix();
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, marbleTexture);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2d(2, 2);
    glVertex3f(2, 2, 0);
    glTexCoord2d(2, 0);
    glVertex3f(2, -2, 0);
    glTexCoord2d(0, 0);
    glVertex3f(-2, -2, 0);
    glTexCoord2d(0, 2);
    glVertex3f(-2, 2, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void drawFurniture(const GLuint lists[10], const float origin[3], GLuint bambooTexture,
                   GLuint carpetTexture)
{
    const float ox = origin[0], oy = origin[1], oz = origin[2];

    glPushMatrix();
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, bambooTexture);
    // The stands are closed boxes: what faces away is hidden anyway.
    glEnable(GL_CULL_FACE);
    for (int i = 0; i < 10; ++i)
        glCallList(lists[i]);
    glDisable(GL_CULL_FACE);

    const float front = ox + 0.21f, low = oz + 0.38f, high = oz + 0.62f;
    // Back wall of the trough.
    quad(1, 0, 0,
         {{0, 0, ox, oy - 0.09f, low},
          {1, 0, ox, oy + 0.7f, low},
          {0, 0.8f, ox, oy + 0.7f, high},
          {1, 0.8f, ox, oy - 0.09f, high}});
    // Fronts of the two end blocks, then their tops; each block between two y.
    const std::pair<float, float> blocks[] = {{oy - 0.09f, oy + 0.1f}, {oy + 0.51f, oy + 0.69f}};
    for (const auto &[a, b] : blocks)
        quad(1, 0, 0,
             {{1, 1, front, a, low},
              {0, 1, front, b, low},
              {1, 0, front, b, high},
              {0, 0, front, a, high}});
    for (const auto &[a, b] : blocks)
        quad(0, 0, 1,
             {{0, 0, front, a, high},
              {1, 0, front, b, high},
              {0, 1, ox, b, high},
              {1, 1, ox, a, high}});

    // Carpet on the trough floor, repeated five times along it.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, carpetTexture);
    quad(0, 0, 1,
         {{1, 0, front, oy - 0.1f, low},
          {1, 5, front, oy + 0.7f, low},
          {0, 5, ox, oy + 0.7f, low},
          {0, 0, ox, oy - 0.1f, low}});

    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

} // namespace room
