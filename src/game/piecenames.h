#pragma once

// The language a piece's name is shown in: the set's own (English) name,
// its Latin anatomical name, or both ("Liver (Hepar)"). A piece without a
// Latin name shows its English one whatever the choice.

#include <QString>

class PieceRecord;

enum class NameLanguage { English = 0, Latin = 1, Both = 2 };

QString shownName(const PieceRecord &piece, NameLanguage language);
