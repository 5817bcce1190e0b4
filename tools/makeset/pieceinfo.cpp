#include "pieceinfo.h"

#include "pieces/skinswatches.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringConverter>
#include <QStringList>

#include <optional>

namespace makeset {
namespace {

// Words that name a tissue, most specific first: "pulmonary vein" is a
// vein before it is lung, "rectus femoris" a muscle before it is bone. A
// word matches whole, or with a plural "s" or "es"; one ending in '*'
// matches every word it starts; one with a space, those words in a row.
// Accents are dropped before matching ("fémur" is "femur").
struct Keywords
{
    const char *tissue;
    const char *words;
};

const Keywords keywords[] = {
    {"artery", "artery arteries arteria arterial aorta aortic carotid coronary"},
    {"vein", "vein vena venous jugular portal saphenous"},
    {"nerve", "nerve nervus spinal_cord plexus ganglion sciatic optic"},
    {"cartilage", "cartilage* menisc* intervertebral disc disk trachea larynx epiglott*"},
    {"heart", "heart ventric* atrium atria atrial myocard* cardiac valve auricle mitral tricuspid"},
    {"lung", "lung bronch* pulmon* alveol* pleura*"},
    {"liver", "liver hepat* gallbladder gall bile biliary spleen splen*"},
    {"kidney", "kidney renal nephr* ureter* bladder adrenal urethra"},
    {"stomach", "stomach gastr* esophag* oesophag* pancrea*"},
    {"bowel", "bowel intestin* colon duoden* jejun* ileum cecum caecum rectum append* sigmoid"},
    {"brain", "brain cerebr* cerebell* cortex thalam* hippocamp* pons medulla gyrus amygdala "
              "hemisphere caudate putamen "
              "lobe"},
    {"eye", "eye eyeball ocul* cornea retina sclera iris lens"},
    {"muscle", "muscle* musc* мышц* biceps triceps deltoid* glute* quadriceps pector* trapezius "
               "latissimus rectus oblique "
               "sartorius gastrocnem* soleus diaphragm tongue tendon sternocleidomastoid masseter "
               "temporalis frontalis "
               "occipitalis brachialis brachioradialis flexor extensor abductor adductor supinator "
               "pronator psoas iliacus "
               "iliopsoas gracilis semitendinosus semimembranosus vastus tibialis peroneus "
               "fibularis infraspinatus "
               "supraspinatus subscapularis teres rhomboid* serratus intercostal* platysma "
               "orbicularis buccinator"},
    {"bone", "bone os ossis skeleton skull cranium crani* femur femor* tibia fibula humerus humer* "
             "radius ulna cubitus "
             "mandible mandib* maxilla* vertebra* vertebre* rib costa sternum manubrium xiphoid "
             "pelvis pelvi* hip hipbone "
             "coxa* sacrum sacr* coccyx clavicle clavicul* scapula* omoplate patella* rotule "
             "carpal carpus metacarp* "
             "tarsal tarsus metatars* phalan* calcane* talus ilium iliac ischium ischi* pubis "
             "pubic acetabul* hyoid spine "
             "tooth teeth dens frontal parietal occipital temporal sphenoid ethmoid zygoma* nasal "
             "lacrimal vomer palatine "
             "scaphoid lunate triquetrum triquetral pisiform trapezium trapezoid capitate hamate "
             "navicular cuboid "
             "cuneiform atlas axis sesamoid incus malleus stapes perone bassin crane "
             "кост* череп* позвон* ребр* лопатк* ключиц* грудин* таз* бедренн* плечев* лучев* "
             "локтев* берцов* "
             "надколенн* крестец копчик"},
    {"fat", "fat adipose"},
    {"skin", "skin body torso trunk derm* epiderm*"},
};

// The name's words: lower case, accents dropped, words split at every
// other character and where a capital follows a small letter ("LeftFemur").
QStringList wordsOf(const QString &text)
{
    QString spaced;
    for (int i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i].isUpper() && text[i - 1].isLower())
            spaced += ' ';
        spaced += text[i];
    }
    QString plain;
    for (const QChar c : spaced.normalized(QString::NormalizationForm_KD).toLower())
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c.isLetter() ? c : QChar(' ');
    return plain.split(' ', Qt::SkipEmptyParts);
}

bool matches(const QStringList &words, int at, const QString &entry)
{
    if (entry.contains('_')) { // words in a row
        const QStringList row = entry.split('_');
        for (int k = 0; k < row.size(); ++k)
            if (at + k >= words.size() || words[at + k] != row[k])
                return false;
        return true;
    }
    const QString &word = words[at];
    if (entry.endsWith('*'))
        return word.startsWith(entry.chopped(1));
    return word == entry || word == entry + "s" || word == entry + "es";
}

bool addEntry(Manifest *manifest, const QString &file, const QString &name, const QString &tissue,
              const QString &latin, const QString &where, QString *error)
{
    if (file.isEmpty()) {
        *error = where + ": names no file";
        return false;
    }
    ManifestEntry entry;
    entry.name = name.trimmed();
    entry.latin = latin.simplified();
    if (!tissue.trimmed().isEmpty()) {
        entry.tissue = tissueNamed(tissue.trimmed());
        if (entry.tissue < 0) {
            QStringList known;
            for (const swatch::Tissue &t : swatch::tissues)
                known << t.name;
            *error = QString("%1: no tissue \"%2\" (there are %3)")
                         .arg(where, tissue.trimmed(), known.join(", "));
            return false;
        }
    }
    if (manifest->entries.contains(file)) {
        *error = where + ": names " + file + " a second time";
        return false;
    }
    manifest->entries.insert(file, entry);
    return true;
}

// The top-level keys of a JSON object in the order written, duplicates
// included (QJsonObject keeps only one of each).
QStringList topLevelKeys(const QString &json)
{
    QStringList keys;
    int depth = 0;
    for (int i = 0; i < json.size(); ++i) {
        const QChar c = json[i];
        if (c == '{' || c == '[')
            ++depth;
        else if (c == '}' || c == ']')
            --depth;
        else if (c == '"') {
            QString text;
            for (++i; i < json.size() && json[i] != '"'; ++i)
                text += json[i] == '\\' && i + 1 < json.size() ? json[++i] : json[i];
            int next = i + 1;
            while (next < json.size() && json[next].isSpace())
                ++next;
            if (depth == 1 && next < json.size() && json[next] == ':')
                keys << text;
        }
    }
    return keys;
}

// The manifest's text: UTF-8 with or without a byte-order mark, or UTF-16
// with one; anything else would turn "Fémur" into noise, so it is refused.
bool decode(const QByteArray &bytes, const QString &path, QString *text, QString *error)
{
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes);
    if (!encoding && bytes.contains('\0')) {
        *error = path
                 + ": looks like UTF-16 without a byte-order mark; save it as UTF-8 (or UTF-16 "
                   "with a byte-order mark)";
        return false;
    }
    if (encoding && *encoding != QStringConverter::Utf8 && *encoding != QStringConverter::Utf16LE
        && *encoding != QStringConverter::Utf16BE) {
        *error = path + ": is in an encoding other than UTF-8 or UTF-16; save it as UTF-8";
        return false;
    }
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    *text = decoder.decode(bytes);
    if (decoder.hasError()) {
        *error = path + ": is not UTF-8 text (Latin-1 or another code page?); save it as UTF-8";
        return false;
    }
    if (text->startsWith(QChar(0xFEFF)))
        text->remove(0, 1);
    return true;
}

bool readJson(const QString &text, const QString &path, Manifest *manifest, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parse);
    if (!document.isObject()) {
        *error = path + ": not a JSON object of files"
                 + (parse.error ? " (" + parse.errorString() + ")" : QString());
        return false;
    }
    const QStringList keys = topLevelKeys(text);
    for (int i = 0; i < keys.size(); ++i)
        if (keys.indexOf(keys[i]) < i) {
            *error = path + ": " + keys[i] + ": names " + keys[i] + " a second time";
            return false;
        }
    const QJsonObject files = document.object();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject piece = it.value().toObject();
        const QString name =
            it.value().isString() ? it.value().toString() : piece.value("name").toString();
        if (!addEntry(manifest, it.key(), name, piece.value("tissue").toString(),
                      piece.value("latin").toString(), path + ": " + it.key(), error))
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
    QString text;
    if (!decode(file.readAll(), path, &text, error))
        return false;
    if (text.trimmed().startsWith('{'))
        return readJson(text, path, manifest, error);
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split('|');
        const QString where = QString("%1 line %2").arg(path).arg(i + 1);
        if (fields.size() < 2 || fields.size() > 4) {
            *error =
                where
                + ": expected FILE | NAME | TISSUE | LATIN (the last two may be left out or empty)";
            return false;
        }
        if (!addEntry(manifest, fields[0].trimmed(), fields[1], fields.value(2), fields.value(3),
                      where, error))
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
    const QStringList words = wordsOf(name);
    for (const Keywords &k : keywords) {
        const QStringList entries = QString::fromUtf8(k.words).split(' ', Qt::SkipEmptyParts);
        for (int at = 0; at < words.size(); ++at)
            for (const QString &entry : entries)
                if (matches(words, at, entry))
                    return tissueNamed(k.tissue);
    }
    return -1;
}

// Nothing says what the piece is: a plain pale swatch rather than a guess.
int defaultTissue()
{
    return tissueNamed("skin");
}

} // namespace makeset
