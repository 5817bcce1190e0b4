#include "setfiles.h"

#include "game/datapaths.h"
#include "game/setformat.h"
#include "game/xmlfile.h"
#include "pieceinfo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDomDocument>
#include <QFileInfo>

namespace makeset {

Namesake setNamed(const QString &dir, const QString &name)
{
    const QDir sets(dir + "/" + datapath::sets);
    for (const QString &file : sets.entryList({datapath::setFilter}, QDir::Files, QDir::Name)) {
        QDomDocument document("set");
        if (!readXmlFile(sets.filePath(file), document))
            continue;
        const setformat::SetFile set = setformat::readSet(document);
        if (set.name.simplified().compare(name, Qt::CaseInsensitive) == 0)
            return {datapath::setPrefix + file, QFileInfo(file).completeBaseName(),
                    set.maker == makerName};
    }
    return {};
}

QStringList filesOf(const QString &id)
{
    return {QString(datapath::bodyparts) + "/" + id, datapath::setPrefix + id + ".png",
            datapath::setPrefix + id + ".xml"};
}

bool chooseId(const Options &options, const QString &name, const QString &out, QString *id,
              QString *error)
{
    const Namesake namesake = setNamed(out, name);
    if (!namesake.file.isEmpty()) {
        if (!namesake.ours) {
            *error =
                QString(
                    "a set named \"%1\" is already there (%2) and was not made by torvane-makeset; "
                    "choose another --name")
                    .arg(name, namesake.file);
            return false;
        }
        if (!options.force) {
            *error = QString("a set named \"%1\" is already there (%2); --force replaces it")
                         .arg(name, namesake.file);
            return false;
        }
        *id = namesake.id;
        return true;
    }
    QString base = slug(name);
    if (base.isEmpty()) // a name in another script: the same name, the same files
        base = "set-"
               + QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    for (int n = 1;; ++n) {
        *id = n == 1 ? base : base + "-" + QString::number(n);
        bool taken = false;
        for (const QString &file : filesOf(*id))
            taken = taken || QFileInfo::exists(out + "/" + file);
        if (!taken)
            return true;
    }
}

bool collectInputs(const Options &options, QStringList *files, QSet<QString> *named, QString *error)
{
    QSet<QString> seen;
    for (const QString &extra : {options.shape, options.manifest})
        if (!extra.isEmpty())
            seen.insert(QFileInfo(extra).canonicalFilePath());
    for (const QString &input : options.inputs) {
        const QFileInfo info(input);
        QStringList found;
        if (info.isDir()) {
            for (const QFileInfo &entry : QDir(input).entryInfoList(QDir::Files, QDir::Name))
                found << entry.filePath();
        } else if (info.exists()) {
            found << input;
            named->insert(QFileInfo(input).canonicalFilePath());
        } else {
            *error = input + ": no such file or folder";
            return false;
        }
        for (const QString &file : found) {
            const QString key = QFileInfo(file).canonicalFilePath();
            if (!seen.contains(key))
                seen.insert(key), *files << file;
        }
    }
    return true;
}

bool moveIntoPlace(const QString &staging, const QString &out, const QStringList &files,
                   QString *error)
{
    QList<QPair<QString, QString>> done;
    const auto move = [&](const QString &from, const QString &to) {
        if (!QDir().rename(from, to))
            return false;
        done.prepend({from, to});
        return true;
    };
    bool ok = QDir().mkpath(staging + "/replaced");
    for (int i = 0; ok && i < files.size(); ++i)
        if (QFileInfo::exists(out + "/" + files[i]))
            ok = move(out + "/" + files[i], staging + "/replaced/" + QString::number(i));
    for (int i = 0; ok && i < files.size(); ++i)
        ok = move(staging + "/" + files[i], out + "/" + files[i]);
    if (ok)
        return true;
    for (const auto &[from, to] : done)
        QDir().rename(to, from);
    *error = "cannot move the set into " + out + "/" + datapath::sets + " (is it writable?)";
    return false;
}

SignalsHeld::SignalsHeld()
{
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &before);
}

SignalsHeld::~SignalsHeld()
{
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

bool SignalsHeld::interrupted() const
{
    sigset_t pending;
    sigpending(&pending);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (sigismember(&pending, s))
            return true;
    return false;
}

} // namespace makeset
