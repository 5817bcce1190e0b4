#include "view/learningaids.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <QFont>
#include <QFontMetrics>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
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

// The painter changes GL state behind the scene's back; the next frame and
// the mouse mapping between frames need the matrices, the viewport and the
// switches exactly as the scene left them.
class KeepGlState
{
public:
    KeepGlState()
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    ~KeepGlState()
    {
        if (QOpenGLContext *context = QOpenGLContext::currentContext())
            context->functions()->glUseProgram(0);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    KeepGlState(const KeepGlState &) = delete;
    KeepGlState &operator=(const KeepGlState &) = delete;
};

void drawBox(QPainter &painter, const QRect &box, const QString &text, int flags)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(boxColour);
    painter.drawRoundedRect(box, 6, 6);
    painter.setPen(textColour);
    painter.drawText(box.adjusted(padding, padding, -padding, -padding), flags, text);
}

} // namespace

void LearningAids::drawHint(const GameEngine &engine, int nowMs) const
{
    const PieceRecord *piece = engine.current;
    const int needed = missesBeforeHint();
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
    const bool named = namesBeforeFit();
    if (named && engine.current && !engine.current->name.isEmpty())
        return QStringLiteral("In your hand: ") + engine.current->name;
    if (!fittedName.isEmpty() && nowMs - fittedAt < fittedShownMs)
        return QStringLiteral("Fitted: ") + fittedName;
    if (named && !engine.current && troughPiece && !troughPiece->name.isEmpty())
        return QStringLiteral("On the trough: ") + troughPiece->name;
    return QString();
}

void LearningAids::paintOver(QOpenGLWidget *view, const GameEngine &engine,
                             const PieceRecord *troughPiece, int nowMs)
{
    if (placedSeen >= 0 && engine.placed.size() > placedSeen) {
        fittedName = engine.placed.last()->name;
        fittedAt = nowMs;
    }
    placedSeen = engine.placed.size();
    if (engine.gameWon && winTime < 0)
        winTime = nowMs;

    const QString text = caption(engine, troughPiece, nowMs);
    if (text.isEmpty() && !engine.gameWon)
        return;

    const KeepGlState keep;
    QPainter painter(view);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = view->width(), h = view->height();

    if (!text.isEmpty()) {
        painter.setFont(captionFont());
        const QFontMetrics metrics = painter.fontMetrics();
        const QString shown = metrics.elidedText(text, Qt::ElideRight, w - 2 * (margin + padding));
        const QSize box(metrics.horizontalAdvance(shown) + 2 * padding, metrics.height() + 2 * padding);
        drawBox(painter, QRect(QPoint((w - box.width()) / 2, margin), box), shown,
                Qt::AlignLeft | Qt::AlignTop);
    }

    if (engine.gameWon) {
        // Under the win text, which starts at the centre on its baseline or
        // further left where it would run off the view.
        const QFontMetrics win(QFont(QStringLiteral("Sans"), 72, QFont::Bold, false), view);
        const int winX = qMax(0, qMin(w / 2, w - win.horizontalAdvance(QStringLiteral("YOU WIN!")) - 10));
        painter.setFont(reportFont());
        const QFontMetrics metrics = painter.fontMetrics();
        const QStringList lines = report(engine, winTime, metrics, w - 2 * (margin + padding));
        int across = 0;
        for (const QString &line : lines)
            across = qMax(across, metrics.horizontalAdvance(line));
        const QSize box(across + 2 * padding, int(lines.size()) * metrics.lineSpacing() + 2 * padding);
        const QPoint at(qMax(margin, qMin(winX - padding, w - margin - box.width())),
                        h / 2 + win.descent() + margin);
        drawBox(painter, QRect(at, box), lines.join(QLatin1Char('\n')), Qt::AlignLeft | Qt::AlignTop);
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
