#ifndef KRAG_MATCH_GAME_H
#define KRAG_MATCH_GAME_H

#include <allegro.h>

#include "match/control.h"
#include "players/player.h"

const int SHAKE_TICKS = 64;

// Hair, shirt and trousers colours, 0-2 each.
struct coutfit {
    int hair, shirt, pants;
};

class cgame {
  public:
    int shake_counter; // screen shake left, in world ticks
    int decided;       // winner once found; kept until the match is left (-1: none yet)
    int ticks;         // world ticks run in this match
    // Bit i: slot i is played by a human, from its control; a clear bit is a bot that
    // decides for itself. Set before init (one human in slot 0 unless told otherwise);
    // from then on part of the world's state, which only leave() changes.
    unsigned humans;
    // The slot whose view this machine shows (its human's, or the one a replay follows);
    // -1: none (a host without a player).
    int local;
    // Set before init and fixed for the match: bit i makes slot i wear outfits[i].
    // Undressed, slot 0 wears the player's own outfit and the others one drawn at random.
    unsigned dressed;
    coutfit outfits[MAX_PLAYERS];
    // This tick's control of each slot, and where its aim lies in the slot's view as
    // the tick began (what the pointer showed).
    ccontrol controls[MAX_PLAYERS];
    int point_x[MAX_PLAYERS], point_y[MAX_PLAYERS];
    // What the last update() gave every slot, slow-motion ticks included (a recording's).
    ccontrol given[MAX_PLAYERS];

    cgame()
        : shake_counter(0), decided(-1), ticks(0), humans(1), local(0), dressed(0), outfits(),
          controls(), point_x(), point_y(), given() {}
    bool init();  // false when the chosen map cannot be used
    void start(); // the players and power-ups of a match on the map in place
    bool human(int slot) const { return slot >= 0 && slot < MAX_PLAYERS && ((humans >> slot) & 1); }
    // From now on the slot plays itself: its human left. Call it between ticks, at the
    // same tick on every machine; nothing happens to a slot that is no human.
    void leave(int slot);
    // What a slot wears: its own outfit when dressed, else slot 0 the player's.
    coutfit outfit(int slot) const;
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
