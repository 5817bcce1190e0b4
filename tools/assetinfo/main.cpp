// torvane-inspect: prints what the game decodes from a piece mesh or skin.
//
//   torvane-inspect MODEL.md2 [--skin SKIN.pcx]
//   torvane-inspect SKIN.pcx [--png OUT.png]
//
// A model is read as the game reads it after its skin: with --skin the
// skin's size normalises the texture coordinates; a skin that cannot be read
// or decoded counts as "not loaded", as in the game (no texture coordinates,
// "skinLoaded": false, a warning on standard error). Without --skin a loaded
// 256 x 256 skin is assumed. A file that cannot be read or decoded: exit
// status 1 and one line on standard error.

#include "pieces/md2format.h"
#include "pieces/pcxformat.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>

#include <charconv>
#include <cstdio>
#include <string>

namespace {

bool readFile(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "torvane-inspect: %s\n", qPrintable(message));
    return 1;
}

// Shortest text that reads back as the same float.
std::string number(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string vector3(const MeshVertex &v)
{
    return "[" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + "]";
}

int usage()
{
    std::fprintf(stderr, "usage: torvane-inspect MODEL.md2 [--skin SKIN.pcx]\n"
                         "       torvane-inspect SKIN.pcx [--png OUT.png]\n");
    return 1;
}

int inspectSkin(const QString &path, const QString &pngPath)
{
    QByteArray bytes;
    QString error;
    if (!readFile(path, &bytes, &error))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, error));
    const PcxResult decoded = decodePcx(bytes);
    if (!decoded.ok)
        return fail(QStringLiteral("cannot decode %1: %2").arg(path, decoded.error));
    const PcxImage &image = decoded.image;
    if (!pngPath.isEmpty()) {
        const QImage rgb(reinterpret_cast<const uchar *>(image.rgb.constData()), image.width,
                         image.height, qsizetype(image.width) * 3, QImage::Format_RGB888);
        if (!rgb.save(pngPath, "PNG"))
            return fail(QStringLiteral("cannot write %1").arg(pngPath));
    }
    std::printf("{\"width\": %d, \"height\": %d}\n", image.width, image.height);
    return 0;
}

int inspectModel(const QString &path, const QString &skinPath)
{
    SkinInfo skin{true, 256, 256};
    if (!skinPath.isEmpty()) {
        QByteArray skinBytes;
        QString error;
        PcxResult decoded;
        if (!readFile(skinPath, &skinBytes, &error))
            decoded.error = error;
        else
            decoded = decodePcx(skinBytes);
        if (decoded.ok) {
            skin.width = decoded.image.width;
            skin.height = decoded.image.height;
        } else {
            skin = SkinInfo{};
            std::fprintf(stderr, "torvane-inspect: warning: skin %s not loaded: %s\n",
                         qPrintable(skinPath), qPrintable(decoded.error));
        }
    }

    QByteArray bytes;
    QString error;
    if (!readFile(path, &bytes, &error))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, error));
    const Md2Result decoded = decodeMd2(bytes, skin);
    if (!decoded.ok)
        return fail(QStringLiteral("cannot decode %1: %2").arg(path, decoded.error));
    const Md2Model &model = decoded.model;
    const Md2Box &box = decoded.box;

    std::string frame0 = "[";
    if (model.frameCount > 0) {
        for (int i = 0; i < qMin(3, model.vertexCount); ++i)
            frame0 += (i ? ", " : "") + vector3(model.frames[i]);
    }
    frame0 += "]";
    std::string lastFrameFirst = "[]";
    if (model.frameCount > 0 && model.vertexCount > 0)
        lastFrameFirst =
            vector3(model.frames[size_t(model.frameCount - 1) * size_t(model.vertexCount)]);
    std::string triangle0 = "[]";
    if (model.triangleCount > 0) {
        const MeshTriangle &t = model.triangles[0];
        triangle0 = "[" + std::to_string(t.vertexIndex[0]) + ", " + std::to_string(t.vertexIndex[1])
                    + ", " + std::to_string(t.vertexIndex[2]) + ", "
                    + std::to_string(t.texCoordIndex[0]) + ", " + std::to_string(t.texCoordIndex[1])
                    + ", " + std::to_string(t.texCoordIndex[2]) + "]";
    }
    std::string texCoord0 = "[]";
    if (model.texCoordCount > 0)
        texCoord0 = "[" + number(model.texCoords[0].s) + ", " + number(model.texCoords[0].t) + "]";

    std::string json = "{";
    json += "\"frames\": " + std::to_string(model.frameCount);
    json += ", \"vertexCount\": " + std::to_string(model.vertexCount);
    json += ", \"triangleCount\": " + std::to_string(model.triangleCount);
    json += ", \"texCoordCount\": " + std::to_string(model.texCoordCount);
    json += std::string(", \"skinLoaded\": ") + (skin.loaded ? "true" : "false");
    json += ", \"minX\": " + number(box.minX) + ", \"maxX\": " + number(box.maxX);
    json += ", \"minY\": " + number(box.minY) + ", \"maxY\": " + number(box.maxY);
    json += ", \"minZ\": " + number(box.minZ) + ", \"maxZ\": " + number(box.maxZ);
    json += ", \"halfSizeX\": " + number((box.maxX - box.minX) * 0.5f);
    json += ", \"halfSizeY\": " + number((box.maxY - box.minY) * 0.5f);
    json += ", \"halfSizeZ\": " + number((box.maxZ - box.minZ) * 0.5f);
    json += ", \"frame0\": " + frame0;
    json += ", \"lastFrameFirst\": " + lastFrameFirst;
    json += ", \"triangle0\": " + triangle0;
    json += ", \"texCoord0\": " + texCoord0;
    json += "}\n";
    std::fputs(json.c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QString file, skin, png;
    bool skinGiven = false, pngGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--skin") && i + 1 < args.size()) {
            skin = args[++i];
            skinGiven = true;
        } else if (args[i] == QLatin1String("--png") && i + 1 < args.size()) {
            png = args[++i];
            pngGiven = true;
        } else if (args[i].startsWith(QLatin1String("--")) || !file.isEmpty()) {
            return usage();
        } else {
            file = args[i];
        }
    }
    if (file.isEmpty() || (skinGiven && pngGiven))
        return usage();

    const bool isSkin =
        pngGiven || (!skinGiven && file.endsWith(QLatin1String(".pcx"), Qt::CaseInsensitive));
    return isSkin ? inspectSkin(file, png) : inspectModel(file, skin);
}
