#ifndef KRAG_MATCH_HUD_H
#define KRAG_MATCH_HUD_H

const int MARKER_TICKS = 300;

// The weapon choice picture on the screen, and its eight rows (weapon n in row n - 1):
// clicking anywhere on a row (its key, name or picture) chooses that weapon.
const int CHOICE_X = 233, CHOICE_Y = 142;
const int CHOICE_ROW_X1 = 3, CHOICE_ROW_X2 = 170; // within the picture
const int CHOICE_ROW_Y = 21, CHOICE_ROW_H = 20, CHOICE_ROW_STEP = 21;

// The weapon (1-8) whose row of the open choice holds the back-buffer point, or 0.
int choice_row_at(int x, int y);

class chud {
  public:
    int killbar;    // kill bar length in pixels, 0-100
    int marker;     // ticks left to show the marker over the human
    int weapon;     // weapon the human spawns with; negative while the selector is open
    bool latch;     // left button held since the selector opened or last acted
    bool stepped;   // the choice was stepped (pad shoulders): the selector marks it
    unsigned steps; // next/previous-weapon actions held on the last tick

    chud() : killbar(0), marker(0), weapon(1), latch(false), stepped(false), steps(0) {}
    void init() { weapon = 1; }
    void select();
    int get_weapon() { return weapon; }
    void update();
    void draw();         // bars, marker, crosshair, won and lost pictures
    void draw_chooser(); // the weapon choice while it is open: drawn last, over everything
};

extern chud hud;

#endif
