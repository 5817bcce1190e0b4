#include "pieceinfo.h"

#include "pieces/skinswatches.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

namespace makeset {
namespace {

// Word stems that name a tissue, most specific first: "pulmonary vein" is
// a vein before it is lung, "spinal cord" a nerve before it is bone.
struct Keywords
{
    const char *tissue;
    QStringList stems;
};

const QList<Keywords> &keywords()
{
    static const QList<Keywords> table = {
        {"artery", {"arter", "aort", "carotid", "coronary"}},
        {"vein", {"vein", "vena", "venous", "jugular", "portal", "saphenous"}},
        {"nerve", {"nerve", "spinal cord", "plexus", "ganglion", "sciatic", "optic"}},
        {"cartilage", {"cartilag", "menisc", "intervertebral", "disc", "trachea", "larynx", "epiglott"}},
        {"heart", {"heart", "ventric", "atrium", "atria", "myocard", "cardi", "valve", "auricle"}},
        {"lung", {"lung", "bronch", "pulmon", "alveol", "pleura"}},
        {"liver", {"liver", "hepat", "gall", "bile", "spleen", "splen"}},
        {"kidney", {"kidney", "renal", "nephr", "ureter", "bladder", "adrenal", "urethra"}},
        {"stomach", {"stomach", "gastr", "esophag", "oesophag", "pancrea"}},
        {"bowel", {"bowel", "intestin", "colon", "duoden", "jejun", "ileum", "cecum", "caecum", "rectum", "append", "sigmoid"}},
        {"brain", {"brain", "cerebr", "cerebell", "cortex", "thalam", "hippocamp", "pons", "medulla", "gyrus", "amygdala",
                   "hemisphere", "caudate", "putamen", "lobe"}},
        {"eye", {"eye", "ocul", "cornea", "retina", "sclera", "iris", "lens"}},
        {"bone", {"bone", "femur", "femor", "tibia", "fibula", "humer", "radius", "ulna", "skull", "crani", "mandib", "maxill",
                  "vertebr", "rib", "stern", "pelvi", "sacr", "coccyx", "clavic", "scapul", "patell", "carpal", "tarsal",
                  "phalan", "calcane", "talus", "ilium", "ischi", "pubi", "hyoid", "skeleton", "spine", "tooth", "teeth",
                  "frontal", "parietal", "occipital", "temporal", "sphenoid", "ethmoid", "zygomat"}},
        {"muscle", {"muscle", "musc", "biceps", "triceps", "deltoid", "glute", "quadriceps", "pector", "trapez", "latissimus",
                    "rectus", "oblique", "sartorius", "gastrocnem", "soleus", "diaphragm", "tongue", "tendon"}},
        {"fat", {"fat", "adipose"}},
        {"skin", {"skin", "body", "torso", "trunk", "derm"}},
    };
    return table;
}

bool addEntry(Manifest *manifest, const QString &file, const QString &name, const QString &tissue, const QString &where,
              QString *error)
{
    if (file.isEmpty()) {
        *error = where + ": names no file";
        return false;
    }
    ManifestEntry entry;
    entry.name = name.trimmed();
    if (!tissue.trimmed().isEmpty()) {
        entry.tissue = tissueNamed(tissue.trimmed());
        if (entry.tissue < 0) {
            QStringList known;
            for (const swatch::Tissue &t : swatch::tissues)
                known << t.name;
            *error = QString("%1: no tissue \"%2\" (there are %3)").arg(where, tissue.trimmed(), known.join(", "));
            return false;
        }
    }
    manifest->entries.insert(file, entry);
    return true;
}

bool readJson(const QByteArray &bytes, const QString &path, Manifest *manifest, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (!document.isObject()) {
        *error = path + ": not a JSON object of files" + (parse.error ? " (" + parse.errorString() + ")" : QString());
        return false;
    }
    const QJsonObject files = document.object();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject piece = it.value().toObject();
        const QString name = it.value().isString() ? it.value().toString() : piece.value("name").toString();
        if (!addEntry(manifest, it.key(), name, piece.value("tissue").toString(), path + ": " + it.key(), error))
            return false;
    }
    return true;
}

} // namespace

ManifestEntry *Manifest::find(const QString &path)
{
    auto it = entries.find(path);
    if (it == entries.end())
        it = entries.find(QFileInfo(path).fileName());
    if (it == entries.end())
        return nullptr;
    it->used = true;
    return &*it;
}

bool readManifest(const QString &path, Manifest *manifest, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + ": cannot read the manifest (" + file.errorString() + ")";
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().startsWith('{'))
        return readJson(bytes, path, manifest, error);
    const QStringList lines = QString::fromUtf8(bytes).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split('|');
        const QString where = QString("%1 line %2").arg(path).arg(i + 1);
        if (fields.size() < 2 || fields.size() > 3) {
            *error = where + ": expected FILE | NAME | TISSUE (the tissue may be left out)";
            return false;
        }
        if (!addEntry(manifest, fields[0].trimmed(), fields[1], fields.value(2), where, error))
            return false;
    }
    return true;
}

QString nameFromFile(const QString &path)
{
    QString name = QFileInfo(path).completeBaseName();
    name.replace(QRegularExpression("[_\\s-]+"), " ");
    name = name.trimmed();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

QString slug(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD).toLower()) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += c;
        else if (c.category() != QChar::Mark_NonSpacing && !out.isEmpty() && !out.endsWith('-'))
            out += '-'; // accents fall away, everything else parts words
    }
    while (out.endsWith('-'))
        out.chop(1);
    return out.left(48);
}

int tissueNamed(const QString &name)
{
    for (int i = 0; i < swatch::count; ++i)
        if (name.compare(QLatin1String(swatch::tissues[i].name), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int tissueNearest(int r, int g, int b)
{
    int best = 0, bestDistance = -1;
    for (int i = 0; i < swatch::count; ++i) {
        const swatch::Tissue &t = swatch::tissues[i];
        const int d = (t.r - r) * (t.r - r) + (t.g - g) * (t.g - g) + (t.b - b) * (t.b - b);
        if (bestDistance < 0 || d < bestDistance)
            best = i, bestDistance = d;
    }
    return best;
}

int tissueFromName(const QString &name)
{
    const QString lower = name.toLower();
    for (const Keywords &k : keywords())
        for (const QString &stem : k.stems)
            if (lower.contains(stem))
                return tissueNamed(k.tissue);
    return -1;
}

int defaultTissue() { return tissueNamed("muscle"); }

} // namespace makeset
