#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// XML nested 100 000 levels deep, a 600 KB file. Qt's DOM builds such a tree
// in time that grows with the square of the depth and frees it by recursion,
// so the game has to turn it away before it reaches the DOM: set files and
// the sound catalogue are three levels deep, anything far deeper is refused.
// A guard that lets such a file through shows here as a test running into
// CTest's time-out or a stack overflow.

namespace {

const int depth = 100000;

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

QByteArray nested(const QByteArray &inner)
{
    return QByteArray("<a>").repeated(depth) + inner + QByteArray("</a>").repeated(depth);
}

} // namespace

class TestDeepXml : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkdir("sets"));
        QVERIFY(QDir().mkdir("sound"));
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    void deepSetIsSkippedAndTheOthersStay_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("under the root") << "<set><name>Deep</name>" + nested("0.5") + "</set>";
        QTest::newRow("inside the name") << "<set><name>" + nested("Deep") + "</name></set>";
        QTest::newRow("inside a piece key") << "<set><name>Deep</name><part><pos_x>" + nested("0.5") + "</pos_x></part></set>";
        QTest::newRow("never closed") << "<set><name>Deep</name>" + QByteArray("<a>").repeated(depth);
    }

    void deepSetIsSkippedAndTheOthersStay()
    {
        QFETCH(QByteArray, xml);
        writeFile("sets/aaa.xml", "<set><name>First</name><part><pos_x>0.5</pos_x></part></set>");
        writeFile("sets/deep.xml", xml);
        writeFile("sets/zzz.xml", "<set><name>Last</name><part/><part/></set>");

        auto chooser = std::make_unique<SetChooser>(nullptr);
        QCOMPARE(chooser->entries.size(), 2);
        QCOMPARE(chooser->entries.at(0).name, QString("First"));
        QCOMPARE(chooser->entries.at(1).name, QString("Last"));
        chooser->selected = 1;
        GameEngine engine(chooser->currentDocument());
        QCOMPARE(engine.remaining.size(), 2);
    }

    // Nesting a set really has (a key's text wrapped in a few elements) is
    // still read: the guard only turns away what no set needs.
    void moderatelyNestedSetIsRead()
    {
        const QByteArray open = QByteArray("<b>").repeated(20);
        const QByteArray close = QByteArray("</b>").repeated(20);
        writeFile("sets/nested.xml", "<set><name>" + open + "Nested" + close + "</name><part><pos_x>" + open + "0.5"
                                         + close + "</pos_x></part></set>");
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 1);
        QCOMPARE(chooser.entries.at(0).name, QString("Nested"));
        GameEngine engine(chooser.currentDocument());
        QCOMPARE(engine.remaining.size(), 1);
        QCOMPARE(engine.remaining.at(0)->posX(), 0.5f);
    }

    // The catalogue is all or nothing: a deep one leaves no effects.
    void deepSoundCatalogueLeavesNoEffects()
    {
        writeFile("sound/sounds.xml", "<sounds><sound><name>click</name><file>click.wav</file></sound>"
                                      + nested("<sound><name>fits</name><file>fits.wav</file></sound>") + "</sounds>");
        auto *fake = new FakeAudioBackend;
        fake->createSoundResults.insert(QString(), AudioResult::FileBad); // an unknown name, as SDL answers it
        SoundManager manager{std::unique_ptr<AudioBackend>(fake)};
        fake->clearCalls();
        manager.playEffect("click");
        manager.playEffect("fits");
        QVERIFY2(!fake->calls.contains("createSound sound/click.wav sample"), qPrintable(fake->calls.join('\n')));
        QCOMPARE(fake->playedEffectFiles(), QStringList());
        QCOMPARE(fake->faults, QStringList());
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestDeepXml)
#include "test_deepxml.moc"
