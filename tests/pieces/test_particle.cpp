// ctest-labels: integration
// What a piece hands to OpenGL, read back in GL's feedback mode in a 2 x 2 viewport under identity matrices.
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "testing/md2writer.h"
#include "view/glformat.h"

#include <QDomDocument>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QTest>
#include <QVector3D>

#include <functional>

namespace {

QString drawn(const std::function<void()> &draw)
{
    GLfloat buffer[256];
    glViewport(0, 0, 2, 2);
    glFeedbackBuffer(256, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const int count = glRenderMode(GL_RENDER);
    QStringList points; // polygons: token, vertex count, then x y z in window coordinates
    for (int i = 0; i + 1 < count && buffer[i] == GL_POLYGON_TOKEN; i += 2 + 3 * int(buffer[i + 1]))
        for (const GLfloat *p = buffer + i + 2; p < buffer + i + 2 + 3 * int(buffer[i + 1]); p += 3)
            points << QStringLiteral("(%1 %2 %3)")
                          .arg(p[0] - 1, 0, 'f', 3)
                          .arg(p[1] - 1, 0, 'f', 3)
                          .arg(2 * p[2] - 1, 0, 'f', 3);
    return points.join(' ').replace(QStringLiteral("-0.000"), QStringLiteral("0.000"));
}

} // namespace

class TestParticle : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void initTestCase()
    {
        surface.create();
        QVERIFY(context.create() && context.makeCurrent(&surface));
        // One triangle, two frames: (0,0,0), (64,0,0) and (0,0,64) in file units, then vertex 1 at 128. Centred,
        // frame 0 is (-0.5,-0.5,0), (0.5,-0.5,0), (-0.5,0.5,0); frame 1 is (-1,-0.5,0), (1,-0.5,0), (-1,0.5,0).
        Md2Writer md2;
        md2.frames = {Md2Writer::Frame{{1, 1, 1}, {0, 0, 0}, {{0, 0, 0, 5}, {64, 0, 0, 5}, {0, 0, 64, 5}}}};
        md2.frames << md2.frames[0];
        md2.frames[1].vertices[1].x = 128;
        md2.triangles = {{{0, 1, 2}, {0, 0, 0}}};
        md2.texCoords = {{0, 0}};
        data.write(QStringLiteral("sets/tri.md2"), md2.toBytes());
    }

    void animationBlendsTowardsTheNextFrameAndStepsOncePerDraw()
    {
        Particle particle("sets/tri.md2", "sets/bodyparts/tris4.pcx");
        QCOMPARE(QList<float>({particle.halfSizeX(), particle.halfSizeY()}),
                 QList<float>({1, 0.5f})); // the last frame: x 0..2
        int now = 1000;
        particle.elapsed = [&now] { return now; };
        particle.setFrameRange(0, 1);
        // Drawn as the game draws it, 100 ms a frame: half-widths 0.5 in frame 0, 1 in frame 1.
        const struct
        {
            int ms;
            double halfWidth;
            int frameAfter;
        } calls[] = {
            {1000, 0.5, 0},                // the first call starts the frame
            {1050, 0.75, 0}, {1250, 1, 1}, // long overdue: the blend stops at 1, one frame is stepped
            {1300, 0.75, 1},               // from the last frame of the range back towards the first
            {1350, 0.5, 0},                // exactly one frame time on: there, and stepped
        };
        for (const auto &call : calls) {
            now = call.ms;
            QCOMPARE(drawn([&] { particle.draw(); }),
                     QStringLiteral("(-%1 -0.500 0.000) (%1 -0.500 0.000) (-%1 0.500 0.000)")
                         .arg(call.halfWidth, 0, 'f', 3));
            QCOMPARE(particle.frame(), call.frameAfter);
        }
        particle.releaseTexture();
    }

    void builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("vertex1"); // frame 0's (0.5, -0.5, 0) as drawn
        QTest::newRow("scale 0 is unscaled") << "<scale>0</scale>"
                                             << "(0.500 -0.500 0.000)";
        QTest::newRow("scale 0.5 about z 90") << "<scale>0.5</scale><rot_z>90</rot_z>"
                                              << "(0.250 0.250 0.000)";
        // x 90 after z 90: (0.5, 0.5, 0), then (0.5, 0, 0.5).
        QTest::newRow("x then z") << "<rot_z>90</rot_z><rot_x>90</rot_x>"
                                  << "(0.500 0.000 0.500)";
        QTest::newRow("x then y") << "<rot_y>90</rot_y><rot_x>90</rot_x>"
                                  << "(0.000 0.500 -0.500)";
    }

    void builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ()
    {
        QFETCH(QString, keys);
        QFETCH(QString, vertex1);
        QDomDocument document;
        document.setContent(QStringLiteral("<part><filename>tri.md2</filename>%1</part>").arg(keys));
        PieceRecord record(document.documentElement());
        record.build();
        const QString vertex =
            QStringLiteral("(%1)").arg(drawn([&] { record.draw(); }).split(QStringLiteral(") (")).value(1));
        record.releaseGl();
        QCOMPARE(vertex, vertex1);
    }

    void missingFilesAreReportedSkinFirstAndDrawNothing()
    {
        StdoutCapture out;
        Particle missing("sets/none.md2", "sets/none.pcx");
        Particle directory("sets", "sets/bodyparts/tris4.pcx");
        QCOMPARE(out.finish(),
                 QByteArray("Could not load sets/none.pcx\nCould not load sets/none.md2\nCould not load sets\n"));
        QCOMPARE(drawn([&] {
                     missing.draw();
                     directory.draw();
                 }),
                 QString());
        directory.releaseTexture();
    }

private:
    QOffscreenSurface surface;
    QOpenGLContext context;
    GameData data;
};

QTEST_MAIN(TestParticle)
#include "test_particle.moc"
