#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void savePicture(const QString &file, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(file));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray setXml(const QString &name, const QStringList &icons)
{
    QString xml = "<set>";
    if (!name.isNull())
        xml += "<name>" + name + "</name>";
    for (const QString &icon : icons)
        xml += "<icon>" + icon + "</icon>";
    return (xml + "<part/></set>").toUtf8();
}

void pressAt(SetChooser &chooser, int x, int y = 5)
{
    QTest::mousePress(&chooser, Qt::LeftButton, {}, {x, y});
}

} // namespace

class TestSetChooser : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void init()
    {
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
        QDir::setCurrent(dir->path());
        QVERIFY(QDir().mkdir("sets"));
    }

    void listsSetsByNameIgnoringCaseAndSkipsWhatDoesNotParse()
    {
        writeFile("sets/B.xml", setXml("Bee", {}));
        writeFile("sets/a.xml", setXml("Ay", {}));
        writeFile("sets/c.xml", "<set><name>broken</name>");
        writeFile("sets/d.xml", setXml("Dee", {}));
        writeFile("sets/notes.txt", setXml("text", {}));
        QVERIFY(QDir().mkdir("sets/e.xml")); // a directory is no set

        SetChooser chooser(nullptr);
        QStringList names;
        for (const auto &entry : chooser.entries)
            names << entry.name;
        QCOMPARE(names, QStringList({"Ay", "Bee", "Dee"}));
        QCOMPARE(chooser.selected, 0);
        QCOMPARE(chooser.currentDocument(), chooser.entries.at(0).document);
        QCOMPARE(chooser.currentDocument()->documentElement().firstChildElement("name").text(),
                 QString("Ay"));
    }

    void withoutSetsGivesABlackBandAndANullDocument()
    {
        FakeSoundScope sound;
        SetChooser chooser(nullptr);
        QVERIFY(chooser.entries.isEmpty());
        QCOMPARE(chooser.geometry(), QRect(0, 0, 800, 45));
        QCOMPARE(chooser.currentDocument(), nullptr);
        pressAt(chooser, 400);
        QCOMPARE(chooser.currentDocument(), nullptr);
        const QImage image = chooser.grab().toImage();
        for (int x = 0; x < 800; x += 37)
            QCOMPARE(image.pixelColor(x, 30), QColor(Qt::black));
    }

    void layoutAndHitRuleFollowXOnly_data()
    {
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("expected");
        // Icons 100 and 60 wide: the row is 170 wide and starts at 315.
        QTest::newRow("left of the row") << 1 << 0 << 0;
        QTest::newRow("first icon") << 1 << 315 << 0;
        QTest::newRow("first icon's last pixel") << 1 << 414 << 0;
        QTest::newRow("gap after the first") << 0 << 415 << 1;
        QTest::newRow("second icon") << 0 << 420 << 1;
        QTest::newRow("second icon's last pixel") << 0 << 484 << 1;
        QTest::newRow("right of the row, first kept") << 0 << 490 << 0;
        QTest::newRow("right of the row, second kept") << 1 << 490 << 1;
    }

    void layoutAndHitRuleFollowXOnly()
    {
        QFETCH(int, preset);
        QFETCH(int, pressX);
        QFETCH(int, expected);
        savePicture("sets/wide.png", QSize(100, 50), Qt::red);
        savePicture("sets/narrow.png", QSize(60, 70), Qt::blue);
        writeFile("sets/1.xml", setXml("one", {"wide.png"}));
        writeFile("sets/2.xml", setXml("two", {"narrow.png"}));
        FakeSoundScope sound;
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.rowWidth, 170);
        QCOMPARE(chooser.maxIconHeight, 70);
        QCOMPARE(chooser.geometry(), QRect(0, 0, 800, 115));
        chooser.selected = preset;
        pressAt(chooser, pressX, 100); // y plays no part
        QCOMPARE(chooser.selected, expected);
        QCOMPARE(sound.playedEffects(), QStringList({"click"}));
    }

    void everyPressClicksAndRepaintsTheChoice()
    {
        savePicture("sets/a.png", QSize(100, 40), QColor(250, 250, 250));
        savePicture("sets/b.png", QSize(100, 40), QColor(250, 250, 250));
        savePicture("sets/c.png", QSize(100, 40), QColor(250, 250, 250));
        writeFile("sets/a.xml", setXml("Alpha", {"a.png"}));
        writeFile("sets/b.xml", setXml("Beta", {"b.png"}));
        writeFile("sets/c.xml", setXml("Gamma", {"c.png"}));
        FakeSoundScope sound;
        QWidget parent;
        parent.resize(820, 200);
        SetChooser chooser(&parent);
        chooser.move(10, 0);
        // Row 320 wide from x 240: icons at 240, 350, 460.
        pressAt(chooser, 400);
        pressAt(chooser, 900); // outside every icon: still a click
        QCOMPARE(chooser.selected, 1);
        QCOMPARE(sound.playedEffects(), QStringList({"click", "click"}));

        const QImage image = chooser.grab().toImage();
        const QColor bright(250, 250, 250);
        QCOMPARE(image.pixelColor(400, 20), bright);
        // The others lie under a veil of black at alpha 100.
        QVERIFY(qAbs(image.pixelColor(250, 20).red() - 152) <= 2);
        QVERIFY(qAbs(image.pixelColor(550, 20).red() - 152) <= 2);
        // The chosen name is written in white under the row.
        bool white = false;
        for (int y = 50; y < 80 && !white; ++y)
            for (int x = 300; x < 520 && !white; ++x)
                white = image.pixelColor(x, y).lightness() > 200;
        QVERIFY(white);
    }

    void setWithoutNameShowsAnEmptyLine()
    {
        savePicture("sets/a.png", QSize(100, 40), QColor(250, 250, 250));
        writeFile("sets/a.xml", setXml(QString(), {"a.png"}));
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 1);
        QVERIFY(chooser.entries.at(0).name.isEmpty());
        const QImage image = chooser.grab().toImage();
        for (int y = 45; y < 85; ++y)
            for (int x = 0; x < 800; x += 3)
                QCOMPARE(image.pixelColor(x, y), QColor(Qt::black));
    }

    void everyIconCountsTowardTheRowButTheLastIsShown()
    {
        savePicture("sets/small.png", QSize(50, 90), Qt::red);
        savePicture("sets/large.png", QSize(80, 30), Qt::green);
        writeFile("sets/a.xml", setXml("twice", {"small.png", "large.png"}));
        writeFile("sets/b.xml", setXml("missing", {"nothing-here.png"}));
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 2);
        QCOMPARE(chooser.entries.at(0).icon.size(), QSize(80, 30));
        QCOMPARE(chooser.entries.at(1).icon.isNull(), true);
        QCOMPARE(chooser.rowWidth, 50 + 80 + 10);
        QCOMPARE(chooser.maxIconHeight, 90);
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestSetChooser)
#include "test_setchooser.moc"
