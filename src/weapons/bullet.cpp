#include "weapons/bullet.h"

#include <cmath>

#include "match/cull.h"
#include "match/kmath.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

cbullet bullets[MAX_BULLETS];

static const double TIP = 40;          // the tip is this far ahead of the tail
static const int FIRST_STEPS = 40;     // pixels flown in the first tick
static const int PLAIN_STEPS = 15;     // pixels per tick
static const int SEEKING_STEPS = 5;    // heat-seekers are slower so they can turn
static const float SEEK_TURN = 0.02f;  // radians per tick
static const float SEEK_SIGHT_X = 320; // the seek ray ends this far to either side
static const float SEEK_SIGHT_Y = 240; // ... and this far up or down

void cbullet::init(float angle, float x, float y, int damage, bool seeking, cplayer *owner) {
    this->angle = angle;
    this->x = x;
    this->y = y;
    this->damage = damage;
    this->seeking = seeking;
    this->owner = owner;
    active = true;
    fresh = true;
    refresh_trig();
}

void cbullet::refresh_trig() {
    trig_angle = angle;
    ksincos((double)angle, sa, ca);
}

static double tip_x(cbullet &b) {
    b.trig();
    return b.x + TIP * b.ca;
}
static double tip_y(cbullet &b) {
    b.trig();
    return b.y + TIP * b.sa;
}

static int tip_cell(cbullet &b) { return map.get_map((int)tip_x(b), (int)tip_y(b)); }

// What the tip may meet during one update's march. A step moves it at most a pixel, so
// a body, barrel or box out of reach of every step is left out; the rest keep their
// order, so the first one hit is the one the full search would find.
struct creach {
    int np = 0, nb = 0, nx = 0;
    int player[MAX_PLAYERS], barrel[MAX_BARRELS], box[MAX_BOXES];

    creach(cbullet &b, int steps) {
        double tx = tip_x(b), ty = tip_y(b);
        double reach = steps + 2; // two pixels spare for rounding
        double x0 = tx - reach, x1 = tx + reach, y0 = ty - reach, y1 = ty + reach;
        for (int i = 0; i < MAX_PLAYERS; i++) {
            cplayer &p = players[i];
            if (p.get_active() && p.get_health() > 0 && &p != b.owner && p.get_x() <= x1 &&
                p.get_x() + 14 > x0 && p.get_y() <= y1 && p.get_y() + 28 > y0)
                player[np++] = i;
        }
        for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
            cbarrel &o = barrels[i];
            if (o.alive() && o.get_x() <= x1 && o.get_x() + 16 > x0 && o.get_y() <= y1 &&
                o.get_y() + 16 > y0)
                barrel[nb++] = i;
        }
        for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
            cbox &o = boxes[i];
            if (o.alive() && o.get_x() <= x1 && o.get_x() + 16 > x0 && o.get_y() <= y1 &&
                o.get_y() + 16 > y0)
                box[nx++] = i;
        }
    }

    // Whether player(), barrel() or box() would find something at the tip now.
    bool hit(cbullet &b) {
        if (np + nb + nx == 0) return false;
        double tx = tip_x(b), ty = tip_y(b);
        for (int k = 0; k < np; k++)
            if (b.enemy(player[k], (float)tx, (float)ty)) return true;
        for (int k = 0; k < nb; k++) {
            cbarrel &o = barrels[barrel[k]];
            if (o.get_x() <= tx && tx < o.get_x() + 16 && o.get_y() <= ty && ty < o.get_y() + 16)
                return true;
        }
        for (int k = 0; k < nx; k++) {
            cbox &o = boxes[box[k]];
            if (o.get_x() <= tx && tx < o.get_x() + 16 && o.get_y() <= ty && ty < o.get_y() + 16)
                return true;
        }
        return false;
    }
};

void cbullet::update() {
    if (!active) return;

    int steps;
    if (fresh) {
        steps = FIRST_STEPS;
        fresh = false;
    } else {
        steps = seeking ? SEEKING_STEPS : PLAIN_STEPS;
    }

    // Test before every step, so nothing thin is skipped.
    creach reach(*this, steps);
    while (steps > 0 && screen() && !sight_cell(tip_cell(*this)) && !reach.hit(*this)) {
        trig();
        x = (float)(x + ca);
        y = (float)(y + sa);
        steps--;
    }

    if (steps == 0) {
        if (seeking) seek();
        return;
    }

    if (solid_cell(tip_cell(*this))) {
        // Terrain particles start one pixel short of the tip, outside the wall.
        trig();
        map.damage((int)(x + 39 * ca), (int)(y + 39 * sa));
    } else if (cplayer *p = player()) {
        p->damage(damage, angle, owner);
    } else if (cbarrel *b = barrel()) {
        b->damage((int)tip_x(*this), (int)tip_y(*this), damage);
    } else if (cbox *b = box()) {
        b->damage((int)tip_x(*this), (int)tip_y(*this), damage);
    }
    // Otherwise an invisible barrier or the map edge: the bullet just vanishes.
    active = false;
}

void cbullet::draw() {
    if (!active || fresh) return;
    BITMAP *sprite = bbullet[seeking ? 1 : 0];
    if (!sprite || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (turned_hidden(bbuffer, sprite, sx, sy, 0, 0)) return;
    turn_sprite(bbuffer, sprite, sx, sy, 0, 0, ftofix(angle * 40.74));
}

bool cbullet::screen() {
    double tx = tip_x(*this), ty = tip_y(*this);
    return 0 <= tx && tx < map.get_width() && 0 <= ty && ty < map.get_height();
}

bool cbullet::enemy(int i, float px, float py) {
    cplayer &p = players[i];
    return p.get_x() <= px && px < p.get_x() + 14 && p.get_y() <= py && py < p.get_y() + 28;
}

cplayer *cbullet::player() {
    float tx = (float)tip_x(*this), ty = (float)tip_y(*this);
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (p.get_active() && p.get_health() > 0 && &p != owner && enemy(i, tx, ty)) return &p;
    }
    return nullptr;
}

cbarrel *cbullet::barrel() {
    double tx = tip_x(*this), ty = tip_y(*this);
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        if (b.alive() && b.get_x() <= tx && tx < b.get_x() + 16 && b.get_y() <= ty &&
            ty < b.get_y() + 16)
            return &b;
    }
    return nullptr;
}

cbox *cbullet::box() {
    double tx = tip_x(*this), ty = tip_y(*this);
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
        cbox &b = boxes[i];
        if (b.alive() && b.get_x() <= tx && tx < b.get_x() + 16 && b.get_y() <= ty &&
            ty < b.get_y() + 16)
            return &b;
    }
    return nullptr;
}

void cbullet::seek() {
    bool teams = options.get_gametype() == GT_TEAMMATCH;
    int target = -1;
    float best = 1000000;

    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0 || &p == owner) continue;
        if (teams && owner && p.get_team() == owner->get_team()) continue;
        // A body wholly beyond the ray's reach past its sight box is not walked.
        float bx = p.get_x(), by = p.get_y();
        if (bx >= x + SEEK_SIGHT_X + SIGHT_REACH || bx + 14 <= x - SEEK_SIGHT_X - SIGHT_REACH ||
            by >= y + SEEK_SIGHT_Y + SIGHT_REACH || by + 28 <= y - SEEK_SIGHT_Y - SIGHT_REACH)
            continue;

        float cx = p.get_x() + 7, cy = p.get_y() + 8;
        double d = katan2((double)cy - y, (double)cx - x);
        double s, c;
        ksincos(d, s, c);
        float sx = (float)c, sy = (float)s;
        // The sight ray starts at the tail, not the tip. Cells it cannot stop in are
        // crossed without testing each point.
        float rx = x, ry = y;
        int cell_x = 1, cell_y = 1; // no cell yet (cells start at multiples of 16)
        bool clear = false;
        while (fabsf(x - rx) < SEEK_SIGHT_X && fabsf(y - ry) < SEEK_SIGHT_Y) {
            float nx = rx + sx, ny = ry + sy;
            int px = (int)nx, py = (int)ny;
            if ((px & ~15) != cell_x || (py & ~15) != cell_y) {
                cell_x = px & ~15;
                cell_y = py & ~15;
                clear = sight_cell_clear(cell_x, cell_y, p.get_x(), p.get_y());
            }
            if (!clear && (sight_cell(map.get_map(px, py)) || enemy(i, nx, ny))) break;
            rx += sx;
            ry += sy;
        }
        if (!enemy(i, rx + sx, ry + sy)) continue;

        float dist = (float)hypot((double)cx - x, (double)cy - y);
        if (dist < best) {
            best = dist;
            target = i;
        }
    }
    if (target < 0) return;

    cplayer &t = players[target];
    float diff = (float)(katan2((double)t.get_y() + 8 - y, (double)t.get_x() + 7 - x) - angle);
    float turn = diff > 0 ? SEEK_TURN : -SEEK_TURN;
    if (fabs((double)diff) > 3.14) turn = -turn; // the shorter way round
    // The sum is tested in float; the wrap folds the full turn into the step first.
    float turned = angle + turn;
    if (turned > 3.14)
        angle = (float)(angle + (turn - 6.28));
    else if (turned < -3.14)
        angle = (float)(angle + (turn + 6.28));
    else
        angle = turned;
}
