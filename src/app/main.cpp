#include "app/mainwindow.h"
#include "app/startup.h"
#include "view/glformat.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Qt aborts without a display; say what is wrong instead.
    if (!findDisplay(argc, argv)) {
        std::fputs("torvane: no display available; start Torvane from a desktop session\n", stderr);
        return 1;
    }

    useCompatibilityGlFormat();
    QApplication application(argc, argv);
    QuitOnSignals quitOnSignals;
    auto *window = new MainWindow();
    window->show();
    QObject::connect(&application, &QApplication::lastWindowClosed, &application,
                     &QApplication::quit);
    return application.exec();
}
