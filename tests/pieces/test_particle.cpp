// ctest-labels: integration
// What a piece hands to OpenGL: read back through GL's feedback mode, in a
// 2 x 2 viewport under identity matrices, so the numbers are the mesh's own.
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "testing/glwindow.h"
#include "testing/md2writer.h"
#include "view/glformat.h"

#include <QDomDocument>
#include <QTest>
#include <QVector3D>

#include <functional>

namespace {

// One triangle, two frames: (0,0,0), (64,0,0) and (0,0,64) in file units,
// then vertex 1 at 128. Centred, frame 0 is (-0.5,-0.5,0), (0.5,-0.5,0),
// (-0.5,0.5,0); frame 1 is (-1,-0.5,0), (1,-0.5,0), (-1,0.5,0).
void writeTriangle(GameData &data)
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    frame.vertices = {{0, 0, 0, 5}, {64, 0, 0, 5}, {0, 0, 64, 5}};
    Md2Writer::Frame second = frame;
    second.vertices[1].x = 128;
    md2.frames = {frame, second};
    md2.triangles = {{{0, 1, 2}, {0, 0, 0}}};
    md2.texCoords = {{0, 0}};
    data.write(QStringLiteral("sets/tri.md2"), md2.toBytes());
}

QList<QVector3D> feedback(const std::function<void()> &draw)
{
    GLfloat buffer[256];
    glViewport(0, 0, 2, 2);
    glFeedbackBuffer(256, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const int count = glRenderMode(GL_RENDER);
    QList<QVector3D> points;
    for (int i = 0; i + 1 < count; i += 2 + 3 * int(buffer[i + 1])) {
        if (buffer[i] != GL_POLYGON_TOKEN)
            break;
        for (int k = 0; k < int(buffer[i + 1]); ++k) {
            const GLfloat *p = buffer + i + 2 + 3 * k;
            points << QVector3D(p[0] - 1, p[1] - 1, 2 * p[2] - 1);
        }
    }
    return points;
}

bool same(const QList<QVector3D> &a, const QList<QVector3D> &b)
{
    for (qsizetype i = 0; i < a.size() && a.size() == b.size(); ++i)
        if ((a[i] - b[i]).length() > 1e-4f)
            return false;
    return a.size() == b.size();
}

QString show(const QList<QVector3D> &points)
{
    QStringList parts;
    for (const QVector3D &p : points)
        parts << QStringLiteral("(%1, %2, %3)").arg(p.x()).arg(p.y()).arg(p.z());
    return parts.join(' ');
}

} // namespace

class TestParticle : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void initTestCase();
    void animationBlendsTowardsTheNextFrameAndStepsOncePerCall();
    void builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ_data();
    void builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ();
    void missingFilesAreReportedSkinFirstAndDrawNothing();

private:
    std::unique_ptr<GlWindow> gl;
    std::unique_ptr<GameData> data;
};

void TestParticle::initTestCase()
{
    gl = std::make_unique<GlWindow>(QSize(8, 8));
    QVERIFY2(gl->isValid(), qPrintable(gl->errorString()));
    data = std::make_unique<GameData>();
    writeTriangle(*data);
}

void TestParticle::animationBlendsTowardsTheNextFrameAndStepsOncePerCall()
{
    Particle particle("sets/tri.md2", "sets/bodyparts/tris4.pcx");
    QCOMPARE(particle.halfSizeX(), 1.0f); // the last frame's box: x 0..2
    QCOMPARE(particle.halfSizeY(), 0.5f);
    QVERIFY(particle.texture != -1);
    int now = 1000;
    particle.elapsed = [&now] { return now; };
    particle.setFrameRange(0, 1);
    const auto drawnAt = [&](int ms, int expectedResult) {
        now = ms;
        int result = 0;
        const QList<QVector3D> points = feedback([&] { result = particle.animate(0, 0, 0, 100); });
        return result == expectedResult ? points : QList<QVector3D>();
    };
    const QList<QVector3D> frame0 = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {-0.5f, 0.5f, 0}};
    const QList<QVector3D> frame1 = {{-1, -0.5f, 0}, {1, -0.5f, 0}, {-1, 0.5f, 0}};
    const QList<QVector3D> halfway = {{-0.75f, -0.5f, 0}, {0.75f, -0.5f, 0}, {-0.75f, 0.5f, 0}};
    QList<QVector3D> drawn = drawnAt(1000, 1); // the first call starts the frame
    QVERIFY2(same(drawn, frame0), qPrintable(show(drawn)));
    drawn = drawnAt(1050, 1);
    QVERIFY2(same(drawn, halfway), qPrintable(show(drawn)));
    drawn = drawnAt(1250, 2); // long overdue: the blend stops at 1 and one frame is stepped
    QVERIFY2(same(drawn, frame1), qPrintable(show(drawn)));
    QCOMPARE(particle.frame(), 1);
    drawn = drawnAt(1300, 1); // from the last frame of the range back towards the first
    QVERIFY2(same(drawn, halfway), qPrintable(show(drawn)));
    drawn = drawnAt(1350, 2); // exactly one frame time on: there, and stepped
    QVERIFY2(same(drawn, frame0), qPrintable(show(drawn)));
    QCOMPARE(particle.frame(), 0);

    particle.rotate(0, 1, 1, 1);
    particle.rotate(10, 0.5f, 0, 0);
    QCOMPARE(QList<float>({particle.angleX, particle.angleY, particle.angleZ}), QList<float>({5, 0, 0}));
}

void TestParticle::builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QVector3D>("vertex1"); // frame 0's (0.5, -0.5, 0) as drawn
    QTest::newRow("scale 1") << "<scale>1</scale>" << QVector3D(0.5f, -0.5f, 0);
    QTest::newRow("scale 0 is unscaled") << "<scale>0</scale>" << QVector3D(0.5f, -0.5f, 0);
    QTest::newRow("scale 0.5 about z 90") << "<scale>0.5</scale><rot_z>90</rot_z>" << QVector3D(0.25f, 0.25f, 0);
    // x 90 after z 90: (0.5, 0.5, 0) then (0.5, 0, 0.5).
    QTest::newRow("x then z") << "<rot_z>90</rot_z><rot_x>90</rot_x>" << QVector3D(0.5f, 0, 0.5f);
    QTest::newRow("x then y") << "<rot_y>90</rot_y><rot_x>90</rot_x>" << QVector3D(0, 0.5f, -0.5f);
    QTest::newRow("y then z") << "<rot_y>90</rot_y><rot_z>90</rot_z>" << QVector3D(0, 0.5f, -0.5f);
}

void TestParticle::builtPieceIsScaledOutsideItsRotationsTakenXThenYThenZ()
{
    QFETCH(QString, keys);
    QFETCH(QVector3D, vertex1);
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<part><filename>tri.md2</filename>%1</part>").arg(keys)));
    PieceRecord record(document.documentElement());
    record.build();
    QVERIFY(record.displayList != 0);
    const QList<QVector3D> drawn = feedback([&] { record.draw(); });
    record.releaseGl();
    QCOMPARE(drawn.size(), 3);
    QVERIFY2((drawn[1] - vertex1).length() < 1e-4f, qPrintable(show(drawn)));
}

void TestParticle::missingFilesAreReportedSkinFirstAndDrawNothing()
{
    StdoutCapture out;
    Particle missing("sets/none.md2", "sets/none.pcx");
    Particle directory("sets", "sets/bodyparts/tris4.pcx");
    QCOMPARE(out.finish(), QByteArray("Could not load sets/none.pcx\nCould not load sets/none.md2\nCould not load sets\n"));
    QCOMPARE(missing.texture, -1);
    QCOMPARE(missing.model->frameCount, 0);
    QVERIFY(feedback([&] { missing.draw(); directory.draw(); }).isEmpty());
    directory.releaseTexture();
}

QTEST_MAIN(TestParticle)
#include "test_particle.moc"
