#pragma once

// Where a made set comes from and where it goes: the mesh files named on
// the command line, the set's files in the data directory (never another
// set's), and moving the staged set into place.

#include "makeset.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <csignal>

namespace makeset {

// The set already shown under a name: its file, id and whether this tool made it.
struct Namesake
{
    QString file; // sets/<id>.xml; empty: none
    QString id;
    bool ours = false;
};
Namesake setNamed(const QString &dir, const QString &name);

// The set's folder of models, icon and set file, relative to the data directory.
QStringList filesOf(const QString &id);

// The id the set takes: its namesake's when this tool made it and --force
// says so, else the first id from its name whose files no other set holds.
// False with `error` when a set of that name is there and may not be replaced.
bool chooseId(const Options &options, const QString &name, const QString &out, QString *id,
              QString *error);

// The files named on the command line, folders opened (not their
// subfolders), each file once, the shape and the manifest left out; `named`
// holds those given by name.
bool collectInputs(const Options &options, QStringList *files, QSet<QString> *named,
                   QString *error);

// Moves the staged files over the data directory's, the old ones (--force)
// aside into the staging folder first; undoes every move if one fails.
bool moveIntoPlace(const QString &staging, const QString &out, const QStringList &files,
                   QString *error);

// While one lives, Ctrl-C and kills wait (until the staging folder is gone);
// the signal then ends the program as it would have.
class SignalsHeld
{
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;
    bool interrupted() const;

private:
    sigset_t held, before;
};

} // namespace makeset
