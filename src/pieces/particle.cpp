#include "pieces/particle.h"

#include "pieces/pcxformat.h"

#include <qopengl.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

// The whole file in one read; false when it cannot be opened or read.
bool readWholeFile(const char *path, QByteArray *out)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return false;
    // A directory opens too, and then reports an absurd length.
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        out->resize(length);
        ok = std::fread(out->data(), 1, size_t(length), file) == size_t(length);
    }
    std::fclose(file);
    return ok;
}

void reportFailure(const char *path)
{
    std::printf("Could not load %s\n", path);
    std::fflush(stdout);
}

} // namespace

Particle::Particle(const char *modelPath, const char *skinPath)
    : model(new Md2Model)
{
    texture = loadSkin(skinPath);
    if (texture == -1)
        reportFailure(skinPath);
    if (loadModel(modelPath) == 1)
        reportFailure(modelPath);
    clock.start();
    frameElapsed = 0;
    frameStart = 0;
}

Particle::~Particle()
{
    delete model;
}

int Particle::loadSkin(const char *path)
{
    skinWidth = 0;
    skinHeight = 0;
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return -1;
    const PcxResult decoded = decodePcx(bytes);
    if (!decoded.ok)
        return -1;

    GLuint name = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Rows are packed tight, so any width uploads without skew; the
    // previous alignment goes back for whoever uploads next.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, decoded.image.width, decoded.image.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, decoded.image.rgb.constData());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    skinHeight = decoded.image.height;
    skinWidth = decoded.image.width;
    return int(name);
}

int Particle::loadModel(const char *path)
{
    *model = Md2Model();
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return 1;
    Md2Result decoded = decodeMd2(bytes, SkinInfo{texture != -1, skinWidth, skinHeight});
    if (!decoded.ok)
        return 1;
    *model = std::move(decoded.model);
    maxX = decoded.box.maxX;
    minX = decoded.box.minX;
    maxY = decoded.box.maxY;
    minY = decoded.box.minY;
    maxZ = decoded.box.maxZ;
    minZ = decoded.box.minZ;
    return 0;
}

int Particle::setFrame(int frame)
{
    model->currentFrame = frame;
    return 1;
}

int Particle::setFrameRange(int first, int last)
{
    model->firstFrame = first;
    model->lastFrame = last;
    return 1;
}

int Particle::frame() const
{
    return model->currentFrame;
}

int Particle::lastFrameIndex() const
{
    return model->frameCount - 1;
}

int Particle::restartAnimation()
{
    frameElapsed = 0;
    frameStart = 0;
    return 1;
}

void Particle::setPosition(float x, float y, float z)
{
    position[0] = x;
    position[1] = y;
    position[2] = z;
}

void Particle::move(float dx, float dy, float dz)
{
    position[0] += dx;
    position[1] += dy;
    position[2] += dz;
}

void Particle::rotate(float angle, float ax, float ay, float az)
{
    if (angle == 0.0f)
        return;
    angleX += angle * ax;
    angleY += angle * ay;
    angleZ += angle * az;
}

float Particle::halfSizeX() const
{
    return (maxX - minX) * 0.5f;
}

float Particle::halfSizeY() const
{
    return (maxY - minY) * 0.5f;
}

float Particle::halfSizeZ() const
{
    return (maxZ - minZ) * 0.5f;
}

int Particle::drawFrames(float x, float y, float z, int frameA, int frameB, float t)
{
    if (t > 1.0f)
        t = 1.0f;
    const Md2Model &m = *model;
    // Frames outside the model are a caller's mistake; draw nothing then
    // rather than read outside the frame array.
    const bool framesValid =
        frameA >= 0 && frameA < m.frameCount && frameB >= 0 && frameB < m.frameCount;
    const bool textured = texture != -1;

    if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, GLuint(texture));
    }
    glBegin(GL_TRIANGLES);
    if (framesValid) {
        const MeshVertex *a = m.frames.data() + size_t(frameA) * size_t(m.vertexCount);
        const MeshVertex *b = m.frames.data() + size_t(frameB) * size_t(m.vertexCount);
        for (const MeshTriangle &triangle : m.triangles) {
            for (int k = 0; k < 3; ++k) {
                const int i = triangle.vertexIndex[k];
                const int st = triangle.texCoordIndex[k];
                if (textured && st < m.texCoordCount)
                    glTexCoord2f(m.texCoords[st].s, m.texCoords[st].t);
                glNormal3f(a[i].nx + (b[i].nx - a[i].nx) * t, a[i].ny + (b[i].ny - a[i].ny) * t,
                           a[i].nz + (b[i].nz - a[i].nz) * t);
                glVertex3f(a[i].x + x + (b[i].x - a[i].x) * t, a[i].y + y + (b[i].y - a[i].y) * t,
                           a[i].z + z + (b[i].z - a[i].z) * t);
            }
        }
    }
    glEnd();
    if (textured)
        glDisable(GL_TEXTURE_2D);
    return 1;
}

int Particle::drawFrame(float x, float y, float z)
{
    return drawFrames(x, y, z, model->currentFrame, model->currentFrame, 1.0f);
}

int Particle::animate(float x, float y, float z, float frameTime)
{
    const int now = elapsed ? elapsed() : int(clock.elapsed());
    lastTime = now;
    if (frameStart == 0)
        frameStart = now;
    frameElapsed = now - frameStart;
    const float t = float(frameElapsed) / frameTime;

    Md2Model &m = *model;
    const int next = m.currentFrame + 1 <= m.lastFrame ? m.currentFrame + 1 : m.firstFrame;
    drawFrames(x, y, z, m.currentFrame, next, t);

    if (t >= 1.0f) {
        frameStart = now;
        m.currentFrame += 1;
        if (m.currentFrame > m.lastFrame)
            m.currentFrame = m.firstFrame;
        return 2;
    }
    return 1;
}

int Particle::animateFrames(float x, float y, float z, float frameA, float frameB, float frameTime)
{
    const int now = elapsed ? elapsed() : int(clock.elapsed());
    lastTime = now;
    frameElapsed = now - frameStart;
    const float t = float(frameElapsed) / frameTime;
    drawFrames(x, y, z, int(frameA), int(frameB), t);
    if (t >= 1.0f) {
        frameStart = now;
        return 2;
    }
    return 1;
}

void Particle::draw()
{
    glPushMatrix();
    glRotatef(angleX, 1, 0, 0);
    glRotatef(angleY, 0, 1, 0);
    glRotatef(angleZ, 0, 0, 1);
    animate(0, 0, 0, 100);
    glPopMatrix();
}

void Particle::releaseTexture()
{
    if (texture != -1) {
        const GLuint name = GLuint(texture);
        glDeleteTextures(1, &name);
        texture = -1;
    }
}
