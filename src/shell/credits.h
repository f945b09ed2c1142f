#ifndef KRAG_SHELL_CREDITS_H
#define KRAG_SHELL_CREDITS_H

class ccredits {
  public:
    int fade; // -200 on entering, +2 per tick up to 1024

    void init();
    void update();
    void draw();
    int brightness(); // grey level of the name, or -1 while it is not shown yet
};

extern ccredits credits;

#endif
