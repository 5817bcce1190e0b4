#pragma once

// The one record of the running game, opened at its first use in the
// application data folder (PlayerRecord::defaultPath()).

class PlayerRecord;

PlayerRecord &appRecord();
// Closes it; the next use opens it anew (tests that remove the file).
void closeAppRecord();
