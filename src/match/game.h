#ifndef KRAG_MATCH_GAME_H
#define KRAG_MATCH_GAME_H

#include <allegro.h>

const int SHAKE_TICKS = 64;

class cgame {
  public:
    int shake_counter; // screen shake left, in world ticks
    int decided;       // winner once found; kept until the match is left (-1: none yet)

    cgame() : shake_counter(0), decided(-1) {}
    bool init();       // false when the chosen map cannot be used
    void update();     // one logic tick
    void world_tick(); // the part of a tick that runs only when the world moves
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

// Plays one of a sample pair: the slow-motion version while the human is in slow
// motion, at full volume when (x, y) is in view, else at 64.
void play_pair(SAMPLE *const *pair, float x, float y);

#endif
