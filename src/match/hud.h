#ifndef KRAG_MATCH_HUD_H
#define KRAG_MATCH_HUD_H

#include "players/player.h"

const int MARKER_TICKS = 300;

// The weapon choice picture on the screen, and its eight rows (weapon n in row n - 1):
// clicking anywhere on a row (its key, name or picture) chooses that weapon.
const int CHOICE_X = 233, CHOICE_Y = 142;
const int CHOICE_ROW_X1 = 3, CHOICE_ROW_X2 = 170; // within the picture
const int CHOICE_ROW_Y = 21, CHOICE_ROW_H = 20, CHOICE_ROW_STEP = 21;

// The weapon (1-8) whose row of the open choice holds the back-buffer point, or 0.
int choice_row_at(int x, int y);

// Each human slot's bars, marker and weapon choice; the view shows the local slot's.
class chud {
  public:
    int killbar[MAX_PLAYERS];    // kill bar length in pixels, 0-100
    int marker[MAX_PLAYERS];     // ticks left to show the marker over the human
    int weapon[MAX_PLAYERS];     // weapon the human spawns with; negative while choosing
    bool latch[MAX_PLAYERS];     // left button held since the selector opened or last acted
    bool stepped[MAX_PLAYERS];   // the choice was stepped (pad shoulders): the selector marks it
    unsigned steps[MAX_PLAYERS]; // next/previous-weapon actions held on the last tick

    chud();
    void select(int slot); // the slot's dead human reached the weapon choice
    int get_weapon(int slot) { return weapon[slot]; }
    void update();       // every human slot, from its control of this tick
    void draw();         // the local slot's bars, marker, crosshair, won and lost pictures
    void draw_chooser(); // the local slot's weapon choice while it is open: drawn last

  private:
    void update_slot(int slot);
};

extern chud hud;

#endif
