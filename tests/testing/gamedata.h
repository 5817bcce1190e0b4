#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

class QWidget;

// Every file the game reads, in a temporary working directory: pictures of sizes and colours of their own,
// a plain room and skin, and cubes of edge 0.06, 0.1 and 0.2 (small, cube, big.md2); no sets, sounds or music.
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
// Stores "singleplayer/<key>" by hand, so that a test pins what lies on disk; an invalid value removes it.
void storeSetting(const char *key, const QVariant &value);
