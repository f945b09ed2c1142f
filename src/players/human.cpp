// A human's controls (by default W/A/D to move, R to reload, the left button to fire
// and the right one to charge and throw a hand grenade), read from the slot's control
// of this tick; the pointer aims. The human's view follows the body.
#include "match/game.h"
#include "players/player.h"
#include "shell/input.h"
#include "weapons/weapon.h"
#include "world/map.h"

static const float MAX_THROW_POWER = 6.0f;
static const float THROW_CHARGE = 0.1f; // per tick the right button is held

// The slot of a player of the pool.
static int slot(const cplayer *p) { return (int)(p - players); }

void cplayer::player_move() {
    const ccontrol &c = game.controls[slot(this)];
    if (c.held(ACT_JUMP)) jump();
    // Right wins when both directions are held.
    if (c.held(ACT_RIGHT))
        move_right();
    else if (c.held(ACT_LEFT))
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
    view_x = cx;
    view_y = cy;
}

void cplayer::player_shoot() {
    int i = slot(this);
    const ccontrol &c = game.controls[i];
    // The pointer stays where it is in the view, and the view may have moved with the
    // body this tick: the aim moves with it.
    int mx = game.point_x[i], my = game.point_y[i];
    set_angle(view_x + (mx - x - 7), view_y + (my - y - 8), 0);

    if (c.held(ACT_GRENADE)) {
        // Charging a grenade; the trigger is ignored meanwhile.
        if (grenades > 0 && throw_power < MAX_THROW_POWER) throw_power += THROW_CHARGE;
    } else {
        if (c.held(ACT_FIRE)) shoot();
        // The right button was just let go after charging.
        if (throw_power > 0) grenade();
    }

    if (c.held(ACT_RELOAD) && weapon) weapon->reload();
}
