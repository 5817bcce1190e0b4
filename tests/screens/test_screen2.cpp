#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "widgets/pixbutton.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTemporaryDir *configDir = nullptr;

void savePicture(const QString &file, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkYellow);
    QVERIFY(image.save(file));
}

QVariant stored(const QString &key)
{
    QSettings settings;
    return settings.value("singleplayer/" + key);
}

} // namespace

class TestScreen2 : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A store of our own: QSettings reads the location once per process.
        configDir = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", configDir->path().toLocal8Bit());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(configDir->isValid());
        QCoreApplication::setOrganizationName("Vexa");
        QCoreApplication::setApplicationName("Torvane");
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        for (const char *name : {"easy", "medium", "hard", "back", "start"})
            savePicture(QString("%1-up.png").arg(name), QSize(100, 50));
    }

    void init() { QSettings().clear(); }

    void firstRunStartsEasyAndStoresIt()
    {
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QVERIFY(screen.name.isEmpty());
        QCOMPARE(screen.difficulty, 1);
        QVERIFY(screen.easyButton->isChecked());
        QVERIFY(!screen.mediumButton->isChecked());
        QVERIFY(!screen.hardButton->isChecked());
        QCOMPARE(stored("difficulty").toInt(), 1);
        QVERIFY(!stored("name").isValid());
        QCOMPARE(sound.playedEffects(), QStringList({"click"}));
        QVERIFY(screen.isHidden());
        QCOMPARE(screen.selectedSet(), nullptr); // no sets on disk
    }

    void storedDifficultyIsAppliedAndWrittenBack_data()
    {
        QTest::addColumn<QVariant>("storedValue");
        QTest::addColumn<int>("expected");
        QTest::newRow("medium") << QVariant(2) << 2;
        QTest::newRow("hard") << QVariant(3) << 3;
        QTest::newRow("zero") << QVariant(0) << 1;
        QTest::newRow("seven") << QVariant(7) << 1;
        QTest::newRow("negative") << QVariant(-2) << 1;
        QTest::newRow("text") << QVariant("hard") << 1;
    }

    void storedDifficultyIsAppliedAndWrittenBack()
    {
        QFETCH(QVariant, storedValue);
        QFETCH(int, expected);
        QSettings().setValue("singleplayer/difficulty", storedValue);
        QSettings().setValue("singleplayer/name", "Vesalius");
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QCOMPARE(screen.difficulty, expected);
        QCOMPARE(screen.easyButton->isChecked(), expected == 1);
        QCOMPARE(screen.mediumButton->isChecked(), expected == 2);
        QCOMPARE(screen.hardButton->isChecked(), expected == 3);
        QCOMPARE(stored("difficulty").toInt(), expected);
        QCOMPARE(screen.name, QString("Vesalius"));
    }

    void difficultyButtonsActAsOneChoice()
    {
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QTest::mouseClick(screen.hardButton, Qt::LeftButton);
        QCOMPARE(screen.difficulty, 3);
        QCOMPARE(stored("difficulty").toInt(), 3);
        QVERIFY(screen.hardButton->isChecked() && !screen.easyButton->isChecked());
        // Clicking the checked one keeps it checked and rewrites the value.
        QSettings().setValue("singleplayer/difficulty", 99);
        QTest::mouseClick(screen.hardButton, Qt::LeftButton);
        QVERIFY(screen.hardButton->isChecked());
        QCOMPARE(stored("difficulty").toInt(), 3);
        QTest::mouseClick(screen.mediumButton, Qt::LeftButton);
        QVERIFY(screen.mediumButton->isChecked() && !screen.hardButton->isChecked());
        QCOMPARE(stored("difficulty").toInt(), 2);
        QCOMPARE(sound.playedEffects().size(), 4);
    }

    void everyKeyEditsTheNameAndIsStoredAtOnce()
    {
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QTest::keyClick(&screen, Qt::Key_Backspace); // empty stays empty
        QCOMPARE(stored("name").toString(), QString());
        QVERIFY(stored("name").isValid());
        QTest::keyClick(&screen, Qt::Key_A);
        QCOMPARE(stored("name").toString(), QString("a"));
        QTest::keyClick(&screen, Qt::Key_B);
        QCOMPARE(stored("name").toString(), QString("ab"));
        QTest::keyClick(&screen, Qt::Key_Backspace);
        QCOMPARE(stored("name").toString(), QString("a"));
        QTest::keyClick(&screen, Qt::Key_Shift); // no text: nothing appended
        QCOMPARE(stored("name").toString(), QString("a"));
        QTest::keyClick(&screen, Qt::Key_C);
        QCOMPARE(screen.name, QString("ac"));
        QCOMPARE(stored("name").toString(), QString("ac"));
        QTest::keyClicks(&screen, "%1 %2");
        QCOMPARE(stored("name").toString(), QString("ac%1 %2"));
        QCOMPARE(sound.playedEffects().size(), 1 + 6 + 5); // construction + keys
    }

    void enterReturnAndEscapeSignalThenStoreAndClick()
    {
        QSettings().setValue("singleplayer/name", "Galen");
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QSignalSpy start(&screen, &Screen2::startGame);
        QSignalSpy back(&screen, &Screen2::goBack);
        // Signal first, store afterwards: a receiver sees the old value gone.
        connect(&screen, &Screen2::startGame, this,
                [] { QSettings().remove("singleplayer/name"); });
        QTest::keyClick(&screen, Qt::Key_Return);
        QCOMPARE(stored("name").toString(), QString("Galen"));
        QTest::keyClick(&screen, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&screen, Qt::Key_Escape);
        QCOMPARE(start.count(), 2);
        QCOMPARE(back.count(), 1);
        QCOMPARE(screen.name, QString("Galen"));
        QCOMPARE(stored("name").toString(), QString("Galen"));
        QCOMPARE(sound.playedEffects(), QStringList({"click", "click", "click", "click"}));
    }

    void startAndBackButtonsOnlySignal()
    {
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QSignalSpy start(&screen, &Screen2::startGame);
        QSignalSpy back(&screen, &Screen2::goBack);
        QTest::mouseClick(screen.startButton, Qt::LeftButton);
        QTest::mouseClick(screen.backButton, Qt::LeftButton);
        QCOMPARE(start.count(), 1);
        QCOMPARE(back.count(), 1);
        QCOMPARE(sound.playedEffects().size(), 1); // the construction's only
    }

    void layoutFollowsThePictures()
    {
        QVERIFY(QDir().mkpath("sets"));
        QImage icon(120, 80, QImage::Format_RGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save("sets/one.png"));
        QFile set("sets/one.xml");
        QVERIFY(set.open(QIODevice::WriteOnly));
        set.write("<set><name>One</name><icon>one.png</icon></set>");
        set.close();

        FakeSoundScope sound;
        Screen2 screen(nullptr);
        QCOMPARE(screen.geometry(), QRect(0, 0, 800, 600));
        QCOMPARE(screen.easyButton->geometry(), QRect(100, 180, 100, 50));
        QCOMPARE(screen.mediumButton->pos(), QPoint(300, 180));
        QCOMPARE(screen.hardButton->pos(), QPoint(500, 180));
        QCOMPARE(screen.chooser->geometry(), QRect(10, 370, 800, 125));
        QCOMPARE(screen.backButton->pos(), QPoint(10, 545));
        QCOMPARE(screen.startButton->pos(), QPoint(690, 545));
        QVERIFY(screen.selectedSet() != nullptr);
        QCOMPARE(screen.selectedSet(), screen.chooser->currentDocument());
        QFile::remove("sets/one.xml");
    }

    void paintsTheTypedNameInWhite()
    {
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        auto whiteInNameLine = [&screen] {
            const QImage image = screen.grab().toImage();
            int count = 0;
            for (int y = 40; y < 80; ++y)
                for (int x = 200; x < 800; ++x)
                    count += image.pixelColor(x, y).lightness() > 200;
            return count;
        };
        const int cursorOnly = whiteInNameLine();
        QVERIFY(cursorOnly > 0);
        QTest::keyClicks(&screen, "WWW");
        QVERIFY(whiteInNameLine() > cursorOnly + 20);
        QCOMPARE(screen.grab().toImage().pixelColor(10, 10), QColor(Qt::black));
    }

private:
    QTemporaryDir workDir;
};

QTEST_MAIN(TestScreen2)
#include "test_screen2.moc"
