#ifndef KRAG_SHELL_REPLAYS_H
#define KRAG_SHELL_REPLAYS_H

#include <string>
#include <vector>

#include "shell/idle.h"

const int REPLAY_ROWS = 20; // rows on one page of the list

// What one row of the list says about a recorded match.
struct creplay_row {
    bool ready;         // read from the file yet
    int trouble;        // REPLAY_PLAYABLE, or why the file cannot be played
    std::string when;   // "12-08 14:03" (the file name keeps the year)
    std::string map;    // "ARENA"
    std::string kind;   // game type: "DEATHMATCH"
    std::string bots;   // bots and their skill: "3 MEDIUM"
    std::string length; // "4:07"; empty when an unfinished file does not say
    std::string result; // "WON 20-14", "LOST 9-20", "LEFT AT 3:12", "UNFINISHED"
};

// One row, from the file's header and trailer only.
creplay_row describe_replay(const std::string &path);

// m:ss of a tick count at 100 ticks a second.
std::string replay_clock(long ticks);

// The list of recorded matches, newest first, opened from the options screen. A click
// on a row chooses that match to watch; BACK or Escape leaves. The rows are read a few
// at a time between frames (the page on show first), so the screen answers at once
// however many and however long the files are.
class creplays {
  public:
    std::vector<std::string> files; // newest first
    std::vector<creplay_row> rows;  // what the list says about each
    int first;                      // first row on the page
    int ready;                      // rows read so far
    std::string chosen;             // the file to watch; empty when leaving
    std::string message;            // why the last choice cannot be played
    bool quit;
    int presses; // presses handled: every change the list shows follows one
    clook look;

    creplays() : first(0), ready(0), quit(false), presses(0), latch(false), escape_latch(false) {}
    void init(); // lists the replay folder; the rows follow in update()
    void update();
    void draw();
    bool changed(); // the pointer moved, a press was handled, a row was read, or a redraw was asked for
    void fill(long budget_ns); // reads rows until they are all read or the budget is spent

  private:
    bool latch;        // left button held since it last acted
    bool escape_latch; // Escape held since the screen opened
};

extern creplays replays;

#endif
