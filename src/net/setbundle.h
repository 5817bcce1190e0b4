#pragma once

// A puzzle set as it travels to a student who lacks it: the set file, its
// icon and every model it names, by their paths under the data directory
// ("sets/heart.xml", "sets/bodyparts/heart-aorta.md2"). The skin every set
// shares ("sets/bodyparts/tris4.pcx") is part of every installation and
// never travels. A received set is stored apart from the shipped data, in a
// cache folder of the game, and read back through the same checks.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class GameEngine;

namespace setlimits {
constexpr int maxFiles = 200;
constexpr qint64 maxFileBytes = 4 << 20;
constexpr qint64 maxSetBytes = 16 << 20;
constexpr qint64 maxXmlBytes = 1 << 20;
constexpr int maxNameLength = 200;
constexpr int maxIdLength = 64;
} // namespace setlimits

struct SetFile
{
    QString name; // "sets/..."
    QByteArray bytes;
};

class SetBundle
{
public:
    QString id;           // the set file's base name: "heart" for "sets/heart.xml"
    QString name;         // what the set calls itself ("The heart")
    QList<SetFile> files; // sorted by name

    // Lowercase hex SHA-256 over every file in name order: its name, "\n",
    // its size in decimal, "\n", its bytes.
    QString digest() const;
    qint64 size() const;
    const SetFile *file(const QString &name) const;
    QString xmlName() const { return QStringLiteral("sets/") + id + QStringLiteral(".xml"); }

    // Reads "sets/<id>.xml" under `root` and the files it names. Refused,
    // with `why` said, when a name is not confined to "sets/", a file is
    // missing, a link or past the limits, or the set is no well-formed XML.
    static std::optional<SetBundle> read(const QString &root, const QString &id, QString *why);
    // The same checks over files already in memory (a set received).
    static std::optional<SetBundle> fromFiles(const QString &id, QList<SetFile> files,
                                              QString *why);

    // Writes the files under `root`, a folder this call makes: a fresh
    // folder beside it first, renamed once complete, so a half-written set
    // is never found there.
    bool store(const QString &root, QString *why) const;

    // "sets/" and then one to eight names of 1 to 64 characters from
    // letters, digits, ".", "_", "-", "+" and space, none starting with "."
    // or a space; at most maxNameLength in all.
    static bool validFileName(const QString &name);
    static bool validId(const QString &id);
};

// Points every piece of the engine at the models of a set stored under
// `root`, as read by SetBundle::store. The shipped sets are read from the
// working directory as always; only a received set's engine is moved.
void useModelsUnder(GameEngine &engine, const QString &root);
