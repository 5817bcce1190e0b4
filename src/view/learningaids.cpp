#include "view/learningaids.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 10;  // between a box and the view's edge
constexpr int padding = 14; // between a box and its text
const QColor boxColour(0, 0, 0, 230);
const QColor textColour(245, 245, 245);
// Not a colour any organ wears, and clear against the white ghost.
constexpr float hintColour[3] = {0.25f, 0.9f, 1.0f};
constexpr int pulseMs = 1500;

QFont captionFont() { return QFont(QStringLiteral("Sans"), 18, QFont::Bold); }
QFont reportFont() { return QFont(QStringLiteral("Sans"), 20, QFont::Bold); }

QString plural(int n, const char *one, const char *many)
{
    return n == 1 ? QLatin1String(one) : QStringLiteral("%1 %2").arg(n).arg(QLatin1String(many));
}

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

void LearningAids::drawHint(const GameEngine &engine, int nowMs) const
{
    const PieceRecord *piece = engine.current;
    const int needed = missesBeforeHint(difficulty);
    if (!piece || needed == 0 || engine.misses.value(piece) < needed)
        return;

    const float pulse = 0.5f + 0.5f * std::sin(float(nowMs % pulseMs) / pulseMs * 6.2831853f);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT
                 | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    // Its place lies inside the ghost, whose surface is already in the
    // depth buffer: the hint is seen through it.
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // One lit colour whatever skin the piece wears.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PRIMARY_COLOR);
    glColor4f(hintColour[0], hintColour[1], hintColour[2], 0.35f + 0.4f * pulse);
    glPushMatrix();
    glTranslatef(piece->posX() + engine.offsetX, piece->posY() + engine.offsetY,
                 piece->posZ() + engine.offsetZ);
    piece->draw();
    glPopMatrix();
    glPopAttrib();
}

QString LearningAids::caption(const GameEngine &engine, const PieceRecord *troughPiece,
                              int nowMs) const
{
    const bool named = namesBeforeFit(difficulty);
    if (named && engine.current && !engine.current->name.isEmpty())
        return QStringLiteral("In your hand: ") + engine.current->name;
    if (!fittedName.isEmpty() && nowMs - fittedAt < fittedShownMs)
        return QStringLiteral("Fitted: ") + fittedName;
    if (named && !engine.current && troughPiece && !troughPiece->name.isEmpty())
        return QStringLiteral("On the trough: ") + troughPiece->name;
    return QString();
}

void LearningAids::drawLabels(QSize view, qreal ratio, const GameEngine &engine,
                              const PieceRecord *troughPiece, int nowMs)
{
    if (placedSeen >= 0 && engine.placed.size() > placedSeen) {
        fittedName = engine.placed.last()->name;
        fittedAt = nowMs;
    }
    placedSeen = engine.placed.size();
    if (engine.gameWon && winTime < 0)
        winTime = nowMs;

    const int w = view.width(), h = view.height();
    const int textWidth = w - 2 * (margin + padding);
    const QString text = QFontMetrics(captionFont())
                             .elidedText(caption(engine, troughPiece, nowMs), Qt::ElideRight, textWidth);
    if (text.isEmpty() && !engine.gameWon)
        return;

    // Flat pictures over the finished frame; the scene's matrices and
    // switches are left as they were for the mouse mapping between frames.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    if (!text.isEmpty()) {
        setLabel(captionLabel, text, captionFont(), ratio);
        drawLabel(captionLabel, QPoint((w - captionLabel.size.width()) / 2, margin));
    }
    if (engine.gameWon) {
        // Under the win text, which starts at the centre on its baseline or
        // further left where it would run off the view.
        const QFontMetrics win(QFont(QStringLiteral("Sans"), 72, QFont::Bold, false));
        const int winX = qMax(0, qMin(w / 2, w - win.horizontalAdvance(QStringLiteral("YOU WIN!")) - 10));
        setLabel(reportLabel, report(engine, winTime, QFontMetrics(reportFont()), textWidth).join(QLatin1Char('\n')),
                 reportFont(), ratio);
        drawLabel(reportLabel, QPoint(qMax(margin, qMin(winX - padding, w - margin - reportLabel.size.width())),
                                      h / 2 + win.descent() + margin));
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void LearningAids::setLabel(Label &label, const QString &text, const QFont &font, qreal ratio)
{
    if (label.texture != 0 && label.text == text)
        return;
    const QImage image = boxPicture(text, font, ratio);
    label.text = text;
    label.size = image.deviceIndependentSize().toSize();
    if (label.texture == 0)
        glGenTextures(1, &label.texture);
    glBindTexture(GL_TEXTURE_2D, label.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.constBits());
    glPopClientAttrib();
}

void LearningAids::drawLabel(const Label &label, QPoint at)
{
    // The picture's first row is the texture's t = 0, at the top.
    const QRect r(at, label.size);
    glBindTexture(GL_TEXTURE_2D, label.texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2i(r.left(), r.top());
    glTexCoord2f(1, 0); glVertex2i(r.left() + r.width(), r.top());
    glTexCoord2f(1, 1); glVertex2i(r.left() + r.width(), r.top() + r.height());
    glTexCoord2f(0, 1); glVertex2i(r.left(), r.top() + r.height());
    glEnd();
}

void LearningAids::releaseGl()
{
    for (Label *label : {&captionLabel, &reportLabel}) {
        if (label->texture != 0)
            glDeleteTextures(1, &label->texture);
        *label = Label();
    }
}

QStringList LearningAids::report(const GameEngine &engine, int timeMs, const QFontMetrics &metrics,
                                 int width)
{
    const QLatin1Char zero('0');
    QStringList lines{QStringLiteral("%1 in %2:%3, %4")
                          .arg(plural(int(engine.placed.size()), "1 piece", "pieces"),
                               QStringLiteral("%1").arg(timeMs / 60000, 2, 10, zero),
                               QStringLiteral("%1").arg(timeMs / 1000 % 60, 2, 10, zero),
                               engine.missCount() == 0 ? QStringLiteral("no misses")
                                                       : plural(engine.missCount(), "1 miss", "misses"))};

    // Ties go to the piece fitted first.
    QList<const PieceRecord *> missed;
    for (const PieceRecord *piece : engine.placed)
        if (engine.misses.value(piece) > 0 && !piece->name.isEmpty())
            missed.append(piece);
    std::stable_sort(missed.begin(), missed.end(), [&engine](const PieceRecord *a, const PieceRecord *b) {
        return engine.misses.value(a) > engine.misses.value(b);
    });
    QString line = QStringLiteral("Missed most:");
    for (qsizetype i = 0; i < qMin(missed.size(), qsizetype(3)); ++i) {
        const QString entry = QStringLiteral("%1 %2").arg(missed[i]->name).arg(engine.misses.value(missed[i]));
        const QString longer = line + (i == 0 ? QStringLiteral(" ") : QStringLiteral(", ")) + entry;
        if (i > 0 && metrics.horizontalAdvance(longer) > width) {
            lines.append(line + QLatin1Char(','));
            line = entry;
        } else {
            line = longer;
        }
    }
    if (!missed.isEmpty())
        lines.append(line);
    return lines;
}
