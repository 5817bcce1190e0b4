// Which meshes the view may cull: closed ones, every edge crossed as often each way, with their outside known.
#include "pieces/meshfacing.h"

#include <QTest>

Q_DECLARE_METATYPE(MeshFacing)

class TestMeshFacing : public QObject
{
    Q_OBJECT

private slots:
    void facing_data()
    {
        // A tetrahedron on the axes, each face counterclockwise seen from outside (worked out by hand),
        // and a copy of it shifted by 3 along x, as a second shell.
        const QList<QList<int>> tetra = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
        QList<QList<int>> reversed, twoShells = tetra, oneInverted = tetra, turned = tetra;
        for (const QList<int> &t : tetra) {
            reversed.append({t[0], t[2], t[1]});
            twoShells.append({t[0] + 4, t[1] + 4, t[2] + 4});
            oneInverted.append({t[0] + 4, t[2] + 4, t[1] + 4});
        }
        turned[3] = {1, 3, 2};
        QTest::addColumn<QList<QList<int>>>("triangles");
        QTest::addColumn<float>("height"); // of the apex; 0 flattens the tetrahedron
        QTest::addColumn<MeshFacing>("facing");
        QTest::newRow("closed, counterclockwise") << tetra << 1.0f << MeshFacing::CounterClockwise;
        QTest::newRow("closed, clockwise") << reversed << 1.0f << MeshFacing::Clockwise;
        QTest::newRow("two shells alike") << twoShells << 1.0f << MeshFacing::CounterClockwise;
        QTest::newRow("a shell inside out") << oneInverted << 1.0f << MeshFacing::Open;
        QTest::newRow("a face missing") << tetra.mid(0, 3) << 1.0f << MeshFacing::Open;
        QTest::newRow("a face turned") << turned << 1.0f << MeshFacing::Open;
        QTest::newRow("a face twice") << tetra + tetra.mid(0, 1) << 1.0f << MeshFacing::Open;
        QTest::newRow("the whole shell twice") << tetra + tetra << 1.0f << MeshFacing::CounterClockwise;
        QTest::newRow("flat") << tetra << 0.0f << MeshFacing::Open;
    }

    void facing()
    {
        QFETCH(QList<QList<int>>, triangles);
        QFETCH(float, height);
        QFETCH(MeshFacing, facing);
        Md2Model model;
        model.vertexCount = 8;
        model.frameCount = 1;
        for (const float x : {0.0f, 3.0f})
            model.frames.insert(model.frames.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}, {x, 0, height}});
        for (const QList<int> &t : triangles)
            model.triangles.push_back({{quint16(t[0]), quint16(t[1]), quint16(t[2])}, {}});
        QCOMPARE(meshFacing(model, 0), facing);
        QCOMPARE(meshFacing(model, 1), MeshFacing::Open); // a frame it does not have
    }
};

QTEST_APPLESS_MAIN(TestMeshFacing)
#include "test_meshfacing.moc"
