// ctest-labels: integration
// Study: the naming question's choices; in the real window Hard's naming, language, record, weakest first.
#include "app/mainwindow.h"
#include "game/gameengine.h"
#include "game/namingquiz.h"
#include "game/piecerecord.h"
#include "game/studysettings.h"
#include "screens/screen1.h"
#include "record/apprecord.h"
#include "record/playerrecord.h"
#include "screens/screen2.h"
#include "screens/studypanel.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/gamestudy.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

namespace {

// Five named pieces 0.3 apart on x, targets at (-0.6 + 0.3 i, 0).
const QStringList names{"Aorta", "Bone", "Colon", "Duodenum", "Eye"};

// Pieces named as given, for the naming question alone.
struct Pieces
{
    std::vector<std::unique_ptr<PieceRecord>> owned;
    QList<const PieceRecord *> all;

    explicit Pieces(const QStringList &given)
    {
        for (const QString &name : given) {
            QDomDocument document;
            document.setContent("<part><name>" + name + "</name></part>");
            owned.push_back(std::make_unique<PieceRecord>(document.documentElement()));
            all << owned.back().get();
        }
    }
};

struct Game
{
    FakeSoundScope sound;
    GameData data;
    std::unique_ptr<MainWindow> window;
    SinglePlayerScreen *screen = nullptr;

    explicit Game(int difficulty)
    {
        QSettings().clear();
        storeSetting("difficulty", difficulty);
        storeSetting("name", "Ann");
        QString parts;
        for (int i = 0; i < names.size(); ++i)
            parts += GameData::piece("part", "small.md2", -0.6f + 0.3f * i, 0, 0.3f)
                         .replace("<part>", "<part><name>" + names[i] + "</name><name_la>Nomen " + QString::number(i)
                                                + "</name_la>");
        data.set("organs", "Organs", QSize(80, 80), parts);
        window = std::make_unique<MainWindow>();
        window->show();
    }
    bool start()
    {
        if (!QTest::qWaitForWindowExposed(window.get())
            || !QTest::qWaitFor([this] { return window->screen1 != nullptr; }, 5000))
            return false;
        QTest::mouseClick(window->screen1->singlePlayerButton, Qt::LeftButton);
        QTest::mouseClick(window->screen2->startButton, Qt::LeftButton);
        screen = window->screensp;
        if (!screen || !QTest::qWaitFor([this] { return screen->view->isValid(); }, 5000))
            return false;
        QTest::keyClick(screen, Qt::Key_Escape); // the how-to-play card away: a click would only close it
        return !screen->view->cardShown();
    }
    // Fits the next piece on the trough at its target, after `misses` drops far from it.
    void fitNext(int misses = 0)
    {
        GameEngine &engine = *screen->engine;
        engine.takePiece(0);
        for (int i = 0; i < misses; ++i)
            engine.tryFit(5, 5);
        engine.tryFit(engine.current->posX(), engine.current->posY());
    }
    void leave()
    {
        QTest::mouseClick(screen->exitButton, Qt::LeftButton);
        QTRY_VERIFY(window->screensp == nullptr);
    }
    GameStudy &study() { return *screen->findChild<GameStudy *>(); }
    int choiceOf(const QString &name)
    {
        const auto choices = study().quiz.choices();
        const auto named = [&name](const PieceRecord *piece) { return piece->name == name; };
        return int(std::find_if(choices.begin(), choices.end(), named) - choices.begin());
    }
    void press(int key) { QTest::keyClick(window->windowHandle(), Qt::Key(Qt::Key_1 + key)); }
    void click(int choice)
    {
        screen->view->grabFramebuffer(); // a frame lays the choices out
        const QPoint at = screen->view->namingPanel().choiceRect(choice).center();
        sendMouse(screen->view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(screen->view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
};

} // namespace

class TestGameStudy : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        useTheGamesSettings();
    }

private slots:
    void choicesAreTheFittedNameAndOthersOfTheSetEachOnce_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QStringList>("offered"); // sorted
        QTest::newRow("fewer named pieces than four")
            << QStringList{"Liver", "Spleen", ""} << QStringList{"Liver", "Spleen"};
        QTest::newRow("an unnamed piece is not asked") << QStringList{"", "Liver"} << QStringList{};
        QTest::newRow("a name twice is one choice")
            << QStringList{"Liver", "Rib", "Rib", "Liver", "Heart"} << QStringList{"Heart", "Liver", "Rib"};
    }

    void choicesAreTheFittedNameAndOthersOfTheSetEachOnce()
    {
        QFETCH(QStringList, set);
        QFETCH(QStringList, offered);
        Pieces pieces(set);
        NamingQuiz quiz;
        QRandomGenerator random(7);
        quiz.ask(pieces.all[0], pieces.all, random);
        QStringList names;
        for (const PieceRecord *piece : quiz.choices())
            names << piece->name;
        names.sort();
        QCOMPARE(names, offered);
        QCOMPARE(quiz.questions, int(!offered.isEmpty()));
    }
    void hardTakesAnswersByKeyAndClickAndTheReportCountsTheRightOnes()
    {
        Game game(3);
        QVERIFY(game.start());
        game.fitNext();
        QStringList offered; // four names of the set, the fitted one among them
        for (const PieceRecord *piece : game.study().quiz.choices())
            offered << piece->name;
        QCOMPARE(QSet<QString>(offered.begin(), offered.end()).size(), 4);
        QVERIFY(offered.contains("Aorta"));
        game.press(game.choiceOf("Aorta")); // right, by key through the window
        QCOMPARE(game.study().quiz.rightAnswers, 1);
        game.fitNext();
        game.click(game.choiceOf("Bone")); // right, by a click on it in the view
        QCOMPARE(game.study().quiz.rightAnswers, 2);
        QVERIFY(game.screen->engine->current == nullptr); // the click took no piece
        game.fitNext();
        game.click(game.choiceOf("Colon") == 0 ? 1 : 0); // wrong
        game.fitNext();                                  // "Duodenum" left unanswered: wrong
        game.fitNext();
        game.press(game.choiceOf("Eye"));
        QVERIFY(game.screen->engine->gameWon);
        QCOMPARE(game.study().reportLines().value(0), QStringLiteral("3 of 5 named"));
    }

    void easyAndMediumAskNothing()
    {
        for (const int difficulty : {1, 2}) {
            Game game(difficulty);
            QVERIFY(game.start());
            game.fitNext();
            game.press(0);
            QCOMPARE(game.study().quiz.questions, 0);
            QCOMPARE(game.study().reportLines(), QStringList());
        }
    }

    void theChosenLanguageNamesThePieceInHand()
    {
        Game game(2);
        QImage caption[2];
        for (NameLanguage language : {NameLanguage::English, NameLanguage::Latin}) {
            StudySettings().setLanguage(language);
            QVERIFY(game.start());
            game.screen->engine->takePiece(0);
            const QImage frame = game.screen->view->grabFramebuffer();
            caption[int(language)] = frame.copy(0, 0, frame.width(), 60);
            game.leave();
        }
        // "In your hand: Aorta" and "In your hand: Nomen 0" in one place.
        QVERIFY(differingPixels(caption[0], caption[1]) > 100);
    }

    void twoGamesGoIntoTheRecordFileAndTheSetUpScreenShowsBestAndMastered()
    {
        closeAppRecord();
        QFile::remove(PlayerRecord::defaultPath());
        Game game(2);
        QVERIFY(game.start());
        for (int i = 0; i < names.size(); ++i)
            game.fitNext(names[i] == "Colon" ? 2 : 0);
        game.leave();
        QVERIFY(game.start());
        for (int i = 0; i < names.size(); ++i)
            game.fitNext();
        game.leave();

        QProcess sqlite;
        sqlite.start("sqlite3", {PlayerRecord::defaultPath(),
                                 "select count(*), group_concat(outcome), "
                                 "(select count(*) from fits), (select sum(misses) from fits) from games"});
        QVERIFY(sqlite.waitForFinished());
        QCOMPARE(sqlite.readAllStandardOutput().trimmed(), QByteArray("2|won,won|10|2"));

        // Colon was missed in one of its two games: the other four are mastered.
        QTest::mouseClick(game.window->screen1->singlePlayerButton, Qt::LeftButton);
        game.window->screen2->study->refresh();
        QVERIFY2(QRegularExpression("^Best on Medium: 00:0\\d \u00b7 4 of 5 mastered$")
                     .match(game.window->screen2->study->recordLine->text())
                     .hasMatch(),
                 qPrintable(game.window->screen2->study->recordLine->text()));

        QTest::mouseClick(game.window->screen2->study->weakestButton, Qt::LeftButton);
        QTest::mouseClick(game.window->screen2->startButton, Qt::LeftButton);
        QCOMPARE(game.window->screensp->engine->remaining.first()->name, QStringLiteral("Colon"));
    }
};

QTEST_MAIN(TestGameStudy)
#include "test_gamestudy.moc"
