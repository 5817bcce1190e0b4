#include "game/namingquiz.h"

#include "game/piecerecord.h"

#include <QRandomGenerator>

#include <algorithm>

void NamingQuiz::ask(const PieceRecord *fitted, const QList<const PieceRecord *> &pieces,
                     QRandomGenerator &random)
{
    if (!fitted || fitted->name.isEmpty())
        return;
    // Pieces of one name are one choice, and the fitted piece's name is
    // offered once: two "Liver" buttons would make a right answer a guess.
    QList<const PieceRecord *> others;
    QStringList seen{fitted->name};
    for (const PieceRecord *piece : pieces) {
        if (piece && !piece->name.isEmpty() && !seen.contains(piece->name)) {
            seen.append(piece->name);
            others.append(piece);
        }
    }
    std::shuffle(others.begin(), others.end(), random);
    offered = others.mid(0, choiceCount - 1);
    offered.insert(int(random.bounded(quint32(offered.size() + 1))), fitted);
    asked = fitted;
    ++questions;
}

bool NamingQuiz::answer(int choice)
{
    if (!asked || choice < 0 || choice >= offered.size())
        return false;
    lastAsked = asked;
    lastChosen = offered[choice];
    if (lastChosen->name == asked->name)
        ++rightAnswers;
    ++answers;
    asked = nullptr;
    offered.clear();
    return true;
}
