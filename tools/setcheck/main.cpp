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
    const char *const usage =
        "usage: torvane-setcheck DIR\n"
        "Checks the puzzle sets of a Torvane data directory (DIR/sets/*.xml, their icons,\n"
        "models and the shared skin) as the game reads them: one line per problem and per\n"
        "warning; exit status 0 when every set plays, 1 when one does not, 2 for a wrong\n"
        "command line. See torvane-setcheck(1).\n";
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        std::printf("%s", usage);
        return 0;
    }
    // A directory called "-x" is given as "./-x".
    if (args.size() != 2 || args[1].startsWith('-')) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    const setcheck::Report report = setcheck::checkDataDirectory(args.at(1));
    for (const QString &line : report.problems + report.warnings)
        std::printf("%s\n", qPrintable(line));
    if (!report.problems.isEmpty())
        return 1;
    std::printf("%s: %d sets, %d pieces, all readable and playable\n", qPrintable(args.at(1)),
                report.sets, report.pieces);
    return 0;
}
