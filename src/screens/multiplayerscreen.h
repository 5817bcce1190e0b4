#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class ClassClient;
class ClassGameScreen;
class HostScreen;
class JoinScreen;
class PixButton;

// The multi-player menu: host a game, join a game, or back to the main menu
// (Escape too). It leads the way through the class game's screens, which
// stand beside it in the main window: the host screen and the join screen,
// centred, and a student's game screen over the whole window. Whatever
// happens there, the way back ends here or in the main menu.
class MultiPlayerScreen : public QWidget
{
    Q_OBJECT

public:
    // Sized from its pictures and hidden on return; the parent is the main window.
    explicit MultiPlayerScreen(QWidget *parent);

    PixButton *hostButton = nullptr;
    PixButton *joinButton = nullptr;
    PixButton *backButton = nullptr;
    // The screen under way, if any; each is made anew for its visit.
    QPointer<HostScreen> hostScreen;
    QPointer<JoinScreen> joinScreen;
    QPointer<ClassGameScreen> gameScreen;
    // Why the last class game ended, shown under the buttons.
    QString notice;

signals:
    void goBack();
    // A student's game screen covers the window from now on, and no longer.
    void gameShown(QWidget *screen);
    void gameHidden();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void hostPressed();
    void joinPressed();
    void backPressed();

private:
    void backHere(QWidget *screen);
    void play(ClassClient *client);
    void leaveGame(const QString &why);
    void centre(QWidget *screen);
};
