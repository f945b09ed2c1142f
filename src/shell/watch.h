#ifndef KRAG_SHELL_WATCH_H
#define KRAG_SHELL_WATCH_H

#include <string>

const long WATCH_JUMP_TICKS = 1000; // the arrow keys jump ten seconds of the match

// Watching a replay in the window: the recorded match plays as it happened (same view,
// HUD and sounds), with REPLAY, the time and the length along the bottom. Space or the
// pause key pauses, F cycles the speed 1x/2x/4x, N steps one tick while paused, the
// scoreboard key shows the scoreboard, the left and right arrows jump ten seconds back
// or forward, Escape leaves. At its last tick the picture stays until Escape.
class cwatch {
  public:
    int speed; // logic ticks of the match per real tick: 1, 2 or 4
    bool paused;
    bool leave;
    bool scores; // the scoreboard key is held

    cwatch() : speed(1), paused(false), leave(false), scores(false) {}
    // Reads and checks the file and starts it; false with a reason when it cannot play.
    bool init(const std::string &path, std::string &err);
    void update();
    void draw();
    void quit();

  private:
    bool was_space, was_f, was_n, was_pause, was_back, was_forward;
    bool escape_latch; // Escape held since the screen opened
};

extern cwatch watch;

#endif
