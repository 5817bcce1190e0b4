// A set as it travels to a student: which files go, how they are named and checked, and where they are kept.
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "net/setbundle.h"
#include "testing/gamedata.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QFile>
#include <QTest>

namespace {
const QString model = "<part><filename>%1</filename></part>";

// A set "s" with an icon, the shape and two parts on cube.md2 and big.md2, and the shared skin named too.
void writeSet(GameData &data, const QString &extra = QString())
{
    data.set("s", "Set", QSize(8, 8),
             "<shape><filename>bodyparts/big.md2</filename></shape>" + model.arg("bodyparts/cube.md2")
                 + model.arg("bodyparts/big.md2") + model.arg("bodyparts/tris4.pcx") + extra);
}
} // namespace

class TestSetBundle : public QObject
{
    Q_OBJECT

private slots:
    void fileNamesStayInsideTheSetsFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("a set") << "sets/heart.xml" << true;
        QTest::newRow("a model two levels down") << "sets/bodyparts/heart/left atrium-2.md2" << true;
        QTest::newRow("up and out") << "sets/../secret" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("outside sets") << "music/a.ogg" << false;
        QTest::newRow("hidden") << "sets/.config" << false;
        QTest::newRow("backslash") << "sets/a\\..\\b" << false;
        QTest::newRow("control character") << "sets/a\nb" << false;
        QTest::newRow("nine levels") << "sets/a/b/c/d/e/f/g/h/i" << false;
        QTest::newRow("a name of 65 characters") << "sets/" + QString(65, 'a') << false;
    }

    void fileNamesStayInsideTheSetsFolder()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(SetBundle::validFileName(name), valid);
    }

    void aSetTravelsWithItsIconAndModelsButNotTheSharedSkin()
    {
        GameData data;
        writeSet(data);
        const auto bundle = SetBundle::read(data.path(), "s", nullptr);
        QVERIFY(bundle);
        QStringList names;
        for (const SetFile &f : bundle->files)
            names << f.name;
        QCOMPARE(names, QStringList({"sets/bodyparts/big.md2", "sets/bodyparts/cube.md2", "sets/s.png", "sets/s.xml"}));
        // The digest as the protocol document defines it: SHA-256 over name, "\n", size, "\n", bytes, in name order.
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const QString &name : names) {
            QFile file(data.path() + "/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            hash.addData(name.toUtf8() + "\n" + QByteArray::number(bytes.size()) + "\n" + bytes);
        }
        QCOMPARE(bundle->digest(), QString::fromLatin1(hash.result().toHex()));
    }

    void aSetThatReachesOutsideOrPastTheLimitsIsRefused_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("prepare"); // "link": cube.md2 becomes a link; "huge": big.md2 grows past 4 MiB
        QTest::addColumn<QString>("why");
        QTest::newRow("a model up and out") << model.arg("../../secret.md2") << ""
                                            << "outside";
        QTest::newRow("an icon up and out") << "<icon>../../../etc/passwd</icon>"
                                            << ""
                                            << "outside";
        QTest::newRow("a missing model") << model.arg("bodyparts/none.md2") << ""
                                         << "missing";
        QTest::newRow("a model that is a link") << ""
                                                << "link"
                                                << "link";
        QTest::newRow("a model over 4 MiB") << ""
                                            << "huge"
                                            << "larger";
        QTest::newRow("not XML") << "<part>"
                                 << ""
                                 << "well-formed";
    }

    void aSetThatReachesOutsideOrPastTheLimitsIsRefused()
    {
        QFETCH(QString, extra);
        QFETCH(QString, prepare);
        QFETCH(QString, why);
        GameData data;
        writeSet(data, extra);
        if (prepare == "link") {
            QFile::remove("sets/bodyparts/cube.md2");
            QVERIFY(QFile::link(data.path() + "/sets/bodyparts/big.md2", "sets/bodyparts/cube.md2"));
        } else if (prepare == "huge") {
            data.write("sets/bodyparts/big.md2", QByteArray((4 << 20) + 1, 'x'));
        }
        QString reason;
        QVERIFY(!SetBundle::read(data.path(), "s", &reason));
        QVERIFY2(reason.contains(why), qPrintable(reason));
    }

    void aReceivedSetIsExactlyTheFilesItNamesAndIsKeptWhereAskedReplacingALink()
    {
        GameData data;
        writeSet(data);
        const auto bundle = SetBundle::read(data.path(), "s", nullptr);
        QList<SetFile> files = bundle->files;
        QVERIFY(SetBundle::fromFiles("s", files, nullptr));
        QVERIFY(!SetBundle::fromFiles("s", files.mid(1), nullptr));                          // a model short
        QVERIFY(!SetBundle::fromFiles("s", files + QList<SetFile>{files.first()}, nullptr)); // one twice
        QVERIFY(!SetBundle::fromFiles("../s", files, nullptr));

        QTemporaryDir cache, elsewhere;
        const QString root = cache.filePath("abc");
        QVERIFY(QFile::link(elsewhere.path(), root)); // what stood there is a link: removed, not followed
        QVERIFY(bundle->store(root, nullptr));
        QVERIFY(QDir(elsewhere.path()).isEmpty() && !QFileInfo(root).isSymLink());
        const auto kept = SetBundle::read(root, "s", nullptr);
        QVERIFY(kept && kept->digest() == bundle->digest());
        QCOMPARE(QDir(cache.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"abc"}));

        QDomDocument set;
        set.setContent(bundle->file("sets/s.xml")->bytes);
        GameEngine engine(&set);
        useModelsUnder(engine, root);
        QCOMPARE(engine.remaining.value(0)->fileName, root + "/sets/bodyparts/cube.md2");
        QCOMPARE(engine.remaining.value(2)->fileName,
                 root + "/sets/bodyparts/tris4.pcx"); // the skin as a model: as before
        QCOMPARE(engine.shapePiece->fileName, root + "/sets/bodyparts/big.md2");
    }
};

QTEST_GUILESS_MAIN(TestSetBundle)
#include "test_setbundle.moc"
