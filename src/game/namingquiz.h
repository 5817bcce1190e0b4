#pragma once

// Naming on hard: after every fit the player picks the fitted piece's name
// among four of the set, by number (keys 1-4, or a click on the choice).
// Recalling the name is the point, so the caption gives it only after the
// answer. The game never waits: the trough glides on and a piece can be
// taken while a question shows; a fit before the answer leaves that
// question unanswered, which counts as wrong.

#include <QList>
#include <QString>

class PieceRecord;
class QRandomGenerator;

class NamingQuiz
{
public:
    static constexpr int choiceCount = 4;

    // Asks the name of `fitted` among `pieces` (every piece of the set; the
    // choices are the fitted piece and up to three others of different
    // names, shuffled). A piece without a name is not asked.
    void ask(const PieceRecord *fitted, const QList<const PieceRecord *> &pieces,
             QRandomGenerator &random);
    bool asking() const { return asked != nullptr; }
    const PieceRecord *question() const { return asked; }
    // Empty when nothing is asked.
    QList<const PieceRecord *> choices() const { return offered; }

    // The player's choice, counted from 0; false when nothing is asked or no
    // such choice is offered.
    bool answer(int choice);

    int questions = 0; // pieces asked, answered or not
    int rightAnswers = 0;
    int answers = 0; // given; a new answer has come when this grows
    // The last answer: the piece asked and the piece whose name was chosen.
    const PieceRecord *lastAsked = nullptr;
    const PieceRecord *lastChosen = nullptr;

private:
    const PieceRecord *asked = nullptr;
    QList<const PieceRecord *> offered;
};
