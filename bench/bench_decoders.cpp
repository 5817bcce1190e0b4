// Decoding the piece files against the libraries a player's system would
// otherwise use for them, and the set chooser's scan of the sets directory.
#include "summary.h"

#include "md2writer.h"
#include "pcxwriter.h"
#include "pieces/md2format.h"
#include "pieces/pcxformat.h"
#include "screens/setchooser.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#ifdef TORVANE_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>
#endif
#ifdef TORVANE_HAVE_SDL2_IMAGE
#include <SDL.h>
#include <SDL_image.h>
#endif

#include <cstdint>
#include <cstdio>

namespace {

// Deterministic pseudo-random bytes, the same on every run.
quint32 nextRandom(quint32 &state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A mesh the size of a Quake 2 player model: 198 frames of 500 vertices,
// 900 triangles.
const QByteArray &md2Model()
{
    static const QByteArray bytes = [] {
        Md2Writer md2;
        quint32 seed = 1;
        const int vertexCount = 500;
        for (int f = 0; f < 198; ++f) {
            Md2Writer::Frame frame;
            for (float &s : frame.scale)
                s = 0.2f + float(nextRandom(seed) % 100) / 100.0f;
            for (float &t : frame.translate)
                t = -24.0f + float(nextRandom(seed) % 48);
            for (int i = 0; i < vertexCount; ++i)
                frame.vertices.append(
                    Md2Writer::Vertex{quint8(nextRandom(seed)), quint8(nextRandom(seed)),
                                      quint8(nextRandom(seed)), quint8(nextRandom(seed) % 162)});
            md2.frames.append(frame);
        }
        for (int i = 0; i < 600; ++i)
            md2.texCoords.append(Md2Writer::TexCoord{qint16(nextRandom(seed) % 256),
                                                     qint16(nextRandom(seed) % 256)});
        for (int i = 0; i < 900; ++i) {
            Md2Writer::Triangle triangle;
            for (int k = 0; k < 3; ++k) {
                triangle.vertex[k] = quint16(nextRandom(seed) % vertexCount);
                triangle.texCoord[k] = quint16(nextRandom(seed) % 600);
            }
            md2.triangles.append(triangle);
        }
        // Assimp refuses a file whose frames end exactly at its end (it
        // wants something after them), so a GL command word closes it: the
        // header's GL command count at byte 44, its end offset at byte 64.
        QByteArray file = md2.toBytes();
        file.append(4, '\0');
        Md2Writer::patch(file, 44, 1);
        Md2Writer::patch(file, 64, qint32(file.size()));
        return file;
    }();
    return bytes;
}

// A 1024 x 1024 skin with the mix of long runs and busy detail a painted
// skin has.
const QByteArray &pcxSkin()
{
    static const QByteArray bytes = [] {
        PcxWriter pcx(1024, 1024);
        quint32 seed = 7;
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1024; ++x) {
                const bool busy = ((x / 64) + (y / 64)) % 3 == 0;
                pcx.indices[y * 1024 + x] =
                    char(busy ? nextRandom(seed) % 256 : (x / 16 + y / 32) % 256);
            }
        for (int i = 0; i < 256; ++i)
            pcx.setColour(i, QColor(i, (i * 7) % 256, 255 - i));
        return pcx.toBytes();
    }();
    return bytes;
}

void md2DecodeAllFrames(benchmark::State &state)
{
    const QByteArray &bytes = md2Model();
    for (auto _ : state) {
        Md2Result result = decodeMd2(bytes, SkinInfo{true, 256, 256});
        if (!result.ok)
            state.SkipWithError("the model was refused");
        benchmark::DoNotOptimize(result.model.frames.data());
    }
}
BENCHMARK(md2DecodeAllFrames)->Unit(benchmark::kMillisecond);

#ifdef TORVANE_HAVE_ASSIMP
// Assimp's MD2 importer builds one keyframe per import, chosen by a
// property; every frame therefore takes one import.
void md2AssimpAllFrames(benchmark::State &state)
{
    const QByteArray &bytes = md2Model();
    Assimp::Importer importer;
    for (auto _ : state) {
        for (int f = 0; f < 198; ++f) {
            importer.SetPropertyInteger(AI_CONFIG_IMPORT_MD2_KEYFRAME, f);
            const aiScene *scene =
                importer.ReadFileFromMemory(bytes.constData(), size_t(bytes.size()), 0, "md2");
            if (!scene || scene->mNumMeshes != 1) {
                state.SkipWithError(importer.GetErrorString());
                break;
            }
            benchmark::DoNotOptimize(scene->mMeshes[0]->mVertices);
            importer.FreeScene();
        }
    }
}
BENCHMARK(md2AssimpAllFrames)->Unit(benchmark::kMillisecond);

void md2AssimpOneFrame(benchmark::State &state)
{
    const QByteArray &bytes = md2Model();
    Assimp::Importer importer;
    for (auto _ : state) {
        const aiScene *scene =
            importer.ReadFileFromMemory(bytes.constData(), size_t(bytes.size()), 0, "md2");
        if (!scene) {
            state.SkipWithError(importer.GetErrorString());
            break;
        }
        benchmark::DoNotOptimize(scene->mMeshes[0]->mVertices);
        importer.FreeScene();
    }
}
BENCHMARK(md2AssimpOneFrame)->Unit(benchmark::kMillisecond);
#endif

void pcxDecode(benchmark::State &state)
{
    const QByteArray &bytes = pcxSkin();
    for (auto _ : state) {
        PcxResult result = decodePcx(bytes);
        if (!result.ok)
            state.SkipWithError("the skin was refused");
        benchmark::DoNotOptimize(result.image.rgb.data());
    }
}
BENCHMARK(pcxDecode)->Unit(benchmark::kMillisecond);

#ifdef TORVANE_HAVE_SDL2_IMAGE
// SDL2_image gives an 8-bit paletted surface; the RGB conversion is what
// makes it the same result as ours, ready for glTexImage2D.
void pcxSdlImage(benchmark::State &state)
{
    const QByteArray &bytes = pcxSkin();
    for (auto _ : state) {
        SDL_RWops *in = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
        SDL_Surface *indexed = IMG_LoadPCX_RW(in);
        SDL_RWclose(in);
        if (!indexed) {
            state.SkipWithError(IMG_GetError());
            break;
        }
        SDL_Surface *rgb = SDL_ConvertSurfaceFormat(indexed, SDL_PIXELFORMAT_RGB24, 0);
        benchmark::DoNotOptimize(rgb->pixels);
        SDL_FreeSurface(rgb);
        SDL_FreeSurface(indexed);
    }
}
BENCHMARK(pcxSdlImage)->Unit(benchmark::kMillisecond);
#endif

// 50 sets of 12 pieces, each with a 128 x 96 icon, scanned as the set-up
// screen does when it is built.
void setScan(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkdir("sets");
    QImage icon(128, 96, QImage::Format_RGB32);
    for (int i = 0; i < 50; ++i) {
        icon.fill(QColor::fromHsv(i * 7, 200, 200));
        icon.save(QStringLiteral("sets/set%1.png").arg(i));
        QByteArray xml = "<set><name>Set " + QByteArray::number(i) + "</name><icon>set"
                         + QByteArray::number(i)
                         + ".png</icon><shape><filename>bodyparts/body.md2</filename></shape>";
        for (int p = 0; p < 12; ++p)
            xml +=
                "<part><filename>bodyparts/p" + QByteArray::number(p)
                + ".md2</filename><pos_x>0.05</pos_x>"
                  "<pos_y>0.3</pos_y><pos_z>0.1</pos_z><rot_y>90</rot_y><scale>0.5</scale></part>";
        QFile file(QStringLiteral("sets/set%1.xml").arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(xml + "</set>");
    }
    for (auto _ : state) {
        SetChooser chooser(nullptr);
        if (chooser.entries.size() != 50)
            state.SkipWithError("not every set was found");
        benchmark::DoNotOptimize(chooser.rowWidth);
    }
    QDir::setCurrent(previous);
}
BENCHMARK(setScan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // The chooser's icons need a GUI application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef TORVANE_HAVE_SDL2_IMAGE
    IMG_Init(0);
#endif
    const int missed = runAndSummarise(
        argc, argv,
        {
            {"MD2, 198 frames, every frame", "md2DecodeAllFrames", "md2AssimpAllFrames", 5, 0},
            {"MD2, whole model vs Assimp 1 frame", "md2DecodeAllFrames", "md2AssimpOneFrame", 0, 0},
            {"PCX 1024 x 1024 to RGB", "pcxDecode", "pcxSdlImage", 2, 0},
            {"Set scan, 50 sets with icons", "setScan", "", 0, 0},
        });
    return missed == 0 ? 0 : 3;
}
