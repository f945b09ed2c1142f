// Player movement: gravity, pixel stepping against the map and the props, the legs'
// walking animation and the per-tick timers.
#include <algorithm>

#include "players/player.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"
#include "world/walk.h"

static const float GRAVITY = 0.15f; // pixels per tick, added every tick in the air
static const float JUMP_SPEED = -5.25f;
static const int LEG_STANDING = 195;   // frame 1
static const int LEG_FIRST_STEP = 200; // frame 2
static const int LEG_LAST_STEP = 495;  // frame 4

static bool solid_at(int x, int y) { return solid_cell(map.get_map(x, y)); }

// Edge contact with the live props. Props fill their pools from slot 0, so a scan
// stops at the first free slot. The test gets the prop's top-left corner.
template <class T, int N, class F> static bool prop_blocks(T (&pool)[N], F touches) {
    for (int i = 0; i < N && pool[i].get_active(); i++)
        if (pool[i].alive() && touches(pool[i].get_x(), pool[i].get_y())) return true;
    return false;
}

template <class F> static bool props_block(F touches) {
    return prop_blocks(boxes, touches) || prop_blocks(barrels, touches);
}

bool cplayer::down() {
    int X = (int)x, Y = (int)y;
    if (solid_at(X, Y + 28) || solid_at(X + 13, Y + 28)) return true;
    return props_block(
        [&](int bx, int by) { return Y + 28 == by && X + 13 >= bx && bx + 15 >= X; });
}

bool cplayer::up() {
    int X = (int)x, Y = (int)y;
    if (solid_at(X, Y - 1) || solid_at(X + 13, Y - 1)) return true;
    return props_block(
        [&](int bx, int by) { return Y == by + 16 && X + 13 >= bx && bx + 15 >= X; });
}

bool cplayer::left() {
    int X = (int)x, Y = (int)y;
    if (solid_at(X - 1, Y) || solid_at(X - 1, Y + 14) || solid_at(X - 1, Y + 27)) return true;
    return props_block(
        [&](int bx, int by) { return X == bx + 16 && Y + 27 >= by && by + 15 >= Y; });
}

bool cplayer::right() {
    int X = (int)x, Y = (int)y;
    if (solid_at(X + 14, Y) || solid_at(X + 14, Y + 14) || solid_at(X + 14, Y + 27)) return true;
    return props_block(
        [&](int bx, int by) { return X + 14 == bx && Y + 27 >= by && by + 15 >= Y; });
}

void cplayer::jump() {
    if (down()) vy = JUMP_SPEED;
}

void cplayer::move_left() {
    vx = -1;
    leg_step = -5;
}

void cplayer::move_right() {
    vx = 1;
    leg_step = 5;
}

void cplayer::move() {
    if (!down()) vy += GRAVITY;

    if (vx != 0) {
        float target = x + vx;
        walk(x, target, 0, map.get_width() - 14, [&](int d) { return d > 0 ? !right() : !left(); });
        vx = 0;
    }

    if (vy != 0) {
        float target = y + vy;
        walk(y, target, 0, map.get_height(), [&](int d) { return d > 0 ? !down() : !up(); });
        // cut short by a floor, a ceiling or the top edge
        if (y != target) vy = 0;
    }

    // Out of the bottom of the map: dead, protection or not, and nobody scores.
    if (y >= map.get_height()) {
        spawn_protection = 0;
        damage(100, NO_FORCE, nullptr);
    }

    if (leg_step != 0) {
        // Walking the way one faces runs the frames forwards, backing off runs them back.
        bool forwards = facing_right() == (leg_step > 0);
        int step = leg_step > 0 ? leg_step : -leg_step;
        if (forwards)
            leg_counter = leg_counter <= LEG_LAST_STEP - 1 ? leg_counter + step : LEG_FIRST_STEP;
        else
            leg_counter = leg_counter > LEG_FIRST_STEP ? leg_counter - step : LEG_LAST_STEP;
        leg_step = 0;
    } else {
        leg_counter = LEG_STANDING;
    }

    if (firerate_timer > 0) firerate_timer--;
    if (heatseek_timer > 0) heatseek_timer--;
    if (spawn_protection > 0) spawn_protection--;
    // The human's slow motion is counted down by the match through get_slowmotion().
    if (bot && slowmotion > 0) slowmotion--;
}
