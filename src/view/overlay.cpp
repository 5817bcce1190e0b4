#include "view/overlay.h"

#include <QFontMetrics>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <QStringList>

namespace overlay {
namespace {

const QColor boxColour(0, 0, 0, 230);
const QColor textColour(245, 245, 245);

// A box of dark glass with light text, top row first, in RGBA bytes.
QImage boxPicture(const QString &text, const QFont &font, qreal ratio)
{
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int across = 0;
    for (const QString &line : lines)
        across = qMax(across, metrics.horizontalAdvance(line));
    const QSize size(across + 2 * padding, int(lines.size()) * metrics.lineSpacing() + 2 * padding);
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(boxColour);
    painter.drawRoundedRect(QRect(QPoint(), size), 6, 6);
    painter.setFont(font);
    painter.setPen(textColour);
    painter.drawText(QRect(padding, padding, across, size.height() - 2 * padding),
                     Qt::AlignLeft | Qt::AlignTop, text);
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace

QString winText()
{
    return QStringLiteral("YOU WIN!");
}
QFont winFont()
{
    return QFont(QStringLiteral("Sans"), 72, QFont::Bold, false);
}
QFont captionFont()
{
    return QFont(QStringLiteral("Sans"), 18, QFont::Bold);
}
QFont reportFont()
{
    return QFont(QStringLiteral("Sans"), 20, QFont::Bold);
}

int winTextX(int viewWidth, const QFontMetrics &winMetrics)
{
    return qMax(0, qMin(viewWidth / 2, viewWidth - winMetrics.horizontalAdvance(winText()) - 10));
}

void drawWinText(const QString &text, QSize view, qreal ratio)
{
    glColor3f(1, 0, 0);
    if (text.isEmpty())
        return;
    // The painter changes GL state behind our back; the next frame and
    // the mouse mapping between frames need the matrices, the viewport
    // and the switches exactly as the scene left them.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    {
        QOpenGLPaintDevice device((QSizeF(view) * ratio).toSize());
        device.setDevicePixelRatio(ratio);
        QPainter painter(&device);
        painter.setPen(QColor(255, 0, 0));
        painter.setFont(winFont());
        painter.drawText(QPoint(winTextX(view.width(), painter.fontMetrics()), view.height() / 2),
                         text);
    }
    if (QOpenGLContext *context = QOpenGLContext::currentContext())
        context->functions()->glUseProgram(0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

int textWidth(QSize view)
{
    return view.width() - 2 * (margin + padding);
}

QPoint captionAt(QSize view, QSize label)
{
    return QPoint((view.width() - label.width()) / 2, margin);
}

QPoint reportAt(QSize view, QSize label)
{
    const QFontMetrics win(winFont());
    const int winX = winTextX(view.width(), win);
    return QPoint(qMax(margin, qMin(winX - padding, view.width() - margin - label.width())),
                  view.height() / 2 + win.descent() + margin);
}

void Label::setText(const QString &newText, const QFont &font, qreal ratio)
{
    if (texture != 0 && text == newText)
        return;
    setPicture(boxPicture(newText, font, ratio));
    text = newText;
}

void Label::setPicture(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGBA8888);
    text.clear();
    boxSize = image.deviceIndependentSize().toSize();
    if (texture == 0)
        glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.constBits());
    glPopClientAttrib();
}

void Label::draw(QPoint at, float opacity) const
{
    // The picture's first row is the texture's t = 0, at the top.
    const QRect r(at, boxSize);
    glColor4f(1, 1, 1, opacity);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(r.left(), r.top());
    glTexCoord2f(1, 0);
    glVertex2i(r.left() + r.width(), r.top());
    glTexCoord2f(1, 1);
    glVertex2i(r.left() + r.width(), r.top() + r.height());
    glTexCoord2f(0, 1);
    glVertex2i(r.left(), r.top() + r.height());
    glEnd();
}

void Label::releaseGl()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
    *this = Label();
}

FlatPass::FlatPass(QSize view)
{
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT
                 | GL_TRANSFORM_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    // The picture as it is, times the label's opacity.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, view.width(), view.height(), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

FlatPass::~FlatPass()
{
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

} // namespace overlay
