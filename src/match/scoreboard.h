#ifndef KRAG_MATCH_SCOREBOARD_H
#define KRAG_MATCH_SCOREBOARD_H

#include <string>

#include "players/player.h"

// Who is winning: deaths, suicides and kill streaks counted beside the players' own
// kill counts (which stay the game's one record of kills), and the table that shows
// them while the scoreboard action is held and after the match is decided.
class cscoreboard {
  public:
    int deaths[MAX_PLAYERS];   // every death, suicides and falls included
    int suicides[MAX_PLAYERS]; // killed by one's own blow
    int streak[MAX_PLAYERS];   // kills since the player last died

    cscoreboard() { init(); }
    void init(); // a new match: all counts 0
    // Player victim died; killer is the credited player's slot (victim for a suicide)
    // or -1 for nobody.
    void death(int victim, int killer);
    // The active players' slots, most kills first (ties in slot order); returns how many.
    int order(int *slots);
    bool shown(); // the scoreboard action is held
    void draw();  // the table into the back buffer
};

extern cscoreboard scoreboard;

// The name the table shows for a slot: a network match's player names; empty (the
// default) shows "YOU" for this machine's slot and "BOT n" for the others. Kept apart
// from the scoreboard's counts, which are part of the world.
void scoreboard_name(int slot, const std::string &name);
const std::string &scoreboard_name_of(int slot);
void scoreboard_names_clear();

#endif
