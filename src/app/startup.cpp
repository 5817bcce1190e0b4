#include "app/startup.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
constexpr int quitSignals[] = {SIGTERM, SIGINT};

extern "C" void writeSignalByte(int)
{
    // Only async-signal-safe calls here. A full pipe already holds a wake-up.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

bool findDisplay(int argc, char **argv)
{
    bool found = !qEnvironmentVariableIsEmpty("DISPLAY")
                 || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                 || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    const std::pair<QByteArray, const char *> options[] = {{"-platform", "QT_QPA_PLATFORM"},
                                                           {"-display", "DISPLAY"}};
    for (int i = 1; i < argc; ++i) {
        QByteArray arg(argv[i]);
        if (arg.startsWith("--"))
            arg.remove(0, 1);
        for (const auto &[option, variable] : options) {
            if (arg == option && i + 1 < argc) {
                ++i; // Qt takes the next argument as the value
                found = found || *argv[i] != '\0';
            } else if (arg.startsWith(option + '=') && arg.size() > option.size() + 1) {
                qputenv(variable, arg.mid(option.size() + 1));
                found = true;
            }
        }
    }
    return found;
}

QuitOnSignals::QuitOnSignals(QObject *parent)
    : QObject(parent)
{
    // Without the pipe the signals keep their default: they still end the
    // game, only without closing its window first.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitOnSignals::signalled);

    struct sigaction action = {};
    action.sa_handler = writeSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quitSignals)
        sigaction(signal, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!notifier)
        return;
    for (int signal : quitSignals)
        std::signal(signal, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitOnSignals::signalled()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
    QApplication::closeAllWindows();
}
