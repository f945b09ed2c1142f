#ifndef KRAG_SHELL_NOTICE_H
#define KRAG_SHELL_NOTICE_H

#include <string>

#include "shell/idle.h"

// A short message on a black screen (e.g. why a map cannot be played), left with a
// click or Escape.
class cnotice {
  public:
    std::string title, detail;
    bool latch; // a button held on entry must be released before a click counts
    bool done;
    clook look;

    void init(const std::string &title, const std::string &detail);
    void update();
    void draw();
    bool changed(); // the pointer moved, or a redraw was asked for
    bool get_done() { return done; }
};

extern cnotice notice;

#endif
