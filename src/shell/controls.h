#ifndef KRAG_SHELL_CONTROLS_H
#define KRAG_SHELL_CONTROLS_H

// The controls screen, opened from the options screen: one row per action showing
// its key or mouse button. Click a row, then press a key or button to bind it;
// Escape cancels. A key already used elsewhere is swapped, never bound twice.

#include <string>

// Layout of the picture (the art generator draws it from the same numbers).
const int CONTROLS_ROWS = 18;
const int CONTROLS_ROW_TOP = 92;  // y of the first row
const int CONTROLS_ROW_STEP = 13; // rows are 12 pixels high with a 1-pixel gap
const int CONTROLS_ROW_X1 = 160, CONTROLS_ROW_X2 = 480; // a click anywhere in here picks the row
const int CONTROLS_LABEL_X = 168;                       // action names
const int CONTROLS_FIELD_X1 = 330, CONTROLS_FIELD_X2 = 470; // the sunken field with the key name
const int CONTROLS_BUTTON_Y1 = 362, CONTROLS_BUTTON_Y2 = 382;
const int CONTROLS_BACK_X1 = 260, CONTROLS_BACK_X2 = 379;
const int CONTROLS_DEFAULTS_X1 = 390, CONTROLS_DEFAULTS_X2 = 519;
const int CONTROLS_SAID_Y = 392; // what the last press did, under the buttons

// The action shown on row r, top to bottom.
int controls_row_action(int r);

class ccontrols {
  public:
    ccontrols()
        : open(false), waiting(-1), asking(false), latch(false), armed(false), esc_latch(false) {}
    void init(); // opens the screen
    bool is_open() const { return open; }
    int get_waiting() const { return waiting; } // the row waiting for a key, or -1
    const std::string &get_said() const { return said; } // "RIGHT IS NOW R", or empty
    bool is_asking() const { return asking; } // DEFAULTS was clicked once: again to confirm
    void update();
    void draw();

  private:
    bool open;
    int waiting;
    bool asking;      // DEFAULTS was clicked once and waits for a second click
    std::string said; // shown under the buttons until the next click
    bool latch;     // left button held since it last acted
    bool armed;     // every button came up since the row was clicked: a button may bind
    bool esc_latch; // Escape held since it last acted
};

extern ccontrols controls;

#endif
