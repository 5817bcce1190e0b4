// What a stored difficulty gives the player in a game: the names of the pieces and the hint.
#include "game/difficulty.h"

#include <QTest>

class TestDifficulty : public QObject
{
    Q_OBJECT

private slots:
    void aGameHelpsByTheStoredNumberAndPlaysAnyOtherAsHard_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("namedBeforeFit");
        QTest::addColumn<int>("hintAfter"); // misses; 0 never
        QTest::newRow("1 easy") << 1 << true << 1;
        QTest::newRow("2 medium") << 2 << true << 3;
        QTest::newRow("3 hard") << 3 << false << 0;
        QTest::newRow("0, as a text reads") << 0 << false << 0;
        QTest::newRow("7") << 7 << false << 0;
        QTest::newRow("-1") << -1 << false << 0;
    }

    void aGameHelpsByTheStoredNumberAndPlaysAnyOtherAsHard()
    {
        QFETCH(int, stored);
        QFETCH(bool, namedBeforeFit);
        QFETCH(int, hintAfter);
        QCOMPARE(namesBeforeFit(playedDifficulty(stored)), namedBeforeFit);
        QCOMPARE(missesBeforeHint(playedDifficulty(stored)), hintAfter);
    }
};

QTEST_MAIN(TestDifficulty)
#include "test_difficulty.moc"
