#include "view/howtoplay.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

namespace howtoplay {
namespace {

constexpr int widest = 600;
constexpr int padding = 20;
constexpr int pictureWidth = 96;
constexpr int pictureHeight = 72;
constexpr int gap = 16;

// The picture beside each line of lines() after the heading; none for the
// lines without.
const char *const pictures[] = {"howto-take.png", "howto-drop.png", "howto-turn.png", nullptr,
                                nullptr};

QFont textFont()
{
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(16);
    return font;
}

QFont headingFont()
{
    QFont font(QStringLiteral("Sans"), -1, QFont::Bold);
    font.setPixelSize(26);
    return font;
}

} // namespace

QStringList lines()
{
    return {
        QStringLiteral("How to play"),
        QStringLiteral(
            "Press the left mouse button on the piece gliding along the trough: it is now "
            "in your hand."),
        QStringLiteral(
            "Carry it over the white body and let go where it belongs. A piece that does "
            "not fit stays in your hand: drag it again."),
        QStringLiteral(
            "Turn and Tilt turn the room, the slider zooms while you hold it, and so does "
            "the mouse wheel. The round arrow brings back the starting view, ? this card."),
        QStringLiteral("Easy and Medium name every piece and show where a missed piece goes; Hard "
                       "names a piece only once it fits, and asks you to name it."),
        QStringLiteral("Click or press Escape to play.")};
}

QImage cardPicture(qreal ratio, int maxWidth)
{
    const int width = qBound(2 * (padding + pictureWidth + gap), maxWidth, widest);
    const QStringList text = lines();
    const QFontMetrics metrics(textFont());
    const int textWidth = width - 2 * padding - pictureWidth - gap;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

    // Each row as high as its picture or its text, whichever is higher.
    QList<int> rows;
    int height = padding + QFontMetrics(headingFont()).height() + gap;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const int lineHeight =
            metrics.boundingRect(QRect(0, 0, textWidth, 1000), flags, text[i]).height();
        rows.append(qMax(lineHeight, pictures[i - 1] ? pictureHeight : 0));
        height += rows.last() + gap;
    }
    height += padding - gap;

    QImage image(QSize(width, height) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(80, 190, 190), 2));
    painter.setBrush(QColor(6, 30, 36, 235));
    painter.drawRoundedRect(QRectF(1, 1, width - 2, height - 2), 12, 12);
    painter.setPen(QColor(236, 226, 196));
    painter.setFont(headingFont());
    int y = padding;
    painter.drawText(QRect(padding, y, width - 2 * padding, QFontMetrics(headingFont()).height()),
                     Qt::AlignHCenter | Qt::AlignTop, text[0]);
    y += QFontMetrics(headingFont()).height() + gap;
    painter.setFont(textFont());
    for (qsizetype i = 1; i < text.size(); ++i) {
        const int row = rows[i - 1];
        if (const char *file = pictures[i - 1])
            painter.drawPixmap(padding, y + (row - pictureHeight) / 2,
                               QPixmap(QLatin1String(file)));
        painter.drawText(QRect(padding + pictureWidth + gap, y, textWidth, row), flags, text[i]);
        y += row + gap;
    }
    painter.end();
    return image;
}

} // namespace howtoplay
