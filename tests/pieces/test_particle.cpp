// ctest-labels: integration
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "testing/glwindow.h"
#include "testing/md2writer.h"
#include "testing/pcxwriter.h"
#include "view/glformat.h"

#include <QDir>
#include <QDomDocument>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

const int viewSize = 64;
const QRgb background = qRgb(0, 0, 0);
const QRgb red = qRgb(255, 0, 0);
const QRgb blue = qRgb(0, 0, 255);

// Standard output of the process, captured at the file descriptor so that
// printf output is seen exactly as a terminal would see it.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        file.open();
        saved = dup(1);
        dup2(file.handle(), 1);
    }
    ~StdoutCapture() { restore(); }

    QByteArray text()
    {
        restore();
        file.seek(0);
        return file.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        saved = -1;
    }

    QTemporaryFile file;
    int saved = -1;
};

// A unit square in the view plane (file x and the file's third coordinate),
// split along its diagonal: the lower-right triangle takes the skin's red
// half, the upper-left one its blue half.
Md2Writer squareModel()
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    frame.vertices = {{0, 0, 0, 5}, {64, 0, 0, 5}, {64, 0, 64, 5}, {0, 0, 64, 5}};
    md2.frames = {frame};
    md2.triangles = {{{0, 1, 2}, {0, 0, 0}}, {{0, 2, 3}, {1, 1, 1}}};
    md2.texCoords = {{1, 1}, {3, 1}};
    return md2;
}

// 4 x 2 skin: two red columns, two blue columns.
PcxWriter twoColourSkin()
{
    PcxWriter pcx(4, 2);
    pcx.indices = QByteArray("\x01\x01\x02\x02\x01\x01\x02\x02", 8);
    pcx.setColour(1, QColor(255, 0, 0));
    pcx.setColour(2, QColor(0, 0, 255));
    return pcx;
}

// A triangle whose x span grows with the frame: frame k spans
// +-(k + 1) / 8 after centring, so interpolation shows in the x extent.
Md2Writer growingModel(int frameCount)
{
    Md2Writer md2;
    for (int k = 0; k < frameCount; ++k) {
        Md2Writer::Frame frame;
        const quint8 w = quint8(16 * (k + 1));
        frame.vertices = {{0, 0, 0, 0}, {w, 0, 0, 0}, {0, 0, w, 0}};
        md2.frames.append(frame);
    }
    md2.triangles = {{{0, 1, 2}, {0, 0, 0}}};
    return md2;
}

std::unique_ptr<PieceRecord> record(const QString &keys)
{
    QDomDocument document(QStringLiteral("set"));
    document.setContent(QStringLiteral("<set><part>%1</part></set>").arg(keys));
    return std::make_unique<PieceRecord>(document.documentElement().firstChild());
}

// Object x of every vertex drawn by `draw`, through GL feedback.
QList<float> drawnX(const std::function<void()> &draw)
{
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const int used = glRenderMode(GL_RENDER);
    QList<float> xs;
    for (int i = 0; i < used;) {
        const int token = int(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int corners = int(buffer[i++]);
            for (int k = 0; k < corners; ++k, i += 3)
                xs.append(buffer[i] / (viewSize / 2.0f) - 1.0f); // window x back to view x
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        } else {
            break; // no points or lines are drawn here
        }
    }
    return xs;
}

float maxOf(const QList<float> &values)
{
    return values.isEmpty() ? qQNaN() : *std::max_element(values.begin(), values.end());
}

// Columns of the middle row that are not background.
int drawnWidth(const QImage &image)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += image.pixel(x, image.height() / 2 + 4) != background;
    return count;
}

} // namespace

class TestParticle : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private:
    std::unique_ptr<GlWindow> gl;
    std::unique_ptr<QTemporaryDir> dir;

    void writeSet(bool withSkin)
    {
        QDir().mkpath(QStringLiteral("sets/bodyparts"));
        QVERIFY(squareModel().writeFile(QStringLiteral("sets/bodyparts/square.md2")));
        if (withSkin)
            QVERIFY(twoColourSkin().writeFile(QStringLiteral("sets/bodyparts/tris4.pcx")));
    }

    void clear()
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        gl = std::make_unique<GlWindow>(QSize(viewSize, viewSize));
        QVERIFY2(gl->isValid(), qPrintable(gl->errorString()));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
    }

    void cleanup()
    {
        gl.reset();
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    void builtPieceDrawsItsSkinWhereItsMeshIs()
    {
        writeSet(true);
        auto piece = record(QStringLiteral("<filename>bodyparts/square.md2</filename>"));
        StdoutCapture out;
        piece->build();
        QCOMPARE(out.text(), QByteArray());
        QVERIFY(piece->displayList != 0);
        QVERIFY(piece->particle->texture != -1);
        QCOMPARE(piece->particle->skinWidth, 4);
        QCOMPARE(piece->particle->skinHeight, 2);

        clear();
        piece->draw();
        const QImage image = gl->grab();
        QCOMPARE(image.pixel(40, 40), red);   // below the diagonal
        QCOMPARE(image.pixel(24, 24), blue);  // above it: each corner has its own coordinate
        QCOMPARE(image.pixel(4, 4), background);
        QCOMPARE(image.pixel(60, 60), background);
        QCOMPARE(drawnWidth(image), 32);
        QVERIFY(!glIsEnabled(GL_TEXTURE_2D)); // the list leaves texturing off

        QCOMPARE(piece->halfSizeX(), 0.5f);
        QCOMPARE(piece->halfSizeY(), 0.5f);
        QCOMPARE(piece->halfSizeZ(), 0.0f);
        piece->releaseGl();
    }

    // Widths whose rows are not a multiple of four bytes are where the
    // default unpack alignment would skew the picture.
    void skinUploadsEveryWidthWithoutSkew_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("2 x 2") << 2 << 2;
        QTest::newRow("3 x 2") << 3 << 2;
        QTest::newRow("5 x 3") << 5 << 3;
        QTest::newRow("4 x 4") << 4 << 4;
    }

    void skinUploadsEveryWidthWithoutSkew()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        PcxWriter pcx(width, height);
        QByteArray expected;
        for (int i = 0; i < width * height; ++i) {
            pcx.indices[i] = char(i);
            const QColor colour(i * 10, 255 - i * 10, i * 3);
            pcx.setColour(i, colour);
            expected += char(colour.red());
            expected += char(colour.green());
            expected += char(colour.blue());
        }
        QVERIFY(pcx.writeFile(QStringLiteral("skin.pcx")));

        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        Particle particle("missing.md2", "skin.pcx");
        QVERIFY(particle.texture != -1);
        QCOMPARE(particle.skinWidth, width);
        QCOMPARE(particle.skinHeight, height);
        GLint restored = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &restored);
        QCOMPARE(restored, alignment);

        QByteArray uploaded(expected.size(), '\0');
        glBindTexture(GL_TEXTURE_2D, GLuint(particle.texture));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, uploaded.data());
        QCOMPARE(uploaded, expected);
        particle.releaseTexture();
    }

    void scaleZeroAndOneLeaveTheMeshUnscaled_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<int>("width");

        QTest::newRow("absent") << QString() << 32;
        QTest::newRow("1") << QStringLiteral("<scale>1</scale>") << 32;
        QTest::newRow("0") << QStringLiteral("<scale>0</scale>") << 32;
        QTest::newRow("0.5") << QStringLiteral("<scale>0.5</scale>") << 16;
        QTest::newRow("1.5") << QStringLiteral("<scale>1.5</scale>") << 48;
    }

    void scaleZeroAndOneLeaveTheMeshUnscaled()
    {
        QFETCH(QString, scale);
        QFETCH(int, width);
        writeSet(true);
        auto piece = record(QStringLiteral("<filename>bodyparts/square.md2</filename>") + scale);
        piece->build();
        clear();
        piece->draw();
        QCOMPARE(drawnWidth(gl->grab()), width);
        piece->releaseGl();
    }

    void listKeepsTheRotationOfItsBuild()
    {
        writeSet(true);
        auto piece = record(QStringLiteral("<filename>bodyparts/square.md2</filename><rot_z>45</rot_z>"));
        piece->build();
        // A square turned by 45 degrees is sqrt(2) wider.
        QCOMPARE(maxOf(drawnX([&] { piece->draw(); })), std::sqrt(0.5f));
        piece->particle->rotate(45, 0, 0, 1);
        QCOMPARE(maxOf(drawnX([&] { piece->draw(); })), std::sqrt(0.5f));
        piece->releaseGl();
    }

    void missingSkinDrawsUntexturedAndSaysSo()
    {
        writeSet(false);
        auto piece = record(QStringLiteral("<filename>bodyparts/square.md2</filename>"));
        StdoutCapture out;
        piece->build();
        QCOMPARE(out.text(), QByteArray("Could not load sets/bodyparts/tris4.pcx\n"));
        QCOMPARE(piece->particle->texture, -1);
        QCOMPARE(piece->particle->skinWidth, 0);
        QCOMPARE(piece->particle->model->texCoordCount, 0);

        clear();
        glColor3f(0, 1, 0);
        piece->draw();
        const QImage image = gl->grab();
        QCOMPARE(image.pixel(40, 40), qRgb(0, 255, 0));
        QCOMPARE(image.pixel(24, 24), qRgb(0, 255, 0));
        piece->releaseGl();
    }

    void failuresAreReportedSkinFirst()
    {
        auto piece = record(QStringLiteral("<filename>bodyparts/none.md2</filename>"));
        StdoutCapture out;
        piece->build();
        QCOMPARE(out.text(), QByteArray("Could not load sets/bodyparts/tris4.pcx\n"
                                        "Could not load sets/bodyparts/none.md2\n"));
        QCOMPARE(piece->particle->model->frameCount, 0);
        QVERIFY(drawnX([&] { piece->draw(); }).isEmpty());
        QCOMPARE(piece->halfSizeX(), 0.0f);
        piece->releaseGl();
    }

    void damagedFilesFailLikeMissingOnes()
    {
        QDir().mkpath(QStringLiteral("sets/bodyparts"));
        QByteArray model = squareModel().toBytes();
        Md2Writer::patch(model, Md2Writer::NumFrames, 1 << 20);
        QFile md2(QStringLiteral("sets/bodyparts/bad.md2"));
        QVERIFY(md2.open(QIODevice::WriteOnly) && md2.write(model) > 0);
        md2.close();
        QFile pcx(QStringLiteral("sets/bodyparts/tris4.pcx"));
        QVERIFY(pcx.open(QIODevice::WriteOnly) && pcx.write(PcxWriter::assemble(0, 0, -1, 0, 0, "x", QByteArray())) > 0);
        pcx.close();

        auto piece = record(QStringLiteral("<filename>bodyparts/bad.md2</filename>"));
        StdoutCapture out;
        piece->build();
        QCOMPARE(out.text(), QByteArray("Could not load sets/bodyparts/tris4.pcx\n"
                                        "Could not load sets/bodyparts/bad.md2\n"));
        QCOMPARE(piece->particle->texture, -1);
        QVERIFY(piece->particle->model->frames.empty());
        piece->releaseGl();
    }

    void releaseFreesTheListAndTheTexture()
    {
        writeSet(true);
        auto first = record(QStringLiteral("<filename>bodyparts/square.md2</filename>"));
        auto second = record(QStringLiteral("<filename>bodyparts/square.md2</filename>"));
        first->build();
        second->build();
        const GLuint list = first->displayList;
        const GLuint texture = GLuint(first->particle->texture);
        QVERIFY(first->particle->texture != second->particle->texture); // a texture each
        QVERIFY(glIsList(list));
        QVERIFY(glIsTexture(texture));

        first->releaseGl();
        QVERIFY(!glIsList(list));
        QVERIFY(!glIsTexture(texture));
        QCOMPARE(first->displayList, GLuint(0));
        QCOMPARE(first->particle->texture, -1);
        first->releaseGl(); // twice is harmless
        QVERIFY(glIsTexture(GLuint(second->particle->texture)));
        second->releaseGl();

        auto unbuilt = record(QString());
        unbuilt->releaseGl();
        unbuilt->draw();
    }

    void animateStepsOneFrameAtATime()
    {
        QVERIFY(growingModel(3).writeFile(QStringLiteral("grow.md2")));
        Particle particle("grow.md2", "missing.pcx");
        int now = 1000;
        particle.elapsed = [&] { return now; };
        particle.setFrameRange(0, 2);

        // The first call starts the frame and draws it unblended.
        int result = 0;
        QCOMPARE(maxOf(drawnX([&] { result = particle.animate(0, 0, 0, 100); })), 0.125f);
        QCOMPARE(result, 1);
        QCOMPARE(particle.frameStart, 1000);
        QCOMPARE(particle.lastTime, 1000);

        now = 1050;
        QCOMPARE(maxOf(drawnX([&] { result = particle.animate(0, 0, 0, 100); })), 0.1875f);
        QCOMPARE(result, 1);
        QCOMPARE(particle.frame(), 0);
        QCOMPARE(particle.frameElapsed, 50);

        // Long overdue: the factor holds at 1 and the frame moves on by one.
        now = 1250;
        QCOMPARE(maxOf(drawnX([&] { result = particle.animate(0, 0, 0, 100); })), 0.25f);
        QCOMPARE(result, 2);
        QCOMPARE(particle.frame(), 1);
        QCOMPARE(particle.frameStart, 1250);

        // The offset moves every vertex.
        now = 1250;
        QCOMPARE(maxOf(drawnX([&] { particle.animate(0.5f, 0, 0, 100); })), 0.75f);
    }

    void animateWrapsInsideTheFrameRange()
    {
        QVERIFY(growingModel(6).writeFile(QStringLiteral("grow.md2")));
        Particle particle("grow.md2", "missing.pcx");
        QCOMPARE(particle.lastFrameIndex(), 5);
        int now = 500;
        particle.elapsed = [&] { return now; };
        particle.setFrameRange(2, 5);
        particle.setFrame(5);
        particle.animate(0, 0, 0, 100);
        now = 600;
        int result = 0;
        // Blended fully towards frame 2, the one after frame 5 in this range.
        QCOMPARE(maxOf(drawnX([&] { result = particle.animate(0, 0, 0, 100); })), 0.375f);
        QCOMPARE(result, 2);
        QCOMPARE(particle.frame(), 2);

        QCOMPARE(maxOf(drawnX([&] { particle.drawFrame(0, 0, 0); })), 0.375f);
        particle.restartAnimation();
        QCOMPARE(particle.frameStart, 0);
        QCOMPARE(particle.frameElapsed, 0);
    }

    void animateFramesBlendsFixedFramesWithoutAdvancing()
    {
        QVERIFY(growingModel(4).writeFile(QStringLiteral("grow.md2")));
        Particle particle("grow.md2", "missing.pcx");
        int now = 0;
        particle.elapsed = [&] { return now; };
        particle.frameStart = 100;
        now = 150;
        int result = 0;
        // Frames 1.9 and 3.7 are frames 1 and 3; halfway between them.
        QCOMPARE(maxOf(drawnX([&] { result = particle.animateFrames(0, 0, 0, 1.9f, 3.7f, 100); })), 0.375f);
        QCOMPARE(result, 1);
        now = 230;
        QCOMPARE(maxOf(drawnX([&] { result = particle.animateFrames(0, 0, 0, 1.9f, 3.7f, 100); })), 0.5f);
        QCOMPARE(result, 2);
        QCOMPARE(particle.frameStart, 230);
        QCOMPARE(particle.frame(), 0);
    }

    void framesOutsideTheModelDrawNothing()
    {
        QVERIFY(growingModel(2).writeFile(QStringLiteral("grow.md2")));
        Particle particle("grow.md2", "missing.pcx");
        QVERIFY(drawnX([&] { particle.drawFrames(0, 0, 0, 0, 2, 0.5f); }).isEmpty());
        QVERIFY(drawnX([&] { particle.drawFrames(0, 0, 0, -1, 0, 0.5f); }).isEmpty());
        QCOMPARE(drawnX([&] { particle.drawFrames(0, 0, 0, 0, 1, 0.5f); }).size(), 3);
    }

    void rotateAccumulatesScaledAngles()
    {
        Particle particle("missing.md2", "missing.pcx");
        particle.rotate(0, 1, 1, 1);
        QCOMPARE(particle.angleX + particle.angleY + particle.angleZ, 0.0f);
        particle.rotate(10, 0.5f, 0, 0);
        QCOMPARE(particle.angleX, 5.0f);
        QCOMPARE(particle.angleY, 0.0f);
        particle.rotate(-30, 0, 1, 2);
        QCOMPARE(particle.angleY, -30.0f);
        QCOMPARE(particle.angleZ, -60.0f);
    }
};

QTEST_MAIN(TestParticle)
#include "test_particle.moc"
