#ifndef KRAG_SHELL_WATCH_H
#define KRAG_SHELL_WATCH_H

#include <string>

// Watching a replay in the window: the recorded match plays as it happened (same view,
// HUD and sounds). Space pauses, F cycles the speed 1x/2x/4x, N steps one tick while
// paused, Escape leaves. At its last tick the picture stays until Escape.
class cwatch {
  public:
    int speed; // logic ticks of the match per real tick: 1, 2 or 4
    bool paused;
    bool leave;

    cwatch() : speed(1), paused(false), leave(false) {}
    // Reads and checks the file and starts it; false with a reason when it cannot play.
    bool init(const std::string &path, std::string &err);
    void update();
    void draw();
    void quit();

  private:
    bool was_space, was_f, was_n;
    bool escape_latch; // Escape held since the screen opened
};

extern cwatch watch;

#endif
