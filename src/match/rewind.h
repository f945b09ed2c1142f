#ifndef KRAG_MATCH_REWIND_H
#define KRAG_MATCH_REWIND_H

// Jumping about in a replay being watched. A saved world is kept every few seconds of
// the match as it plays, so a jump back restores the nearest one before the goal and
// plays on from there: never more than a few seconds of ticks, never from the start.
#include <vector>

#include "match/replay.h"
#include "match/world.h"

const long REWIND_EVERY_TICKS = 500;      // a saved world every five seconds of the match
const long REWIND_MAX_BYTES = 96l << 20;  // saved worlds kept at most; older ones thin out

class crewind {
  public:
    void clear(); // a new replay: nothing saved yet
    // After every tick of the playback (and once at its start): saves the world when
    // the tick is a multiple of REWIND_EVERY_TICKS not saved yet.
    void note();
    // Goes to tick `goal` of the playback (clamped to the replay), silently: forward by
    // playing, back from the nearest saved world.
    void jump_to(long goal);
    int kept() const { return (int)marks.size(); }
    long played() const { return last_played; } // ticks the last jump played on its way

  private:
    long last_played = 0;
    struct cmark {
        long tick;
        csnapshot world;
        cplayback::cplace place;
        int xs, ys; // the camera
    };
    std::vector<cmark> marks; // by tick
    void thin();
};

extern crewind rewind_marks;

#endif
