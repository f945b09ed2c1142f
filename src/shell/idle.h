#ifndef KRAG_SHELL_IDLE_H
#define KRAG_SHELL_IDLE_H

// Idle screens (menu, options, credits) draw and present a frame only when what they
// show has changed. Each keeps a clook: a few numbers that decide every pixel of its
// frame (pointer position, a fade level, a count of handled clicks).

const int LOOK_MAX = 4;

// The next idle frame is drawn whatever it shows: a screen was entered, the video mode
// changed, or the window came back after its contents may have been lost. Safe from
// any thread.
void redraw_all();

class clook {
  public:
    clook();
    // True when a frame must be drawn: a redraw was asked for, or the look differs from
    // the one drawn last. Remembers the new look.
    bool changed(int a, int b = 0, int c = 0, int d = 0);

  private:
    int last[LOOK_MAX];
    bool known; // last[] holds a drawn look
};

#endif
