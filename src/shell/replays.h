#ifndef KRAG_SHELL_REPLAYS_H
#define KRAG_SHELL_REPLAYS_H

#include <string>
#include <vector>

#include "shell/idle.h"

const int REPLAY_ROWS = 20; // rows on one page of the list

// The list of recorded matches, newest first, opened from the options screen. A click
// on a row chooses that match to watch; BACK or Escape leaves.
class creplays {
  public:
    std::vector<std::string> files; // newest first
    std::vector<std::string> rows;  // what the list says about each
    int first;                      // first row on the page
    std::string chosen;             // the file to watch; empty when leaving
    std::string message;            // why the last choice cannot be played
    bool quit;
    int presses; // presses handled: every change the list shows follows one
    clook look;

    creplays() : first(0), quit(false), presses(0), latch(false), escape_latch(false) {}
    void init(); // reads the replay folder
    void update();
    void draw();
    bool changed(); // the pointer moved, a press was handled, or a redraw was asked for

  private:
    bool latch;        // left button held since it last acted
    bool escape_latch; // Escape held since the screen opened
};

extern creplays replays;

// One row of the list: date and time, map, game type, bots, and how it ended.
std::string describe_replay(const std::string &path);

#endif
