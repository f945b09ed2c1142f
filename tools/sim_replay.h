#ifndef KRAG_TOOLS_SIM_REPLAY_H
#define KRAG_TOOLS_SIM_REPLAY_H

#include <string>

#include "shell/input.h"

// Replays a recorded match headless and compares it with its recording: 0 the final
// line matches, 1 it differs (both lines and the first differing checksum on stderr),
// 2 a bad file, 3 an unfinished one. With update, the file is written anew with this
// game's checksums and final line (same settings, seed and input).
int replay_main(const std::string &file, bool update);

// Plays two replays of one match side by side, tick by tick: 0 their worlds agree on
// every tick, 1 they part (the first tick after which they differ and the first part of
// the world that does, on stdout) or one is longer, 2 a file cannot play.
int compare_main(const std::string &a, const std::string &b);

// A stand-in for the human in recorded headless matches: keys pressed and held at
// random, the pointer drifting over the screen. Its numbers come from a generator of
// its own, so the world's sequence is not touched.
class crestless {
  public:
    explicit crestless(unsigned seed);
    const ctick_input &next();

  private:
    unsigned state;
    ctick_input held;
    int vx, vy;
    int next_rand(int n);
};

#endif
