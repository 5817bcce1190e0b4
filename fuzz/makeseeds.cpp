// torvane-fuzz-seeds OUTDIR: writes the starting corpus of every fuzz target
// into OUTDIR/<target>/ (pcx, md2, setfile, soundcatalogue).
#include "md2writer.h"
#include "pcxwriter.h"

#include <QColor>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool save(const QString &dir, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

QByteArray pcxPicture(int width, int height, int bytesPerLine)
{
    PcxWriter pcx(width, height);
    pcx.bytesPerLine = bytesPerLine;
    for (int i = 0; i < pcx.indices.size(); ++i)
        pcx.indices[i] = char((i / 7) * 37 % 256); // runs and literals, some above 191
    for (int i = 0; i < 256; ++i)
        pcx.setColour(i, QColor(i, 255 - i, (i * 3) % 256));
    return pcx.toBytes();
}

Md2Writer md2Mesh(int frameCount, int vertexCount, int padding)
{
    Md2Writer md2;
    md2.framePadding = padding;
    for (int f = 0; f < frameCount; ++f) {
        Md2Writer::Frame frame;
        frame.scale[0] = 0.5f + f;
        frame.translate[1] = -8.0f * f;
        for (int i = 0; i < vertexCount; ++i)
            frame.vertices.append(Md2Writer::Vertex{quint8(i * 11), quint8(i * 29 + f),
                                                    quint8(255 - i), quint8((i * 13) % 162)});
        md2.frames.append(frame);
    }
    for (int i = 0; i + 2 < vertexCount; ++i)
        md2.triangles.append(Md2Writer::Triangle{{quint16(i), quint16(i + 1), quint16(i + 2)},
                                                 {quint16(i), quint16(i + 1), quint16(i + 2)}});
    for (int i = 0; i < vertexCount; ++i)
        md2.texCoords.append(Md2Writer::TexCoord{qint16(i * 8), qint16(256 - i * 8)});
    return md2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    const QString pcxDir = out + QStringLiteral("/pcx");
    ok &= save(pcxDir, QStringLiteral("2x2.pcx"), pcxPicture(2, 2, 0));
    ok &= save(pcxDir, QStringLiteral("16x8.pcx"), pcxPicture(16, 8, 0));
    ok &= save(pcxDir, QStringLiteral("odd-padded.pcx"), pcxPicture(5, 3, 6));
    ok &= save(pcxDir, QStringLiteral("64x64.pcx"), pcxPicture(64, 64, 0));
    QByteArray truncated = pcxPicture(32, 32, 0);
    truncated.remove(200, truncated.size() - 200 - 769);
    ok &= save(pcxDir, QStringLiteral("truncated.pcx"), truncated);
    ok &= save(pcxDir, QStringLiteral("huge-header.pcx"),
               PcxWriter::assemble(0, 0, 32767, 32767, 0, QByteArray("\xC5\x07", 2), QByteArray()));
    ok &= save(pcxDir, QStringLiteral("negative-window.pcx"),
               PcxWriter::assemble(10, -5, -20, 3, 0, QByteArray("\xC1\x01\x02", 3), QByteArray()));

    const QString md2Dir = out + QStringLiteral("/md2");
    ok &= save(md2Dir, QStringLiteral("triangle.md2"), md2Mesh(1, 3, 0).toBytes());
    ok &= save(md2Dir, QStringLiteral("animated.md2"), md2Mesh(4, 9, 0).toBytes());
    ok &= save(md2Dir, QStringLiteral("padded.md2"), md2Mesh(3, 5, 12).toBytes());
    ok &= save(md2Dir, QStringLiteral("empty.md2"), md2Mesh(0, 0, 0).toBytes());
    QByteArray damaged = md2Mesh(2, 6, 0).toBytes();
    Md2Writer::patch(damaged, Md2Writer::NumFrames, 1000);
    ok &= save(md2Dir, QStringLiteral("too-many-frames.md2"), damaged);
    damaged = md2Mesh(2, 6, 0).toBytes();
    Md2Writer::patch(damaged, Md2Writer::FrameSize, 8);
    ok &= save(md2Dir, QStringLiteral("small-frames.md2"), damaged);
    damaged = md2Mesh(2, 6, 0).toBytes();
    Md2Writer::patch(damaged, Md2Writer::OffsetTriangles, -12);
    ok &= save(md2Dir, QStringLiteral("negative-offset.md2"), damaged);

    const QString setDir = out + QStringLiteral("/setfile");
    ok &=
        save(setDir, QStringLiteral("upper.xml"),
             "<set>\n <name>Upper body</name>\n <icon>upper.png</icon>\n"
             " <shape><filename>bodyparts/torso.md2</filename><pos_x>0</pos_x><pos_y>0.2</"
             "pos_y><pos_z>0</pos_z></shape>\n"
             " <part><filename>bodyparts/heart.md2</filename><pos_x>0.05</pos_x><pos_y>0.3</pos_y>"
             "<pos_z>0.1</pos_z><rot_y>90</rot_y><scale>0.5</scale></part>\n"
             " <!-- the lung -->\n"
             " <part><filename>bodyparts/lung.md2</filename><pos_x>-0.1</pos_x><pos_y>0.35</pos_y>"
             "<rot_x>1e3</rot_x><rot_z>-4</rot_z><rot_z>7</rot_z></part>\n"
             " <part/>\n</set>\n");
    ok &=
        save(setDir, QStringLiteral("entities.xml"),
             "<?xml version=\"1.0\"?>\n<!DOCTYPE set [<!ENTITY a \"0.5\"><!ENTITY b \"&a;&a;\">]>\n"
             "<set><name>&b;</name><part><pos_x>&a;</pos_x><filename><![CDATA[x/y.md2]]></"
             "filename></part>"
             "<shape><pos_y>1,5</pos_y></shape><shape><pos_y>-.5e1</pos_y></shape></set>\n");
    ok &= save(setDir, QStringLiteral("nested.xml"),
               "<set><part><filename>a<b>c<d>e</d></b></filename><pos_z>2</pos_z></part>"
               "<icon>i<x/>.png</icon>text<?pi data?></set>");

    const QString soundDir = out + QStringLiteral("/soundcatalogue");
    ok &=
        save(soundDir, QStringLiteral("sounds.xml"),
             "<sounds>\n <sound><name>click</name><file>click.wav</file></sound>\n"
             " <sound><name>fits</name><file>fits.wav</file></sound>\n"
             " <sound><name>won</name><name>won</name><file>won.ogg</file></sound>\n"
             " <!-- left out: no file --><sound><name>fits</name></sound>\n"
             " <other><sound><name>click</name><file>deep.wav</file></sound></other>\n</sounds>\n");
    ok &=
        save(soundDir, QStringLiteral("odd.xml"),
             "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<x><sound><file>\xe9t\xe9.wav</file>"
             "<name>click</name></sound><sound><name></name><file>a</file></sound></x>");
    return ok ? 0 : 1;
}
