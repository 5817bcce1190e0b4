// torvane-setcheck DIR: checks a data directory as the game will read it and
// prints one line per problem and per warning; exits 1 when there is any
// problem (warnings alone leave the set playable).

#include "setcheck.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: torvane-setcheck DIR\n");
        return 2;
    }
    const setcheck::Report report = setcheck::checkDataDirectory(args.at(1));
    for (const QString &line : report.problems + report.warnings)
        std::printf("%s\n", qPrintable(line));
    if (!report.problems.isEmpty())
        return 1;
    std::printf("%s: %d sets, %d pieces, all readable and playable\n", qPrintable(args.at(1)), report.sets, report.pieces);
    return 0;
}
