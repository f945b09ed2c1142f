#ifndef KRAG_MATCH_GAME_H
#define KRAG_MATCH_GAME_H

#include <allegro.h>

#include "match/control.h"
#include "players/player.h"

const int SHAKE_TICKS = 64;

class cgame {
  public:
    int shake_counter; // screen shake left, in world ticks
    int decided;       // winner once found; kept until the match is left (-1: none yet)
    int ticks;         // world ticks run in this match
    // Set before init and fixed for the match: bit i makes slot i human (slot 0 always
    // is); and the slot this machine's human plays, whom the view follows.
    unsigned humans;
    int local;
    // This tick's control of each slot, and where its aim lies in the slot's view as
    // the tick began (what the pointer showed).
    ccontrol controls[MAX_PLAYERS];
    int point_x[MAX_PLAYERS], point_y[MAX_PLAYERS];

    cgame() : shake_counter(0), decided(-1), ticks(0), humans(1), local(0), controls(), point_x(), point_y() {}
    bool init();  // false when the chosen map cannot be used
    void start(); // the players and power-ups of a match on the map in place
    bool human(int slot) const { return slot == 0 || ((humans >> slot) & 1); }
    // One logic tick of a match with one human here, whose control comes from the
    // captured input; true when the world moved (slow motion holds it back on two
    // ticks in three).
    bool update();
    // One logic tick driven by a control for every slot (bots ignore theirs).
    bool step(const ccontrol in[MAX_PLAYERS]);
    // The part of a tick that runs only when the world moves; null: nobody does anything.
    void world_tick(const ccontrol *in = nullptr);
    // Takes a slot's control for the coming world tick.
    void take(int slot, const ccontrol &c);
    // The captured input as the local slot's control: the pointer in world pixels.
    ccontrol local_control();
    // The view follows the local slot: the camera and the pad's crosshair anchor.
    void follow();
    // Counts every human's slow motion down by one and returns the largest left: the
    // world slows while any human holds slow motion.
    int slowmotion();
    void draw();
    void draw_world(); // map, pools and HUD into the back buffer, no presenting
    void draw_entities();  // the pools alone, in their layering order
    void present_shaken(); // the back buffer to the screen, shifted while the screen shakes
    void shake() { shake_counter = SHAKE_TICKS; }
    int winner();
    int teamkills(bool team);
    void quit();
};

extern cgame game;

// Plays one of a sample pair: the slow-motion version while the world is in slow
// motion (counting it down, as every look at it does), at full volume when (x, y) is in
// view, else at 64.
void play_pair(SAMPLE *const *pair, float x, float y);

#endif
