#pragma once

#include "pieces/md2format.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

// One puzzle piece as a drawable object: its skin texture, its decoded MD2
// mesh, an accumulated rotation and a keyframe animation cursor driven by a
// clock. Constructing one loads the skin (creating a GL texture) and the
// mesh, so the view's GL context must be current. The destructor makes no GL
// call: whoever holds the context deletes `texture` (see releaseTexture()).
class Particle : public QObject
{
    Q_OBJECT

public:
    // Failures print "Could not load <path>" on standard output, skin first.
    Particle(const char *modelPath, const char *skinPath);
    ~Particle() override;

    // Reads and uploads a PCX skin; the texture name, or -1 (sizes then 0).
    int loadSkin(const char *path);
    // Reads an MD2 mesh; 0 when read, 1 when missing or refused (empty model).
    int loadModel(const char *path);

    int setFrame(int frame);
    int setFrameRange(int first, int last);
    int frame() const;
    int lastFrameIndex() const;
    int restartAnimation();

    void setPosition(float x, float y, float z);
    void move(float dx, float dy, float dz);
    void rotate(float angle, float ax, float ay, float az);

    float halfSizeX() const;
    float halfSizeY() const;
    float halfSizeZ() const;

    int drawFrames(float x, float y, float z, int frameA, int frameB, float t);
    int drawFrame(float x, float y, float z);
    int animate(float x, float y, float z, float frameTime);
    int animateFrames(float x, float y, float z, float frameA, float frameB, float frameTime);
    void draw();

    // Deletes the skin texture; needs the context it was created in.
    void releaseTexture();

    int texture = -1;
    Md2Model *model = nullptr; // owned; never null after construction
    float position[3] = {0, 0, 0};
    float maxX = 0, minX = 0, maxY = 0, minY = 0, maxZ = 0, minZ = 0;
    float angleX = 0, angleY = 0, angleZ = 0;
    int lastTime = 0;
    int frameElapsed = 0;
    int frameStart = 0; // 0: the current frame has not started yet
    QElapsedTimer clock;
    int skinWidth = 0, skinHeight = 0;

    // Milliseconds since construction; tests replace it to drive animate().
    std::function<int()> elapsed;
};
