#include "gamedata.h"

#include "md2writer.h"
#include "pcxwriter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSettings>
#include <QWidget>

#include <iterator>

namespace {

struct Picture
{
    const char *file;
    int width, height;
};

// Sizes all differ, so a layout that confuses two pictures, or a width with
// a height, lands somewhere else.
constexpr Picture pictures[] = {
    {"loading.png", 300, 120},
    {"logo.png", 160, 100},
    {"singleplayer-up.png", 220, 90},
    {"singleplayer-down.png", 220, 90},
    {"multiplayer-up.png", 200, 80},
    {"multiplayer-down.png", 200, 80},
    {"exit-up.png", 120, 60},
    {"exit-down.png", 120, 60},
    {"name.png", 90, 36},
    {"difficulty.png", 200, 40},
    {"set.png", 180, 30},
    {"easy-up.png", 110, 50},
    {"easy-down.png", 110, 50},
    {"medium-up.png", 120, 54},
    {"medium-down.png", 120, 54},
    {"hard-up.png", 130, 58},
    {"hard-down.png", 130, 58},
    {"back-up.png", 100, 44},
    {"back-down.png", 100, 44},
    {"start-up.png", 104, 46},
    {"start-down.png", 104, 46},
    {"play.png", 40, 30},
    {"play-down.png", 40, 30},
    {"stop.png", 42, 32},
    {"stop-down.png", 42, 32},
    {"next.png", 44, 34},
    {"next-down.png", 44, 34},
    {"prev.png", 46, 36},
    {"prev-down.png", 46, 36},
    {"mainmenu-up.png", 120, 50},
    {"mainmenu-down.png", 120, 50},
    {"x-rot.png", 60, 20},
    {"y-rot.png", 64, 22},
    {"rotation.png", 56, 56},
    {"mover-ground.png", 24, 120},
    {"slider.png", 20, 16},
    {"host-up.png", 210, 70},
    {"host-down.png", 210, 70},
    {"join-up.png", 190, 66},
    {"join-down.png", 190, 66},
    {"open-up.png", 96, 40},
    {"open-down.png", 96, 40},
    {"connect-up.png", 98, 42},
    {"connect-down.png", 98, 42},
    {"end-up.png", 102, 38},
    {"end-down.png", 102, 38},
    {"hostgame.png", 230, 34},
    {"joingame.png", 236, 36},
    {"resetview-up.png", 30, 26},
    {"resetview-down.png", 30, 26},
    {"help-up.png", 28, 24},
    {"help-down.png", 28, 24},
};

} // namespace

GameData::GameData()
    : previous(QDir::currentPath())
{
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return;
    for (const Picture &p : pictures)
        picture(QLatin1String(p.file), QSize(p.width, p.height), colourOf(QLatin1String(p.file)));
    picture(QStringLiteral("marmor.png"), QSize(8, 8), Qt::blue);
    picture(QStringLiteral("bambou.png"), QSize(8, 8), Qt::yellow);
    picture(QStringLiteral("carpet.png"), QSize(8, 8), Qt::white);
    PcxWriter skin(2, 2);
    skin.setColour(0, Qt::green);
    write(QStringLiteral("sets/bodyparts/tris4.pcx"), skin.toBytes());
    for (const auto &[model, edge] : {std::pair("small", 0.06f), std::pair("cube", 0.1f), std::pair("big", 0.2f)})
        write(QStringLiteral("sets/bodyparts/%1.md2").arg(QLatin1String(model)), Md2Writer::cube(edge).toBytes());
}

QSize GameData::sizeOf(const QString &file)
{
    for (const Picture &p : pictures)
        if (file == QLatin1String(p.file))
            return QSize(p.width, p.height);
    return QSize();
}

QColor GameData::colourOf(const QString &file)
{
    // Hues 37 degrees apart repeat only after 360 names: the pictures first, any other file after them.
    int index = 0;
    while (index < int(std::size(pictures)) && file != QLatin1String(pictures[index].file))
        ++index;
    if (index == int(std::size(pictures)))
        index += int(qHash(file, 7) % 300);
    return QColor(QColor::fromHsv(index * 37 % 360, 160 + index % 3 * 40, 150 + index % 4 * 30).rgb());
}

void GameData::write(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
}

void GameData::picture(const QString &file, QSize size, QColor colour)
{
    QDir().mkpath(QFileInfo(file).path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(file);
}

void GameData::set(const QString &base, const QString &name, QSize icon, const QString &children)
{
    picture(QStringLiteral("sets/%1.png").arg(base), icon, colourOf(base));
    write(QStringLiteral("sets/%1.xml").arg(base),
          QStringLiteral("<set><name>%1</name><icon>%2.png</icon>%3</set>").arg(name, base, children).toUtf8());
}

QString GameData::piece(const char *tag, const char *model, float x, float y, float z)
{
    return QStringLiteral(
               "<%1><filename>bodyparts/%2</filename><pos_x>%3</pos_x><pos_y>%4</pos_y><pos_z>%5</pos_z></%1>")
        .arg(QLatin1String(tag), QLatin1String(model))
        .arg(x)
        .arg(y)
        .arg(z);
}

void sendMouse(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void mouseAt(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButton button)
{
    sendMouse(widget, type, at, type == QEvent::MouseMove ? Qt::NoButton : button,
              type == QEvent::MouseButtonRelease ? Qt::NoButton : button);
}

QColor colourAt(QWidget &widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

void saveScreenshot(const QImage &image, const QString &name)
{
    const QString root = qEnvironmentVariable("TORVANE_SCREENSHOTS");
    if (!root.isEmpty() && QDir().mkpath(QFileInfo(root + QLatin1Char('/') + name).path()))
        image.save(root + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QImage textPicture(QSize size, QRect box, const QFont &font, int flags, const QString &text)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(box, flags, text);
    return image;
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            count += qAbs(qRed(p) - qRed(q)) > 8 || qAbs(qGreen(p) - qGreen(q)) > 8 || qAbs(qBlue(p) - qBlue(q)) > 8;
        }
    return count;
}

void useTheGamesSettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Vexa"));
    QCoreApplication::setApplicationName(QStringLiteral("Torvane"));
}

void storeSetting(const char *key, const QVariant &value)
{
    const QString path = QStringLiteral("singleplayer/") + QLatin1String(key);
    if (value.isValid())
        QSettings().setValue(path, value);
    else
        QSettings().remove(path);
}
