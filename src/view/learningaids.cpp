#include "view/learningaids.h"

#include "game/gameengine.h"
#include "game/missplace.h"
#include "game/piecerecord.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace {

// Not a colour any organ wears, and clear against the white ghost.
constexpr float hintColour[3] = {0.25f, 0.9f, 1.0f};
constexpr int pulseMs = 1500;

QString plural(int n, const char *one, const char *many)
{
    return n == 1 ? QLatin1String(one) : QStringLiteral("%1 %2").arg(n).arg(QLatin1String(many));
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
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
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
    if (engine.current && !missNews.isEmpty() && nowMs - missAt < missShownMs)
        return missNews;
    if (named && engine.current && !engine.current->name.isEmpty())
        return QStringLiteral("In your hand: ") + shownName(*engine.current, language);
    if (fittedCaption && !fittedName.isEmpty() && nowMs - fittedAt < fittedShownMs)
        return QStringLiteral("Fitted: ") + fittedName;
    if (named && !engine.current && troughPiece && !troughPiece->name.isEmpty())
        return QStringLiteral("On the trough: ") + shownName(*troughPiece, language);
    return QString();
}

void LearningAids::drawLabels(QSize view, qreal ratio, const GameEngine &engine,
                              const PieceRecord *troughPiece, int nowMs)
{
    if (placedSeen >= 0 && engine.placed.size() > placedSeen) {
        fittedName = engine.placed.last()->name.isEmpty()
                         ? QString()
                         : shownName(*engine.placed.last(), language);
        fittedAt = nowMs;
    }
    placedSeen = engine.placed.size();
    if (missesSeen >= 0 && engine.missCount() > missesSeen) {
        missNews = missplace::missText(
            missplace::placeDroppedOn(engine, engine.dropX, engine.dropY), difficulty);
        missAt = nowMs;
    }
    missesSeen = engine.missCount();
    if (engine.gameWon && winTime < 0)
        winTime = nowMs;
    if (engine.gameWon && reportFrom < 0)
        reportFrom = nowMs;

    const int textWidth = overlay::textWidth(view);
    const QString text =
        QFontMetrics(overlay::captionFont())
            .elidedText(caption(engine, troughPiece, nowMs), Qt::ElideRight, textWidth);
    if (text.isEmpty() && !engine.gameWon)
        return;

    const overlay::FlatPass flat(view);
    if (!text.isEmpty()) {
        captionLabel.setText(text, overlay::captionFont(), ratio);
        captionLabel.draw(overlay::captionAt(view, captionLabel.size()));
    }
    if (const float opacity = reportOpacity(nowMs); engine.gameWon && opacity > 0) {
        const QStringList lines =
            report(engine, winTime, QFontMetrics(overlay::reportFont()), textWidth, language)
            + reportExtra;
        reportLabel.setText(lines.join(QLatin1Char('\n')), overlay::reportFont(), ratio);
        reportLabel.draw(overlay::reportAt(view, reportLabel.size()), opacity);
    }
}

void LearningAids::toggleReport(int nowMs)
{
    if (reportOpacity(nowMs) > 0) {
        reportAway = true;
    } else {
        reportAway = false;
        reportFrom = nowMs;
    }
}

float LearningAids::reportOpacity(int nowMs) const
{
    if (reportAway)
        return 0;
    const int shown = reportFrom < 0 ? 0 : nowMs - reportFrom;
    if (shown < reportShownMs)
        return 1;
    return qMax(0.0f, 1 - float(shown - reportShownMs) / reportFadeMs);
}

void LearningAids::releaseGl()
{
    captionLabel.releaseGl();
    reportLabel.releaseGl();
}

QStringList LearningAids::report(const GameEngine &engine, int timeMs, const QFontMetrics &metrics,
                                 int width, NameLanguage language)
{
    const QLatin1Char zero('0');
    QStringList lines{QStringLiteral("%1 in %2:%3, %4")
                          .arg(plural(int(engine.placed.size()), "1 piece", "pieces"),
                               QStringLiteral("%1").arg(timeMs / 60000, 2, 10, zero),
                               QStringLiteral("%1").arg(timeMs / 1000 % 60, 2, 10, zero),
                               engine.missCount() == 0
                                   ? QStringLiteral("no misses")
                                   : plural(engine.missCount(), "1 miss", "misses"))};

    // Ties go to the piece fitted first.
    QList<const PieceRecord *> missed;
    for (const PieceRecord *piece : engine.placed)
        if (engine.misses.value(piece) > 0 && !piece->name.isEmpty())
            missed.append(piece);
    std::stable_sort(missed.begin(), missed.end(),
                     [&engine](const PieceRecord *a, const PieceRecord *b) {
                         return engine.misses.value(a) > engine.misses.value(b);
                     });
    QString line = QStringLiteral("Missed most:");
    for (qsizetype i = 0; i < qMin(missed.size(), qsizetype(3)); ++i) {
        const QString entry = QStringLiteral("%1 %2")
                                  .arg(shownName(*missed[i], language))
                                  .arg(engine.misses.value(missed[i]));
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
