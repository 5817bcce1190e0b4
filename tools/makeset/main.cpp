// torvane-makeset: a puzzle set from a folder of ordinary mesh files.
//
//   torvane-makeset --name "The heart" --out DATA_DIR [--shape MESH]
//                   [--manifest FILE] [--up AXIS] [--force] MESH|FOLDER...
//
// Exit status 0 when the set is in place and playable, 1 when the input or
// the set is bad (one line on standard error, the data directory left as
// it was), 2 for a wrong command line.

#include "makeset.h"
#include "meshreader.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

int usageError(const QString &what)
{
    std::fprintf(stderr, "torvane-makeset: %s (see --help)\n", qPrintable(what));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // Each mesh file is imported by a child: this program again (meshreader.h).
    if (argc > 1 && std::strcmp(argv[1], makeset::importChildOption) == 0)
        return makeset::runImportChild(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("torvane-makeset");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Makes a Torvane puzzle set from mesh files (OBJ, STL, PLY, glTF and whatever\n"
        "else Assimp reads), one piece a file, all in one coordinate frame, into the\n"
        "game's data directory: sets/ID.xml, sets/ID.png and sets/bodyparts/ID/.\n"
        "A manifest names the pieces and their tissues, a line each:\n"
        "  FILE | NAME | TISSUE | LATIN NAME\n"
        "See torvane-makeset(1) for the tissues and the lay-out.");
    parser.addHelpOption();
    const QCommandLineOption name({"n", "name"}, "The set's name, shown under its icon.", "NAME");
    const QCommandLineOption out(
        {"o", "out"}, "The game's data directory (it holds sets/bodyparts/tris4.pcx).", "DATA_DIR");
    const QCommandLineOption shape(
        {"s", "shape"}, "A mesh of the whole body; without it the pieces' outline is the shape.",
        "MESH");
    const QCommandLineOption manifest({"m", "manifest"}, "Names and tissues of the pieces.",
                                      "FILE");
    const QCommandLineOption up(
        "up",
        "The mesh axis that points up in the game (x, y, z, -x, -y or -z); by default the "
        "set's shortest side.",
        "AXIS");
    const QCommandLineOption force({"f", "force"}, "Replace a set of the same name.");
    parser.addOptions({name, out, shape, manifest, up, force});
    parser.addPositionalArgument("meshes", "Mesh files, or folders of them: one piece a file.",
                                 "MESH|FOLDER...");
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet("help") || parser.isSet("help-all")) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!parser.isSet(name))
        return usageError("--name is missing");
    if (!parser.isSet(out))
        return usageError("--out is missing");
    if (parser.positionalArguments().isEmpty())
        return usageError("no meshes given");
    int axis = 0, sign = 1;
    if (parser.isSet(up) && !makeset::parseAxis(parser.value(up), &axis, &sign))
        return usageError(
            "--up takes x, y or z, with a minus sign where the axis points down (-y)");

    makeset::Options options;
    options.name = parser.value(name);
    options.out = parser.value(out);
    options.shape = parser.value(shape);
    options.manifest = parser.value(manifest);
    options.up = parser.value(up);
    options.force = parser.isSet(force);
    options.inputs = parser.positionalArguments();

    // A line per piece for whoever watches; nothing for scripts and pipes.
    makeset::Report progress;
    if (isatty(STDOUT_FILENO))
        progress = [](const QString &line) {
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        };
    const auto warning = [](const QString &line) {
        std::fprintf(stderr, "torvane-makeset: %s\n", qPrintable(line));
    };
    const makeset::Outcome outcome = makeset::makeSet(options, progress, warning);
    if (!outcome.ok) {
        std::fprintf(stderr, "torvane-makeset: %s\n", qPrintable(outcome.error));
        return 1;
    }
    std::printf("%s\n", qPrintable(outcome.summary));
    return 0;
}
