#include "screens/studypanel.h"

#include "game/difficulty.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/studysettings.h"
#include "record/apprecord.h"
#include "record/playerrecord.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "widgets/pixbutton.h"

#include <QLabel>
#include <QPushButton>

namespace {

const char *const lookOfText =
    "color: white; background: black; border: none; font: bold 14pt Sans;";

QString levelName(Difficulty difficulty)
{
    return difficulty == Difficulty::Easy     ? QStringLiteral("Easy")
           : difficulty == Difficulty::Medium ? QStringLiteral("Medium")
                                              : QStringLiteral("Hard");
}

} // namespace

StudyPanel::StudyPanel(Screen2 *screen)
    : QObject(screen)
    , screen(screen)
{
    const SetChooser *chooser = screen->chooser;
    recordLine = new QLabel(screen);
    recordLine->setStyleSheet(QLatin1String(lookOfText));
    recordLine->setAlignment(Qt::AlignCenter);
    recordLine->setGeometry(0, chooser->y() + chooser->height() + 2, screen->width(), 24);

    const int left = screen->backButton->x() + screen->backButton->width() + 20;
    const int across = screen->startButton->x() - 20 - left;
    const int y = screen->backButton->y() + (screen->backButton->height() - 30) / 2;
    languageButton = new QPushButton(screen);
    weakestButton = new QPushButton(screen);
    languageButton->setGeometry(left, y, across / 2 - 5, 30);
    weakestButton->setGeometry(left + across / 2 + 5, y, across / 2 - 5, 30);
    for (QPushButton *button : {languageButton, weakestButton}) {
        button->setStyleSheet(QLatin1String(lookOfText));
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
    }
    connect(languageButton, &QPushButton::clicked, this, [this] {
        StudySettings settings;
        settings.setLanguage(NameLanguage((int(settings.language()) + 1) % 3));
        showChoices();
    });
    connect(weakestButton, &QPushButton::clicked, this, [this] {
        StudySettings settings;
        settings.setWeakestFirst(!settings.weakestFirst());
        showChoices();
    });
    showChoices();

    // The set, the difficulty and the name change in places of their own;
    // a look now and then while the screen shows follows them all.
    poll.setInterval(300);
    connect(&poll, &QTimer::timeout, this, [this] {
        if (this->screen->isVisible())
            refresh();
    });
    poll.start();
}

QString StudyPanel::recordText(const QString &level, int bestMs, int mastered, int pieces)
{
    const QLatin1Char zero('0');
    const QString best = bestMs < 0 ? QStringLiteral("No win on %1 yet").arg(level)
                                    : QStringLiteral("Best on %1: %2:%3")
                                          .arg(level)
                                          .arg(bestMs / 60000, 2, 10, zero)
                                          .arg(bestMs / 1000 % 60, 2, 10, zero);
    return best + QStringLiteral(" \u00b7 %1 of %2 mastered").arg(mastered).arg(pieces);
}

void StudyPanel::refresh()
{
    const SetChooser &chooser = *screen->chooser;
    if (chooser.selected < 0 || chooser.selected >= chooser.entries.size()) {
        recordLine->clear();
        return;
    }
    const SetChooser::SetEntry &set = chooser.entries[chooser.selected];
    if (keysOf != set.document) {
        // The pieces of the set as a game would make them, without their models.
        keysOf = set.document;
        pieceKeys.clear();
        const GameEngine game(set.document);
        for (const PieceRecord *piece : game.remaining)
            if (const QString key = PlayerRecord::pieceKey(*piece); !pieceKeys.contains(key))
                pieceKeys << key;
    }
    const Difficulty level = offeredDifficulty(screen->difficulty);
    const PlayerRecord &record = appRecord();
    const QString text =
        recordText(levelName(level), record.bestTimeMs(screen->name, set.id, storedValue(level)),
                   record.masteredCount(screen->name, set.id, pieceKeys), int(pieceKeys.size()));
    if (recordLine->text() != text)
        recordLine->setText(text);
}

void StudyPanel::showChoices()
{
    const StudySettings settings;
    languageButton->setText(QStringLiteral("Names: ")
                            + StudySettings::languageLabel(settings.language()));
    weakestButton->setText(settings.weakestFirst() ? QStringLiteral("Weakest first: on")
                                                   : QStringLiteral("Weakest first: off"));
}
