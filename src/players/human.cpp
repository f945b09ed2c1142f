// The human's controls (by default W/A/D to move, R to reload, the left button to
// fire and the right one to charge and throw a hand grenade), read from the input
// captured for this tick; the pointer aims. The camera follows.
#include "players/player.h"
#include "shell/input.h"
#include "weapons/weapon.h"
#include "world/map.h"

static const float MAX_THROW_POWER = 6.0f;
static const float THROW_CHARGE = 0.1f; // per tick the right button is held

void cplayer::player_move() {
    if (input.held(ACT_JUMP)) jump();
    // Right wins when both directions are held.
    if (input.held(ACT_RIGHT))
        move_right();
    else if (input.held(ACT_LEFT))
        move_left();
}

void cplayer::player_screen() {
    int w = map.get_width(), h = map.get_height();
    // Away from the edges the body sits at screen (313, 226), its centre mid-view.
    int cx, cy;
    if (x < 313)
        cx = 0;
    else if (x < w - 326)
        cx = (int)x - 313;
    else
        cx = w - 640;
    if (y < 226)
        cy = 0;
    else if (y < h - 253)
        cy = (int)y - 226;
    else
        cy = h - 480;
    map.set_screen(cx, cy);
}

void cplayer::player_shoot() {
    int mx = input.x(), my = input.y();
    set_angle(map.get_xs() + (mx - x - 7), map.get_ys() + (my - y - 8), 0);

    if (input.held(ACT_GRENADE)) {
        // Charging a grenade; the trigger is ignored meanwhile.
        if (grenades > 0 && throw_power < MAX_THROW_POWER) throw_power += THROW_CHARGE;
    } else {
        if (input.held(ACT_FIRE)) shoot();
        // The right button was just let go after charging.
        if (throw_power > 0) grenade();
    }

    if (input.held(ACT_RELOAD) && weapon) weapon->reload();
}
