#pragma once

#include "net/gamefinder.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

class ClassClient;
class PixButton;
class QLineEdit;

// A student's way into a class game, 800 x 600: the games heard on the
// network (host and set; a click takes one), or an address typed by hand,
// the four-digit code and a nickname (the stored player name to begin
// with). Join waits in the lobby until the teacher starts; Back or Escape
// leads back at any time.
class JoinScreen : public QWidget
{
    Q_OBJECT

public:
    explicit JoinScreen(QWidget *parent);

    // "host" or "host:port" (an address or a name); false when it is neither.
    static bool parseAddress(const QString &text, quint16 defaultPort, QString *host,
                             quint16 *port);

    GameFinder *finder = nullptr; // child; listens on "multiplayer/discoveryPort"
    QLineEdit *addressEdit = nullptr;
    QLineEdit *codeEdit = nullptr;
    QLineEdit *nameEdit = nullptr;
    PixButton *backButton = nullptr;
    PixButton *joinButton = nullptr;
    ClassClient *client = nullptr; // child while joining
    QString status;
    // The game port assumed for an address typed without one ("multiplayer/port").
    quint16 gamePort = protocol::defaultGamePort;

signals:
    void goBack();
    // The game has begun: the receiver takes the client over.
    void gameReady(ClassClient *client);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void joinPressed();
    void backPressed();
    void follow();
    QRect listRect() const;
    QRect rowRect(int row) const;

    QPixmap heading;
};
