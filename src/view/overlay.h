#pragma once

// Everything drawn flat over the finished frame, with its fonts and places:
// the win text from the view's centre, the caption at the top and the report
// under the win text. Drawn last; the scene's matrices and switches are left
// as they were for the mouse mapping between frames.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <qopengl.h>

class QFontMetrics;

namespace overlay {

QString winText(); // "YOU WIN!"
QFont winFont();
QFont captionFont();
QFont reportFont();
constexpr int margin = 10;  // between a box and the view's edge
constexpr int padding = 14; // between a box and its text

// Where the win text starts on its baseline: at the centre of the view (in
// its own pixels), moved left in a narrow view just enough to keep its end
// 10 pixels inside, never past the left edge.
int winTextX(int viewWidth, const QFontMetrics &winMetrics);
// In red, the frame's last colour, which is set whether there is text or not.
void drawWinText(const QString &text, QSize view, qreal ratio);

// How wide the text in a box may run.
int textWidth(QSize view);
// The caption centred at the top; the report under the win text, from just
// left of its start, kept inside the view.
QPoint captionAt(QSize view, QSize label);
QPoint reportAt(QSize view, QSize label);

// A box of text over the view, kept in a texture until its text changes
// (painting text anew every frame costs the software renderer dearly).
class Label
{
public:
    // Needs the view's GL context current, as do draw and releaseGl.
    void setText(const QString &text, const QFont &font, qreal ratio);
    // A picture painted elsewhere, shown as it is.
    void setPicture(const QImage &image);
    QSize size() const { return boxSize; } // in the view's pixels
    void draw(QPoint at, float opacity = 1) const;
    void releaseGl();

private:
    QString text;
    GLuint texture = 0; // owned
    QSize boxSize;
};

// While it lives, labels are drawn in the view's pixels from the top left.
class FlatPass
{
public:
    explicit FlatPass(QSize view);
    ~FlatPass();
    FlatPass(const FlatPass &) = delete;
    FlatPass &operator=(const FlatPass &) = delete;
};

} // namespace overlay
