#ifndef KRAG_SHELL_MENU_H
#define KRAG_SHELL_MENU_H

#include "shell/idle.h"

// Main-menu choices as the main loop reads them.
const int CHOICE_FIRST = 0, CHOICE_WINDOW = -1, CHOICE_SCALED = -2, CHOICE_FULLSCREEN = -3,
          CHOICE_MENU = 1, CHOICE_PLAY = 2, CHOICE_OPTIONS = 3, CHOICE_CREDITS = 4, CHOICE_QUIT = 5,
          CHOICE_NETWORK = 6;

class cmenu {
  public:
    int choice;
    bool latch; // left button held since it last acted
    clook look; // what the last drawn frame showed

    cmenu() : choice(0), latch(false) {}
    void init();
    int get_choice() { return choice; }
    void set_choice(int c) { choice = c; }
    void update();
    void draw();
    bool changed(); // a frame must be drawn (the pointer moved, or a redraw was asked for)
};

extern cmenu menu;

#endif
