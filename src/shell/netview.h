#ifndef KRAG_SHELL_NETVIEW_H
#define KRAG_SHELL_NETVIEW_H

// What a network match shows over the world: each player's name above them, a kill
// feed in the top right corner (who killed whom with what, the last few, fading), and
// one line in the middle for what the match waits for or why it stopped.
#include <string>

#include "net/networld.h"

const int FEED_LINES = 5;        // kills shown at once
const int FEED_TICKS = 600;      // a line stays this long (ticks)
const int FEED_FADE_TICKS = 200; // and fades out over the last of them

class ckillfeed {
  public:
    std::string text[FEED_LINES]; // newest first
    int age[FEED_LINES] = {};     // ticks since each line came

    void clear();
    void add(const std::string &line);
    void update(); // one tick older
    void draw(int right, int top) const;
};

// "ann  SHOTGUN  bob", "bob  SUICIDE", "bob  DIED"; names[] by slot, empty for a bot.
std::string kill_line(const cnet_kill &k, const std::string names[]);

// A name above a player's head, centred on x, with a dark shadow to stay readable.
void draw_name_above(const std::string &name, int x, int y);
// A line of the match's state across the middle of the view, on a dark band.
void draw_status_band(const std::string &text, int y);

#endif
