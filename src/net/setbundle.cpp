#include "net/setbundle.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/xmlfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace {

const QLatin1String sharedSkin("sets/bodyparts/tris4.pcx");

std::nullopt_t refuse(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

// What a set file names: its own name, the icon and the models.
struct Contents
{
    QString name;
    QStringList files;
};

std::optional<Contents> contentsOf(const QByteArray &xml, QString *why)
{
    if (xml.size() > setlimits::maxXmlBytes)
        return refuse(
            why,
            QStringLiteral("the set file is larger than %1 bytes").arg(setlimits::maxXmlBytes));
    QDomDocument document;
    if (nestsTooDeep(xml) || !document.setContent(xml))
        return refuse(why, QStringLiteral("the set file is not well-formed XML"));
    Contents contents;
    QStringList named;
    for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull();
         e = e.nextSiblingElement()) {
        if (e.tagName() == QLatin1String("name")) {
            contents.name = e.text().simplified();
        } else if (e.tagName() == QLatin1String("icon")) {
            named << QStringLiteral("sets/") + e.text();
        } else if (e.tagName() == QLatin1String("part") || e.tagName() == QLatin1String("shape")) {
            // As the piece reads it: the last "filename" counts.
            QString model;
            for (QDomElement key = e.firstChildElement(QStringLiteral("filename")); !key.isNull();
                 key = key.nextSiblingElement(QStringLiteral("filename")))
                model = QStringLiteral("sets/") + key.text();
            if (!model.isEmpty())
                named << model;
        }
    }
    for (const QString &file : std::as_const(named)) {
        if (file == sharedSkin)
            continue;
        if (!SetBundle::validFileName(file))
            return refuse(why, QStringLiteral("the set names a file outside its folder: \"%1\"")
                                   .arg(file.left(80)));
        if (!contents.files.contains(file))
            contents.files << file;
    }
    return contents;
}

// A regular file under `root`, no link on the way to it, within the limit.
std::optional<QByteArray> readConfined(const QString &root, const QString &name, qint64 limit,
                                       QString *why)
{
    QString path = root;
    for (const QString &part : name.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isSymLink())
            return refuse(why, QStringLiteral("%1 is a link").arg(name));
    }
    const QFileInfo info(path);
    if (!info.isFile())
        return refuse(why, QStringLiteral("%1 is missing").arg(name));
    if (info.size() > limit)
        return refuse(why, QStringLiteral("%1 is larger than %2 bytes").arg(name).arg(limit));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(why, QStringLiteral("%1 cannot be read").arg(name));
    const QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        return refuse(why, QStringLiteral("%1 is larger than %2 bytes").arg(name).arg(limit));
    return bytes;
}

} // namespace

QString SetBundle::digest() const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const SetFile &file : files) {
        hash.addData(file.name.toUtf8() + '\n' + QByteArray::number(file.bytes.size()) + '\n');
        hash.addData(file.bytes);
    }
    return QString::fromLatin1(hash.result().toHex());
}

qint64 SetBundle::size() const
{
    qint64 total = 0;
    for (const SetFile &file : files)
        total += file.bytes.size();
    return total;
}

const SetFile *SetBundle::file(const QString &name) const
{
    for (const SetFile &f : files)
        if (f.name == name)
            return &f;
    return nullptr;
}

std::optional<SetBundle> SetBundle::read(const QString &root, const QString &id, QString *why)
{
    if (!validId(id))
        return refuse(why, QStringLiteral("\"%1\" is no set name").arg(id.left(80)));
    const QString xmlName = QStringLiteral("sets/") + id + QStringLiteral(".xml");
    const auto xml = readConfined(root, xmlName, setlimits::maxXmlBytes, why);
    if (!xml)
        return std::nullopt;
    const auto contents = contentsOf(*xml, why);
    if (!contents)
        return std::nullopt;
    if (contents->files.size() + 1 > setlimits::maxFiles)
        return refuse(why,
                      QStringLiteral("the set has more than %1 files").arg(setlimits::maxFiles));
    QList<SetFile> files{{xmlName, *xml}};
    qint64 total = xml->size();
    for (const QString &name : contents->files) {
        const auto bytes = readConfined(root, name, setlimits::maxFileBytes, why);
        if (!bytes)
            return std::nullopt;
        total += bytes->size();
        if (total > setlimits::maxSetBytes)
            return refuse(
                why, QStringLiteral("the set is larger than %1 bytes").arg(setlimits::maxSetBytes));
        files.append({name, *bytes});
    }
    return fromFiles(id, files, why);
}

std::optional<SetBundle> SetBundle::fromFiles(const QString &id, QList<SetFile> files, QString *why)
{
    if (!validId(id))
        return refuse(why, QStringLiteral("\"%1\" is no set name").arg(id.left(80)));
    std::sort(files.begin(), files.end(),
              [](const SetFile &a, const SetFile &b) { return a.name < b.name; });
    SetBundle bundle;
    bundle.id = id;
    bundle.files = files;
    if (files.size() > setlimits::maxFiles || bundle.size() > setlimits::maxSetBytes)
        return refuse(why, QStringLiteral("the set is too large"));
    const SetFile *xml = bundle.file(bundle.xmlName());
    if (!xml)
        return refuse(why, QStringLiteral("the set file is missing"));
    const auto contents = contentsOf(xml->bytes, why);
    if (!contents)
        return std::nullopt;
    // Exactly the files the set names, each once, within the limits.
    for (qsizetype i = 0; i < files.size(); ++i) {
        const SetFile &file = files.at(i);
        if (!validFileName(file.name) || (i > 0 && files.at(i - 1).name == file.name)
            || file.bytes.size() > setlimits::maxFileBytes)
            return refuse(
                why, QStringLiteral("the set holds a bad file: \"%1\"").arg(file.name.left(80)));
        if (file.name != bundle.xmlName() && !contents->files.contains(file.name))
            return refuse(why, QStringLiteral("the set does not name %1").arg(file.name));
    }
    for (const QString &name : contents->files)
        if (!bundle.file(name))
            return refuse(why, QStringLiteral("%1 is missing").arg(name));
    bundle.name = contents->name;
    return bundle;
}

bool SetBundle::store(const QString &root, QString *why) const
{
    const QFileInfo target(root);
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent)) {
        refuse(why, QStringLiteral("cannot make %1").arg(parent));
        return false;
    }
    QTemporaryDir incoming(parent + QStringLiteral("/.incoming-XXXXXX"));
    if (!incoming.isValid()) {
        refuse(why, QStringLiteral("cannot write into %1").arg(parent));
        return false;
    }
    for (const SetFile &file : files) {
        if (!validFileName(file.name)) {
            refuse(why, QStringLiteral("bad file name"));
            return false;
        }
        const QString path = incoming.filePath(file.name);
        QFile out(path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !out.open(QIODevice::WriteOnly)
            || out.write(file.bytes) != file.bytes.size() || !out.flush()) {
            refuse(why, QStringLiteral("cannot write %1").arg(path));
            return false;
        }
    }
    // Whatever stood there before goes; a link is removed, never followed.
    if (target.isSymLink() || target.isFile())
        QFile::remove(root);
    else if (target.exists())
        QDir(root).removeRecursively();
    if (!QDir().rename(incoming.path(), root)) {
        refuse(why, QStringLiteral("cannot write %1").arg(root));
        return false;
    }
    incoming.setAutoRemove(false);
    return true;
}

bool SetBundle::validFileName(const QString &name)
{
    static const QRegularExpression part(QStringLiteral("^[A-Za-z0-9_+-][A-Za-z0-9._+ -]{0,63}$"));
    if (name.size() > setlimits::maxNameLength || !name.startsWith(QLatin1String("sets/")))
        return false;
    const QStringList parts = name.mid(5).split(QLatin1Char('/'));
    if (parts.size() > 8)
        return false;
    for (const QString &p : parts)
        if (!part.match(p).hasMatch())
            return false;
    return true;
}

bool SetBundle::validId(const QString &id)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9_+-][A-Za-z0-9._+-]{0,63}$"));
    return pattern.match(id).hasMatch();
}

void useModelsUnder(GameEngine &engine, const QString &root)
{
    QList<PieceRecord *> records = engine.remaining + engine.placed;
    records << engine.current << engine.shapePiece;
    for (PieceRecord *record : std::as_const(records))
        if (record && !record->fileName.isEmpty())
            record->fileName = root + QLatin1Char('/') + record->fileName;
}
