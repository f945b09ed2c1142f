// Bots: walk along the route marks painted into the map, engage the nearest enemy
// in sight with an aiming error and a reaction delay set by the skill, and lob
// hand grenades at enemies on the same level.
#include <cmath>
#include <cstdlib>

#include "match/kmath.h"
#include "players/player.h"
#include "shell/options.h"
#include "weapons/weapon.h"
#include "world/barrel.h"
#include "world/map.h"

static const int REACTION_PER_SKILL = 50; // ticks
static const int SPREAD_PER_SKILL = 5;    // aiming error steps of 0.02 rad
static const float CLOSE_RANGE = 20;      // enemies this near are not shot at
static const int CLOSE_TICKS = 75;        // ticks of close contact before the bot may stop
static const float GRENADE_MIN_RANGE = 75;
static const float FLAME_RANGE = 175;
static const float LAUNCHER_MIN_RANGE = 75;
static const float BARREL_COVER_RANGE = 75; // nearer barrels hide what is behind them
static const int GRENADE_HOLD_TICKS = 200;

// New route command for a route mark; `route` unchanged for any other cell.
static int route_for_mark(int code, int route) {
    switch (code) {
    case 'B':
    case 'I':
        return ROUTE_JUMP;
    case 'C':
    case 'J':
        return ROUTE_RIGHT;
    case 'D':
    case 'K':
        return ROUTE_LEFT;
    case 'E':
    case 'L':
        return rand() % 2 + 1;
    case 'F':
    case 'M':
        return rand() % 2 + 2;
    case 'G':
    case 'N':
        return (rand() & 1) ? ROUTE_LEFT : ROUTE_JUMP;
    case 'H':
    case 'O':
        return rand() % 3 + 1;
    default:
        return route;
    }
}

void cplayer::bot_move() {
    // Marks are read only when standing exactly on a cell column.
    int X = (int)x;
    if (X % 16 == 0) route = route_for_mark(map.get_map(X, (int)y), route);
    if (route == ROUTE_NONE || route == ROUTE_RIGHT)
        angle = 0;
    else if (route == ROUTE_LEFT)
        angle = 3.14f;

    if (close_count > CLOSE_TICKS) {
        if (hold <= 0 && down() && (rand() & 1) == 0) hold = (rand() % 5) * 50 + 100;
        close_count = 0;
    }
    if (hold > 0) return;

    switch (route) {
    case ROUTE_JUMP:
        jump();
        break;
    case ROUTE_RIGHT:
        if (!right())
            move_right();
        else
            jump();
        break;
    case ROUTE_LEFT:
        if (!left())
            move_left();
        else
            jump();
        break;
    default:
        break;
    }
}

bool cplayer::bot_enemy(int index, float px, float py) {
    cplayer &p = players[index];
    return p.get_x() <= px && px < p.get_x() + 14 && p.get_y() <= py && py < p.get_y() + 28;
}

// Standing barrels near enough to this bot to hide what lies behind them.
static bool near_cover(cplayer &bot, cbarrel &b) {
    return b.alive() && hypot(bot.x - b.get_x() - 1, bot.y - b.get_y() + 6) < BARREL_COVER_RANGE;
}

bool cplayer::bot_barrel(int px, int py) {
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        int bx = b.get_x(), by = b.get_y();
        if (bx <= px && px < bx + 16 && by <= py && py < by + 16 && near_cover(*this, b))
            return true;
    }
    return false;
}

// The sight test of bot_barrel for a whole march: the bot and the barrels stay put
// while it looks, so the near ones are found once.
struct cover_set {
    int n;
    int bx[MAX_BARRELS], by[MAX_BARRELS];
    bool hides(int px, int py) const {
        for (int i = 0; i < n; i++)
            if (bx[i] <= px && px < bx[i] + 16 && by[i] <= py && py < by[i] + 16) return true;
        return false;
    }
};

// Every pixel of a cell reads the same tile, or nothing off the map. A point in the cell
// lies strictly between cx - 1 and cx + 16 (positions are truncated toward zero), which
// the body test compares against with the same float sums the body tests use.
bool sight_cell_clear(int cx, int cy, float body_x, float body_y) {
    if (sight_cell(map.get_map(cx, cy))) return false;
    return body_x >= cx + 16 || body_x + 14 <= cx - 1 || body_y >= cy + 16 ||
           body_y + 28 <= cy - 1;
}

// The same for a bot's march, which near barrels stop too.
static bool sight_clear(int cx, int cy, const cover_set &cover, float tx, float ty) {
    for (int k = 0; k < cover.n; k++)
        if (cover.bx[k] < cx + 16 && cover.bx[k] + 16 > cx && cover.by[k] < cy + 16 &&
            cover.by[k] + 16 > cy)
            return false;
    return sight_cell_clear(cx, cy, tx, ty);
}

int cplayer::bot_target() {
    float best = 1000000;
    int result = -1;
    bool tooclose = false;
    bool teammatch = options.get_gametype() == GT_TEAMMATCH;

    // How far the bot's own screen would reach from its centre along each axis.
    float mw = map.get_width(), mh = map.get_height();
    float view_w, view_h;
    if (x <= 313)
        view_w = 633 - x;
    else if (x < mw - 327)
        view_w = 320;
    else
        view_w = 647 - (mw - x);
    if (y <= 226)
        view_h = 466 - y;
    else if (y < mh - 254)
        view_h = 240;
    else
        view_h = 494 - (mh - y);

    cover_set cover;
    cover.n = 0;
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++)
        if (near_cover(*this, barrels[i])) {
            cover.bx[cover.n] = barrels[i].get_x();
            cover.by[cover.n] = barrels[i].get_y();
            cover.n++;
        }

    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0 || &p == this) continue;
        if (teammatch && p.get_team() == get_team()) continue;

        float tx = p.get_x(), ty = p.get_y();
        // A body wholly beyond the march's reach past the view box is not walked.
        float cx = x + 7, cy = y + 8;
        if (tx >= cx + view_w + SIGHT_REACH || tx + 14 <= cx - view_w - SIGHT_REACH ||
            ty >= cy + view_h + SIGHT_REACH || ty + 28 <= cy - view_h - SIGHT_REACH)
            continue;
        float a = katan2(ty - y, tx - x);
        double s, c;
        ksincos(a, s, c);
        float ca = c, sa = s;
        float rx = x + 7, ry = y + 8;
        float nx = rx + ca, ny = ry + sa;
        // The march goes a pixel at a time, but the sight, cover and body tests are
        // needed only in cells where one of them can say no: a cell whose tile does not
        // block sight and that no near barrel or the enemy's body reaches is crossed
        // with the steps alone.
        int cell_x = 1, cell_y = 1; // no cell yet (cells start at multiples of 16)
        bool clear = false;
        while (fabsf(rx - x - 7) < view_w && fabsf(ry - y - 8) < view_h) {
            int px = (int)nx, py = (int)ny;
            if ((px & ~15) != cell_x || (py & ~15) != cell_y) {
                cell_x = px & ~15;
                cell_y = py & ~15;
                clear = sight_clear(cell_x, cell_y, cover, tx, ty);
            }
            if (!clear && (sight_cell(map.get_map(px, py)) || cover.hides(px, py) ||
                           bot_enemy(i, nx, ny)))
                break;
            rx = nx;
            ry = ny;
            nx = rx + ca;
            ny = ry + sa;
        }
        if (!bot_enemy(i, nx, ny)) continue;

        float d = hypot(tx - x, ty - y);
        if (d < best) {
            if (d > CLOSE_RANGE) {
                result = i;
                best = d;
            } else {
                tooclose = true;
            }
        }
    }

    if (tooclose)
        close_count += 1;
    else
        close_count = 0;
    return result;
}

void cplayer::bot_shoot() {
    int skill = options.get_skill();
    if (hold > 0) hold -= 1;
    if (grenade_timer > 0) grenade_timer -= 1;

    int t = bot_target();
    if (t == -1) {
        if (slowmotion == 0 && reaction < skill * REACTION_PER_SKILL) reaction += 1;
        if (hold == 0) hold = -1;
        return;
    }
    if (reaction > 0) {
        reaction -= 1;
        return;
    }

    float tx = players[t].get_x(), ty = players[t].get_y();
    float dx = tx - x, dy = ty - y;

    // Lob a grenade at an enemy standing on the same level some way off.
    if (grenades > 0 && grenade_timer == 0 && down() && fabsf(dx) > GRENADE_MIN_RANGE &&
        fabsf(dy) < 1) {
        angle = tx > x ? -0.7854f : -2.3562f;
        float power = 0.015f * fabsf(dx) + 1.4447f;
        throw_power = power < 6 ? power : 6;
        grenade();
        set_angle(dx, dy, 0);
        if (slowmotion == 0) reaction = skill * REACTION_PER_SKILL;
        grenade_timer = rand() % 2700 + 300;
        hold = GRENADE_HOLD_TICKS;
        return;
    }

    if (!weapon) return;
    if (weapon->get_reloading()) {
        set_angle(dx, dy, 0);
        return;
    }

    int error = slowmotion > 0 ? 0 : skill * SPREAD_PER_SKILL;
    bool fire = false;
    switch (weapon->get_type()) {
    case W_GUN:
    case W_MACHINE_GUN:
    case W_SHOTGUN:
    case W_MINIGUN:
    case W_SNIPER:
        // The error is drawn only when the shot is ready to leave.
        set_angle(dx, dy, weapon->get_delay() != 0 ? 0 : error);
        fire = true;
        break;
    case W_ROCKET:
    case W_LASER:
        set_angle(dx, dy, error);
        fire = true;
        break;
    case W_FLAMETHROWER:
        if (hypot(dx, dy) < FLAME_RANGE) {
            set_angle(dx, dy, 0);
            fire = true;
        }
        break;
    case W_GRENADE_LAUNCHER:
        if (hypot(dx, dy) > LAUNCHER_MIN_RANGE) {
            // aim above the enemy by an eighth of the horizontal distance
            set_angle(dx, dy - 0.125f * fabsf(dx), error);
            fire = true;
        }
        break;
    default:
        break;
    }
    if (!fire) return;

    shoot();
    if (hold == -1) {
        // First shot of an engagement: now and then stand and shoot.
        if (rand() % 3 == 0 && down())
            hold = (rand() % 3) * 100 + 200;
        else
            hold = 0;
    }
}
