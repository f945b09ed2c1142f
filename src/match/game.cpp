#include "match/game.h"

#include <cstdlib>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "match/drawrand.h"
#include "match/events.h"
#include "match/hud.h"
#include "match/pool.h"
#include "match/scoreboard.h"
#include "match/world.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "players/powerup.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "shell/sound.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

cgame game;

// A free slot's update does nothing, so it is not called.
template <class T, int N> static void update_all(T (&pool)[N]) { update_busy(pool); }
// A free slot draws nothing either.
template <class T, int N> static void draw_all(T (&pool)[N]) {
    for_busy(pool, [](T &slot) { slot.draw(); });
}

bool cgame::init() {
    shake_counter = 0;
    // Nothing of an earlier match or test survives; the seed drawn for this match stays.
    world_clear(false);
    events_reset();
    if (!map.init()) return false;
    start();
    return true;
}

void cgame::start() {
    pumgr.init();

    for (int i = 0; i < options.get_bots() + 1 && i < MAX_PLAYERS; i++) players[i].init(i);
    // Every view starts on the middle of the map, where the camera starts.
    for (int i = 0; i < MAX_PLAYERS; i++) {
        players[i].view_x = map.get_xs();
        players[i].view_y = map.get_ys();
    }
}

void cgame::leave(int slot) {
    if (!human(slot)) return;
    humans &= ~(1u << slot);
    players[slot].become_bot();
}

coutfit cgame::outfit(int slot) const {
    if (slot >= 0 && slot < MAX_PLAYERS && ((dressed >> slot) & 1)) return outfits[slot];
    return coutfit{options.get_hair(), options.get_shirt(), options.get_pants()};
}

int cgame::slowmotion() {
    int most = 0;
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (human(i)) {
            int left = players[i].get_slowmotion();
            if (left > most) most = left;
        }
    return most;
}

ccontrol cgame::local_control() {
    const ctick_input &t = input.now();
    int slot = local >= 0 && local < MAX_PLAYERS ? local : 0;
    return ccontrol{t.actions, t.buttons, t.x + players[slot].view_x, t.y + players[slot].view_y};
}

bool cgame::update() {
    ccontrol *in = given;
    for (int i = 0; i < MAX_PLAYERS; i++) in[i] = ccontrol{0, 0, 0, 0};
    if (local >= 0 && local < MAX_PLAYERS) in[local] = local_control();
    bool moved = step(in);
    follow();
    return moved;
}

bool cgame::step(const ccontrol in[MAX_PLAYERS]) {
    // Slow motion: the world moves only on ticks whose counter is a multiple of three.
    if (slowmotion() % 3 != 0) return false;
    world_tick(in);
    return true;
}

void cgame::follow() {
    if (local < 0 || local >= MAX_PLAYERS) return;
    cplayer &p = players[local];
    map.set_screen(p.view_x, p.view_y);
    // The pad's crosshair is measured from the human's centre on the screen.
    input.set_aim_anchor((int)p.get_x() + 7 - map.get_xs(), (int)p.get_y() + 8 - map.get_ys());
}

void cgame::take(int slot, const ccontrol &c) {
    controls[slot] = c;
    point_x[slot] = c.aim_x - players[slot].view_x;
    point_y[slot] = c.aim_y - players[slot].view_y;
}

void cgame::world_tick(const ccontrol *in) {
    for (int i = 0; i < MAX_PLAYERS; i++) take(i, in ? in[i] : ccontrol{});
    announce_tick(++ticks);

    flamemgr.update();
    hud.update();
    pumgr.update();

    update_all(barrels);
    update_all(blood);
    update_all(boxes);
    update_all(bullets);
    update_all(fire);
    update_all(flames1);
    update_all(flames2);
    update_all(flesh);
    update_all(grenades1);
    update_all(grenades2);
    update_all(laser);
    update_all(particles);
    update_all(players);
    update_all(powerups);
    update_all(rockets);
    update_all(shells);
    update_all(smoke);
}

void cgame::draw_world() {
    map.draw();
    draw_entities();
    hud.draw();
    if (scoreboard.shown()) scoreboard.draw();
    hud.draw_chooser(); // the scoreboard never hides the choice being made
}

void cgame::draw_entities() {
    draw_all(barrels);
    draw_all(blood);
    draw_all(boxes);
    draw_all(bullets);
    draw_all(fire);
    draw_all(flesh);
    draw_all(laser);
    draw_all(particles);
    draw_all(players);
    draw_all(grenades1);
    draw_all(grenades2);
    draw_all(powerups);
    draw_all(rockets);
    draw_all(shells);
    draw_all(smoke);
    draw_all(flames1);
    draw_all(flames2);
}

void cgame::draw() {
    draw_world();
    present_shaken();
}

void cgame::present_shaken() {
    // Shake shifts the picture right and down by up to two pixels.
    int dx = 0, dy = 0;
    if (shake_counter > 0) {
        dx = draw_rand() % (shake_counter / 30 + 1);
        dy = draw_rand() % (shake_counter / 30 + 1);
    }
    present(dx, dy);
}

int cgame::teamkills(bool team) {
    int sum = 0;
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (players[i].get_active() && players[i].get_team() == (int)team)
            sum += players[i].get_kills();
    return sum;
}

int cgame::winner() {
    // A decided match stays decided: late kills or suicides cannot undo the result.
    if (decided != -1) return decided;
    int limit = options.get_kills();
    if (options.get_gametype() == GT_TEAMMATCH) {
        if (teamkills(0) == limit)
            decided = 0;
        else if (teamkills(1) == limit)
            decided = 1;
    } else {
        for (int i = 0; i < MAX_PLAYERS; i++)
            if (players[i].get_active() && players[i].get_kills() == limit) {
                decided = i;
                break;
            }
    }
    return decided;
}

void cgame::quit() {
    map.deinit();
    for (int i = 0; i < MAX_PLAYERS; i++) players[i].deinit();
    decided = -1;
}

void play_pair(SAMPLE *const *pair, float x, float y) {
    SAMPLE *sample = game.slowmotion() > 0 ? pair[1] : pair[0];
    announce_sound(sample, x, y);
}
