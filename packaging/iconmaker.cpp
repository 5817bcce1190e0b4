// torvane-iconmaker: makes the desktop icons from the game's logo at build
// time. The logo is a banner, not a square, so each icon is a dark rounded
// tile with the logo scaled smoothly into its middle.
//
//   torvane-iconmaker <logo.png> <icon theme dir> <icon name> <size>...
//
// writes <icon theme dir>/<size>x<size>/apps/<icon name>.png for every size.

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// Close to the game's black background, but light enough that the tile
// stands out on a dark panel.
const QColor tileColour(0x1b, 0x1f, 0x26);

QImage makeIcon(const QImage &logo, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);

    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath tile;
    const qreal radius = size * 0.18;
    tile.addRoundedRect(QRectF(0, 0, size, size), radius, radius);
    painter.fillPath(tile, tileColour);

    // Scale straight from the full-size logo for every icon, so small icons
    // are not the blur of a blur.
    const int inner = qMax(1, qRound(size * 0.84));
    const QImage scaled = logo.scaled(inner, inner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    painter.end();
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fputs("usage: torvane-iconmaker <logo.png> <icon theme dir> <icon name> <size>...\n",
                   stderr);
        return 2;
    }

    const QImage logo(args.at(1));
    if (logo.isNull()) {
        std::fprintf(stderr, "torvane-iconmaker: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }

    const QDir theme(args.at(2));
    const QString name = args.at(3);
    for (qsizetype i = 4; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "torvane-iconmaker: bad icon size %s\n", qPrintable(args.at(i)));
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = theme.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!theme.mkpath(dir) || !makeIcon(logo, size).save(file, "PNG")) {
            std::fprintf(stderr, "torvane-iconmaker: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
