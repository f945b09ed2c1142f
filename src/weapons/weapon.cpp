#include "weapons/weapon.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "match/cull.h"
#include "match/events.h"
#include "match/game.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/sound.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "world/map.h"

static const double SPREAD_STEP = 0.025; // radians per spread unit
static const int MINIGUN_REST = 100;     // cooldown of a minigun whose barrels stand still

// ---- the shared base ----

cbweapon::cbweapon(cplayer *owner, int type, float clip)
    : ammo(clip), angle(0), clip(clip), x(0), y(0), type(type), trigger(false), reloading(false),
      owner(owner) {}

void cbweapon::reload() {
    if (ammo < clip && !reloading) {
        ammo = 0;
        reloading = true;
    }
}

void cbweapon::follow(int ax_right, int ay_right, int ax_left, int ay_left, double r, double phi,
                      double step) {
    angle = owner->get_angle();
    double s, c;
    if (facing_right()) {
        ksincos((double)angle - phi, s, c);
        x = (float)((double)owner->get_x() + ax_right + r * c);
        y = (float)((double)owner->get_y() + ay_right + r * s);
    } else {
        ksincos((double)angle + phi, s, c);
        x = (float)((double)owner->get_x() + ax_left + r * c);
        y = (float)((double)owner->get_y() + ay_left + r * s);
    }

    if (ammo < 1) reloading = true;
    if (reloading) {
        if (clip > ammo) {
            double s = owner->get_firerate() ? 2 * step : step;
            // Capped so the clip lands exactly on its size.
            ammo = (float)(ammo + std::min(s, (double)(clip - ammo)));
        } else {
            reloading = false;
        }
    }
}

double cbweapon::muzzle_x(double distance) { return x + distance * kcos((double)angle); }
double cbweapon::muzzle_y(double distance) { return y + distance * ksin((double)angle); }

void cbweapon::draw_held(BITMAP *sprite, int flipped_pivot_y) {
    if (!sprite || !bbuffer) return;
    int sx = (int)x - map.get_xs();
    int sy = (int)y - map.get_ys();
    if (turned_hidden(bbuffer, sprite, sx, sy, 0, flipped_pivot_y)) return;
    fixed rotation = ftofix(angle * 40.74);
    // Flipped vertically when aiming left, so the top side of the weapon stays up.
    if (facing_right())
        turn_sprite(bbuffer, sprite, sx, sy, 0, 0, rotation);
    else
        turn_sprite(bbuffer, sprite, sx, sy, 0, flipped_pivot_y, rotation, true);
}

void cbweapon::play_shot(SAMPLE *const *pair, double distance) {
    play_pair(pair, (float)muzzle_x(distance), (float)muzzle_y(distance));
}

bool cbweapon::bullet_trigger(int &delay, int cooldown, int fast_cooldown, bool spins) {
    if (trigger) {
        trigger = false;
        if (!reloading && delay == 0) {
            ammo -= 1;
            delay = owner->get_firerate() ? fast_cooldown : cooldown;
            return true;
        }
        if (delay > 0) delay--;
        return false;
    }
    if (spins) {
        if (delay < MINIGUN_REST) delay++;
    } else if (delay > 0) {
        delay--;
    }
    return false;
}

bool cbweapon::single_trigger() {
    bool fires = trigger && !reloading;
    trigger = false;
    if (fires) ammo -= 1;
    return fires;
}

void cbweapon::spray(int pellets, double back, int spread, int damage) {
    float bx = (float)muzzle_x(-back);
    float by = (float)muzzle_y(-back);
    start_free(bullets, pellets, [&](cbullet &b) {
        int s = spread > 0 ? rand() % (2 * spread + 1) - spread : 0;
        b.init((float)(angle + s * SPREAD_STEP), bx, by, damage, owner->get_heatseek(), owner);
    });
}

void cbweapon::eject(double flash_distance, bool big_flash, double shell_distance, bool big_shell) {
    if (cfire *f = first_free(fire))
        f->init(angle, (int)muzzle_x(flash_distance), (int)muzzle_y(flash_distance), big_flash);
    // The shell flies out backward, away from the aim.
    if (cshell *s = first_free(shells))
        s->init((float)muzzle_x(shell_distance), (float)muzzle_y(shell_distance), facing_right(),
                big_shell);
}

template <class W> static cbweapon *place(cplayer *owner) {
    static_assert(sizeof(W) <= WEAPON_BYTES && alignof(W) <= 8, "the weapon fits its holder");
    owner->drop_weapon();
    owner->weapon = new (owner->weapon_store) W(owner);
    return owner->weapon;
}

cbweapon *make_weapon(int kind, cplayer *owner) {
    switch (kind) {
    case W_GUN:
        return place<cgun>(owner);
    case W_MACHINE_GUN:
        return place<cmachine_gun>(owner);
    case W_SHOTGUN:
        return place<cshotgun>(owner);
    case W_MINIGUN:
        return place<cminigun>(owner);
    case W_SNIPER:
        return place<csniper_rifle>(owner);
    case W_ROCKET:
        return place<crocket_launcher>(owner);
    case W_FLAMETHROWER:
        return place<cflamethrower>(owner);
    case W_GRENADE_LAUNCHER:
        return place<cgrenade_launcher>(owner);
    case W_LASER:
        return place<claser_rifle>(owner);
    default:
        return nullptr;
    }
}

// ---- gun ----

cgun::cgun(cplayer *owner) : cbweapon(owner, W_GUN, 5), delay(0) {}

void cgun::update() {
    follow(6, 9, 9, 10, 6.4, 0.67, 0.05);
    if (bullet_trigger(delay, 40, 20, false)) {
        shot();
        play_shot(sgun, 8);
    }
}

void cgun::shot() {
    spray(1, 32, 1, 30);
    eject(8, false, 0, false);
}

void cgun::draw() { draw_held(bgun, 2); }

// ---- machine gun ----

cmachine_gun::cmachine_gun(cplayer *owner) : cbweapon(owner, W_MACHINE_GUN, 25), delay(0) {}

void cmachine_gun::update() {
    follow(7, 7, 8, 7, 9.85, 0.42, 0.1);
    if (bullet_trigger(delay, 10, 5, false)) {
        shot();
        play_shot(smachine_gun, 20);
    }
}

void cmachine_gun::shot() {
    spray(1, 20, 2, 10);
    eject(20, false, 5, false);
}

void cmachine_gun::draw() { draw_held(bmachine_gun, 6); }

// ---- shotgun ----

cshotgun::cshotgun(cplayer *owner) : cbweapon(owner, W_SHOTGUN, 6), delay(0) {}

void cshotgun::update() {
    follow(7, 7, 7, 8, 8.06, 0.52, 0.02);
    if (bullet_trigger(delay, 100, 50, false)) {
        shot();
        play_shot(sshotgun, 22);
    }
}

void cshotgun::shot() {
    spray(4, 18, 3, 20);
    eject(22, false, 5, true);
}

void cshotgun::draw() { draw_held(bshotgun, 5); }

// ---- minigun ----

// The barrels start at rest: the first round needs 100 ticks of spinning up.
cminigun::cminigun(cplayer *owner) : cbweapon(owner, W_MINIGUN, 75), delay(MINIGUN_REST) {}

void cminigun::update() {
    follow(8, 7, 7, 8, 6.4, 0.67, 0.2);
    if (bullet_trigger(delay, 8, 4, true)) {
        shot();
        play_shot(sminigun, 22);
    }
}

void cminigun::shot() {
    spray(1, 18, 1, 15);
    eject(22, true, 2, false);
}

// The two frames alternate while the barrels turn.
void cminigun::draw() { draw_held(bminigun[delay % 2], 4); }

// ---- sniper rifle ----

csniper_rifle::csniper_rifle(cplayer *owner) : cbweapon(owner, W_SNIPER, 4), delay(0) {}

void csniper_rifle::update() {
    follow(8, 7, 7, 8, 6.71, 0.46, 0.01);
    if (bullet_trigger(delay, 250, 125, false)) {
        shot();
        play_shot(ssniper_rifle, 22);
    }
}

void csniper_rifle::shot() {
    spray(1, 18, 0, 100);
    eject(22, false, 6, false);
}

void csniper_rifle::draw() { draw_held(bsniper_rifle, 5); }

// ---- rocket launcher ----

crocket_launcher::crocket_launcher(cplayer *owner) : cbweapon(owner, W_ROCKET, 1) {}

void crocket_launcher::update() {
    follow(7, 9, 8, 10, 10.3, 2.63, 0.0025);
    if (single_trigger()) {
        shot();
        play_shot(srocket_launcher, 22);
    }
}

void crocket_launcher::shot() {
    if (crocket *r = first_free(rockets))
        r->init(angle, (float)muzzle_x(22), (float)muzzle_y(22), owner->get_heatseek(), owner);
}

void crocket_launcher::draw() { draw_held(brocket_launcher, 3); }

// ---- flamethrower ----

cflamethrower::cflamethrower(cplayer *owner) : cbweapon(owner, W_FLAMETHROWER, 360) {}

void cflamethrower::update() {
    follow(7, 6, 8, 7, 5.66, 0.79, 0.6);
    bool fires = trigger && !reloading;
    if (fires) {
        ammo -= 1;
        shot();
    }
    trigger = false;
    announce_flame((int)(owner - players), fires, (float)muzzle_x(24), (float)muzzle_y(24));
}

void cflamethrower::shot() {
    if (cflame2 *f = first_free(flames2))
        f->init((float)muzzle_x(24), (float)muzzle_y(24), angle, owner);
}

void cflamethrower::draw() { draw_held(bflamethrower, 5); }

// ---- grenade launcher ----

cgrenade_launcher::cgrenade_launcher(cplayer *owner) : cbweapon(owner, W_GRENADE_LAUNCHER, 1) {}

void cgrenade_launcher::update() {
    follow(7, 7, 8, 8, 8.54, 0.36, 0.0025);
    if (single_trigger()) {
        shot();
        play_shot(sgrenade_launcher, 22);
    }
}

void cgrenade_launcher::shot() {
    if (cgrenade2 *g = first_free(grenades2))
        g->init((float)muzzle_x(22), (float)muzzle_y(22), angle, owner);
}

void cgrenade_launcher::draw() { draw_held(bgrenade_launcher, 6); }

// ---- laser rifle ----

claser_rifle::claser_rifle(cplayer *owner) : cbweapon(owner, W_LASER, 1) {}

void claser_rifle::update() {
    follow(8, 7, 7, 8, 6.71, 0.46, 0.01);
    if (single_trigger()) {
        shot();
        play_shot(slaser_rifle, 22);
    }
}

void claser_rifle::shot() {
    if (claser *l = first_free(laser))
        l->init(angle, (float)muzzle_x(22), (float)muzzle_y(22), owner);
}

// Same look in the hands as the sniper rifle.
void claser_rifle::draw() { draw_held(bsniper_rifle, 5); }
