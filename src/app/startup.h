#pragma once

#include <QObject>

class QSocketNotifier;

// Whether the game has somewhere to show its window: DISPLAY,
// WAYLAND_DISPLAY or QT_QPA_PLATFORM, or Qt's own -platform or -display
// option on the command line (also written --platform). Qt reads those only
// with the value as the next argument; the "-platform=xcb" and "-display=:0"
// forms reach it through QT_QPA_PLATFORM and DISPLAY instead.
bool findDisplay(int argc, char **argv);

// Ends the game on SIGTERM and SIGINT as closing its window does: every
// window closes, the event loop ends and main() returns 0. The signal handler
// only writes a byte into a pipe; the event loop watches the other end and
// does the rest. One instance, made after the application object.
class QuitOnSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignals(QObject *parent = nullptr);
    ~QuitOnSignals() override;

private:
    void signalled();

    QSocketNotifier *notifier = nullptr; // null when no pipe could be made
};
