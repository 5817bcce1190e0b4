// The naming question's rules: which names are offered.
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
        QTest::newRow("an unnamed piece is not asked") << QStringList{"", "Liver"} << QStringList{};
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
        QCOMPARE(quiz.questions, int(!offered.isEmpty()));
    }
};

QTEST_MAIN(TestNamingQuiz)
#include "test_namingquiz.moc"
