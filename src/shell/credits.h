#ifndef KRAG_SHELL_CREDITS_H
#define KRAG_SHELL_CREDITS_H

#include "shell/idle.h"

class ccredits {
  public:
    int fade; // -200 on entering, +2 per tick up to 1024
    clook look;

    void init();
    void update();
    void draw();
    int brightness(); // grey level of the name, or -1 while it is not shown yet
    bool changed() { return look.changed(brightness()); } // the name's shade moved
};

extern ccredits credits;

#endif
