#include "effects/rocket.h"

#include <allegro.h>
#include <cmath>

#include "effects/flames.h"
#include "effects/smoke.h"
#include "match/cull.h"
#include "match/events.h"
#include "match/game.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

crocket rockets[MAX_ROCKETS];

static const float ROCKET_TIP = 12.0f;     // tip distance ahead of the tail, px
static const float ROCKET_ACCEL = 0.1f;    // speed gained per tick
static const float SEEKER_ACCEL = 0.03f;   // a seeker gains less, it has to steer
static const float SEEKER_TURN = 0.02f;    // radians per tick
static const float SEEK_RANGE_X = 320.0f;  // a seeker sees half a screen each way
static const float SEEK_RANGE_Y = 240.0f;
static const float SMOKE_BEHIND = 5.0f;    // trail puff distance behind the tail, px

static float distance(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return sqrtf(dx * dx + dy * dy);
}

void explosion(float bx, float by, float fx, float fy, float viewx, float viewy,
               cplayer *credit) {
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0) continue;
        if (distance(bx, by, p.get_x() + 7, p.get_y() + 14) < BLAST_RADIUS)
            p.damage(BLAST_DAMAGE, NO_FORCE, credit);
    }

    // Props: destroying a barrel lights its own fuse, which is how blasts chain.
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        if (b.alive() && distance(bx, by, b.get_x() + 8, b.get_y() + 8) < PROP_BLAST_RADIUS)
            b.damage(0, 0, 100);
    }
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
        cbox &b = boxes[i];
        if (b.alive() && distance(bx, by, b.get_x() + 8, b.get_y() + 8) < PROP_BLAST_RADIUS)
            b.damage(0, 0, 100);
    }

    start_free(flames1, FIREBALL_FLAMES, [&](cflame1 &f) { f.init(fx, fy, false); });

    // Every blast counts the human's slow motion down by one, on screen or not.
    SAMPLE *sample = sexplosion[game.slowmotion() > 0 ? 1 : 0];
    announce_blast(sample, viewx, viewy);
}

void crocket::init(float angle, float x, float y, bool seeking, cplayer *owner) {
    this->angle = angle;
    this->x = x;
    this->y = y;
    this->seeking = seeking;
    this->owner = owner;
    speed = 1.0f;
    active = true;
}

bool crocket::screen() {
    return x >= 0 && x < map.get_width() && y >= 0 && y < map.get_height();
}

bool crocket::enemy(int i, float px, float py) {
    float bx = players[i].get_x(), by = players[i].get_y();
    return bx <= px && px < bx + 14 && by <= py && py < by + 28;
}

bool crocket::player() {
    double s, c;
    ksincos(angle, s, c);
    float tx = x + ROCKET_TIP * c, ty = y + ROCKET_TIP * s;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (p.get_active() && p.get_health() > 0 && &p != owner && enemy(i, tx, ty)) return true;
    }
    return false;
}

// True when (tx, ty) lies in the square of a standing prop; the scan ends at the
// first free slot, as the map loader fills the pool from the front.
template <class T, int N> static bool prop_at(T (&pool)[N], float tx, float ty) {
    for (int i = 0; i < N && pool[i].get_active(); i++) {
        T &p = pool[i];
        if (p.alive() && p.get_x() <= tx && tx < p.get_x() + 16 && p.get_y() <= ty &&
            ty < p.get_y() + 16)
            return true;
    }
    return false;
}

bool crocket::barrel() {
    double s, c;
    ksincos(angle, s, c);
    return prop_at(barrels, x + ROCKET_TIP * c, y + ROCKET_TIP * s);
}

bool crocket::box() {
    double s, c;
    ksincos(angle, s, c);
    return prop_at(boxes, x + ROCKET_TIP * c, y + ROCKET_TIP * s);
}

void crocket::update() {
    if (!active) return;

    // This tick covers the old speed; the new one is first used next tick.
    float left = speed;
    speed += seeking ? SEEKER_ACCEL : ROCKET_ACCEL;

    double s, c;
    ksincos(angle, s, c);
    while (left > 0 && screen()) {
        float tx = x + ROCKET_TIP * c, ty = y + ROCKET_TIP * s;
        if (sight_cell(map.get_map((int)tx, (int)ty))) break;
        if (player() || barrel() || box()) break;
        float step = left < 1 ? left : 1;
        x += c * step;
        y += s * step;
        left -= 1;
    }

    if (left > 0) {
        // Touched something, or left the map: only a touch inside the map goes off.
        if (screen()) explode();
        active = false;
        return;
    }

    if (seeking) seek();
    csmoke *puff = first_free(smoke);
    if (puff) puff->init(x - SMOKE_BEHIND * kcos(angle), y - SMOKE_BEHIND * ksin(angle));
}

void crocket::seek() {
    bool teams = options.get_gametype() == GT_TEAMMATCH;
    int target = -1;
    float nearest = 1000000.0f;

    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0 || &p == owner) continue;
        if (teams && owner && p.get_team() == owner->get_team()) continue;

        float cx = p.get_x() + 7, cy = p.get_y() + 8;
        float d = katan2(cy - y, cx - x);
        double s, c;
        ksincos(d, s, c);
        float ux = c, uy = s;
        float rx = x, ry = y;
        while (fabs(rx - x) < SEEK_RANGE_X && fabs(ry - y) < SEEK_RANGE_Y &&
               !sight_cell(map.get_map((int)(rx + ux), (int)(ry + uy))) &&
               !enemy(i, rx + ux, ry + uy)) {
            rx += ux;
            ry += uy;
        }
        if (!enemy(i, rx + ux, ry + uy)) continue;

        float dist = distance(x, y, cx, cy);
        if (dist < nearest) {
            nearest = dist;
            target = i;
        }
    }
    if (target < 0) return;

    float cx = players[target].get_x() + 7, cy = players[target].get_y() + 8;
    float diff = (float)katan2(cy - y, cx - x) - angle;
    float turn = diff > 0 ? SEEKER_TURN : -SEEKER_TURN;
    if (fabs(diff) > 3.14) turn = -turn; // the other way round is shorter
    float turned = angle + turn;
    if (turned > 3.14)
        angle = turned - 6.28;
    else if (turned < -3.14)
        angle = turned + 6.28;
    else
        angle = turned;
}

void crocket::explode() {
    explosion(x, y, x + ROCKET_TIP * kcos(angle), y + ROCKET_TIP * ksin(angle), x, y, owner);
}

void crocket::draw() {
    BITMAP *sprite = brocket[seeking ? 1 : 0];
    if (!active || !sprite || !bbuffer) return;
    int pivot_y = (angle > -1.57f && angle < 1.57f) ? 0 : 3;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (turned_hidden(bbuffer, sprite, sx, sy, 0, pivot_y)) return;
    turn_sprite(bbuffer, sprite, sx, sy, 0, pivot_y, ftofix(angle * 40.74));
}
