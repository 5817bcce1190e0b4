#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

class QWidget;

// Every file the game reads, in a temporary directory that is the working directory for the object's
// life. Each picture has a size and colour of its own, so a screenshot tells which stands where; the room
// is plain blue (floor), yellow (furniture) and white (carpet), the skin green, and sets/bodyparts/
// holds cubes of edge 0.06, 0.1 and 0.2 (small.md2, cube.md2, big.md2). No sets, sounds or music.
class GameData
{
public:
    GameData();
    ~GameData() { QDir::setCurrent(previous); }

    QString path() const { return dir.path(); }

    static QSize sizeOf(const QString &picture);
    static QColor colourOf(const QString &picture);

    void write(const QString &file, const QByteArray &bytes); // makes the folders
    void picture(const QString &file, QSize size, QColor colour);
    // sets/<base>.xml named `name`, its icon sets/<base>.png in colourOf(base), the root's children.
    void set(const QString &base, const QString &name, QSize icon, const QString &children);
    // A "part" or "shape" element with a model from bodyparts/ and a position.
    static QString piece(const char *tag, const char *model, float x, float y, float z);

private:
    QTemporaryDir dir;
    QString previous;
};

// Delivers one mouse event straight to a widget.
void sendMouse(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons);
// A press or release with `button`, or a move with it held.
void mouseAt(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton);
// The colour of one pixel of the widget as it paints itself now.
QColor colourAt(QWidget &widget, int x, int y);
// Saves a picture under $TORVANE_SCREENSHOTS/<name>.png, when that is set.
void saveScreenshot(const QImage &image, const QString &name);
// White text in a font, as the game draws it, into `box` of a black picture.
QImage textPicture(QSize size, QRect box, const QFont &font, int flags, const QString &text);
// Pixels of two images of one size that differ by more than 8 in some channel.
int differingPixels(const QImage &a, const QImage &b);
// Reads and writes the settings store the game itself uses (before any QSettings is made).
void useTheGamesSettings();
// Stores one of the player's settings ("singleplayer/<key>") by hand rather than through the game's own class,
// so that a test pins what lies on disk. An invalid value removes the key.
void storeSetting(const char *key, const QVariant &value);
