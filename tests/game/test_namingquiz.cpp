// The naming question's rules: which names are offered and what an answer counts.
#include "game/namingquiz.h"
#include "game/piecerecord.h"

#include <QDomDocument>
#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <vector>

namespace {

struct Pieces
{
    std::vector<std::unique_ptr<PieceRecord>> owned;
    QList<const PieceRecord *> all;

    explicit Pieces(const QStringList &names)
    {
        for (const QString &name : names) {
            QDomDocument document;
            document.setContent("<part><name>" + name + "</name></part>");
            owned.push_back(std::make_unique<PieceRecord>(document.documentElement()));
            all << owned.back().get();
        }
    }
};

QStringList namesOf(const QList<const PieceRecord *> &pieces)
{
    QStringList names;
    for (const PieceRecord *piece : pieces)
        names << piece->name;
    return names;
}

} // namespace

class TestNamingQuiz : public QObject
{
    Q_OBJECT

private slots:
    void choicesAreTheFittedNameAndOthersOfTheSetEachOnce_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QStringList>("offered"); // sorted
        QTest::newRow("fewer named pieces than four") << QStringList{"Liver", "Spleen", ""}
                                                      << QStringList{"Liver", "Spleen"};
        QTest::newRow("a name twice is one choice") << QStringList{"Liver", "Rib", "Rib", "Liver", "Heart"}
                                                    << QStringList{"Heart", "Liver", "Rib"};
    }

    void choicesAreTheFittedNameAndOthersOfTheSetEachOnce()
    {
        QFETCH(QStringList, set);
        QFETCH(QStringList, offered);
        Pieces pieces(set);
        NamingQuiz quiz;
        QRandomGenerator random(7);
        quiz.ask(pieces.all[0], pieces.all, random);
        QStringList names = namesOf(quiz.choices());
        names.sort();
        QCOMPARE(names, offered);
    }

    void everyNameOfALargerSetIsOfferedSometimesAndTheRightOneAlways()
    {
        Pieces pieces({"A", "B", "C", "D", "E", "F"});
        QRandomGenerator random(1);
        QSet<QString> seen;
        QSet<int> rightAt;
        for (int round = 0; round < 200; ++round) {
            NamingQuiz quiz;
            quiz.ask(pieces.all[0], pieces.all, random);
            const QStringList names = namesOf(quiz.choices());
            QCOMPARE(names.size(), 4);
            QVERIFY(names.contains("A"));
            seen.unite(QSet<QString>(names.begin(), names.end()));
            rightAt << int(names.indexOf("A"));
        }
        QCOMPARE(seen.size(), 6);
        QCOMPARE(rightAt.size(), 4); // shuffled: the right name stands at every place
    }

    void anUnnamedPieceIsNotAsked()
    {
        Pieces pieces({"", "Liver"});
        NamingQuiz quiz;
        QRandomGenerator random(1);
        quiz.ask(pieces.all[0], pieces.all, random);
        QVERIFY(!quiz.asking());
        QCOMPARE(quiz.questions, 0);
    }

    void onlyTheRightNameCountsAndAnUnofferedChoiceIsNoAnswer()
    {
        Pieces pieces({"Liver", "Spleen"});
        NamingQuiz quiz;
        QRandomGenerator random(3);
        quiz.ask(pieces.all[0], pieces.all, random);
        QVERIFY(!quiz.answer(2));
        const int spleen = int(namesOf(quiz.choices()).indexOf("Spleen"));
        QVERIFY(quiz.answer(spleen));
        QVERIFY(!quiz.answer(1 - spleen)); // answered already
        QCOMPARE(quiz.rightAnswers, 0);
        QCOMPARE(quiz.lastChosen->name, QStringLiteral("Spleen"));
        quiz.ask(pieces.all[1], pieces.all, random);
        quiz.answer(int(namesOf(quiz.choices()).indexOf("Spleen")));
        QCOMPARE(quiz.rightAnswers, 1);
    }
};

QTEST_MAIN(TestNamingQuiz)
#include "test_namingquiz.moc"
