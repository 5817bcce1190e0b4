#include "view/orientationmarks.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/setformat.h"

#include <QDomDocument>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QVector3D axisOf(const QString &direction)
{
    if (direction.size() != 2)
        return QVector3D();
    const float sign = direction.at(0) == QLatin1Char('-') ? -1 : 1;
    const int axis = direction.at(1).unicode() - 'x';
    return QVector3D(axis == 0 ? sign : 0, axis == 1 ? sign : 0, axis == 2 ? sign : 0);
}

// Light letters with a dark edge, readable over the floor and the ghost.
QImage markPicture(const QString &text)
{
    QFont font(QStringLiteral("Sans"), -1, QFont::Bold);
    font.setPixelSize(48);
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 12, metrics.height() + 8,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(6, 4 + metrics.ascent(), font, text);
    painter.setPen(QPen(QColor(10, 30, 36), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.fillPath(path, QColor(255, 225, 120));
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace

bool OrientationMarks::setUp(const GameEngine &engine)
{
    head = left = QVector3D();
    if (!engine.document)
        return false;
    const setformat::SetFile set = setformat::readSet(*engine.document);
    // The reader leaves both empty for a body it cannot lie so.
    if (set.towardsHead.isEmpty() || set.towardsLeft.isEmpty())
        return false;
    head = axisOf(set.towardsHead);
    left = axisOf(set.towardsLeft);
    return true;
}

void OrientationMarks::bodyBox(const GameEngine &engine, QVector3D &low, QVector3D &high)
{
    bool any = false;
    const auto add = [&](const PieceRecord *piece) {
        const QVector3D place(piece->posX() + engine.offsetX, piece->posY() + engine.offsetY,
                              piece->posZ() + engine.offsetZ);
        const QVector3D half = QVector3D(piece->halfSizeX(), piece->halfSizeY(), piece->halfSizeZ())
                               * std::abs(piece->drawnScale());
        low = any ? QVector3D(std::min(low.x(), place.x() - half.x()),
                              std::min(low.y(), place.y() - half.y()),
                              std::min(low.z(), place.z() - half.z()))
                  : place - half;
        high = any ? QVector3D(std::max(high.x(), place.x() + half.x()),
                               std::max(high.y(), place.y() + half.y()),
                               std::max(high.z(), place.z() + half.z()))
                   : place + half;
        any = true;
    };
    low = high = QVector3D(engine.offsetX, engine.offsetY, engine.offsetZ);
    for (const PieceRecord *piece : engine.remaining)
        add(piece);
    for (const PieceRecord *piece : engine.placed)
        add(piece);
    if (engine.current)
        add(engine.current);
}

QVector3D OrientationMarks::markAt(QVector3D low, QVector3D high, QVector3D direction, QSizeF mark)
{
    // A mark stands in the plane of y and z: its width along y, its height
    // along z, no depth along x.
    const QVector3D centre = (low + high) / 2;
    const QVector3D halfBox = (high - low) / 2;
    const QVector3D halfMark(0, float(mark.width() / 2), float(mark.height() / 2));
    const float reach = std::abs(QVector3D::dotProduct(direction, halfBox))
                        + std::abs(QVector3D::dotProduct(direction, halfMark)) + gap;
    return centre + direction * reach;
}

void OrientationMarks::draw(const GameEngine &engine)
{
    if (!known())
        return;
    static const char *const texts[4] = {"Head", "Feet", "L", "R"};
    if (textures[0] == 0) {
        glGenTextures(4, textures);
        for (int i = 0; i < 4; ++i) {
            const QImage image = markPicture(QLatin1String(texts[i]));
            sizes[i] = QSizeF(markHeight * image.width() / image.height(), markHeight);
            glBindTexture(GL_TEXTURE_2D, textures[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, image.constBits());
            glPopClientAttrib();
        }
    }
    QVector3D low, high;
    bodyBox(engine, low, high);
    const QVector3D directions[4] = {head, -head, left, -left};

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The clear edges of the letters leave the depth buffer alone.
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < 4; ++i) {
        const QVector3D at = markAt(low, high, directions[i], sizes[i]);
        const float w = float(sizes[i].width() / 2), h = float(sizes[i].height() / 2);
        // Upright, reading left to right along +y: so the starting camera,
        // which looks along -x with +y to its right, sees it the right way.
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex3f(at.x(), at.y() - w, at.z() - h);
        glTexCoord2f(1, 1);
        glVertex3f(at.x(), at.y() + w, at.z() - h);
        glTexCoord2f(1, 0);
        glVertex3f(at.x(), at.y() + w, at.z() + h);
        glTexCoord2f(0, 0);
        glVertex3f(at.x(), at.y() - w, at.z() + h);
        glEnd();
    }
    glPopAttrib();
}

void OrientationMarks::releaseGl()
{
    if (textures[0] != 0)
        glDeleteTextures(4, textures);
    for (GLuint &texture : textures)
        texture = 0;
}
