// The fighter's life cycle: creation, spawning, the tick, damage and kill credit,
// power-up effects, weapon handling and drawing the body.
#include "players/player.h"

#include <allegro.h>
#include <cmath>

#include "effects/grenade.h"
#include "effects/smoke.h"
#include "match/cull.h"
#include "match/events.h"
#include "match/game.h"
#include "match/hud.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/scoreboard.h"
#include "match/turn.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "shell/data.h"
#include "shell/options.h"
#include "weapons/weapon.h"
#include "world/map.h"

cplayer players[MAX_PLAYERS];

static const int START_GRENADES = 3;
static const int MAX_GRENADES = 5;
static const int FULL_HEALTH = 100;
static const int HIT_BLOOD_DROPS = 5;
static const int DEATH_FLESH_CHUNKS = 10;
static const int POWERUP_TIMER_TICKS = 750;
static const int HUMAN_SLOWMOTION_TICKS = 1500;
static const int BOT_SLOWMOTION_TICKS = 500;
static const int BOT_REACTION_PER_SKILL = 50; // ticks of reaction delay per skill step
static const int SPAWN_SMOKE_PUFFS = 50;
static const int SPAWN_SMOKE_PER_ROW = 5;

void cplayer::drop_weapon() {
    if (!weapon) return;
    if (weapon->get_type() == W_FLAMETHROWER) announce_flame_end((int)(this - players));
    weapon->~cbweapon();
    weapon = nullptr;
}

void next_outfit(int &pants, int &shirt) {
    // The six pairs a bot can draw, (pants, shirt), in a fixed round.
    static const int PAIRS[6][2] = {{0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}};
    for (int i = 0; i < 6; i++)
        if (PAIRS[i][0] == pants && PAIRS[i][1] == shirt) {
            pants = PAIRS[(i + 1) % 6][0];
            shirt = PAIRS[(i + 1) % 6][1];
            return;
        }
}

cplayer *cplayer::init(int index) {
    bool teammatch = options.get_gametype() == GT_TEAMMATCH;
    // Slot 0 wears its outfit without a draw; every other slot draws one as a bot does,
    // human or not, so the random sequence does not depend on who plays, and a slot the
    // match dresses (a player from the network) then wears its own.
    coutfit first = game.outfit(0);
    if (index == 0) {
        hair = first.hair;
        if (teammatch) {
            shirt = pants = 0;
        } else {
            pants = first.pants;
            shirt = first.shirt;
        }
        team = 0;
    } else {
        hair = rand() % 3;
        if (teammatch) {
            shirt = pants = (index & 1) ? 2 : 0;
        } else {
            // trousers first, then a shirt of one of the two other colours
            pants = rand() % 3;
            int bit = rand() & 1;
            if (pants == 0)
                shirt = bit ? 2 : 1;
            else if (pants == 1)
                shirt = bit ? 2 : 0;
            else
                shirt = bit;
            // Dressed exactly as slot 0: the next outfit instead, so that the player
            // can tell themselves apart (no extra random number is drawn).
            if (pants == first.pants && shirt == first.shirt) next_outfit(pants, shirt);
        }
        if ((game.dressed >> index) & 1) {
            coutfit own = game.outfit(index);
            hair = own.hair;
            if (!teammatch) pants = own.pants, shirt = own.shirt;
        }
        team = (index & 1) ? 1 : 0;
    }
    bot = !game.human(index);
    health = -RESPAWN_TICKS;
    kills = 0;
    slowmotion = 0;
    active = true;
    // A weapon left over from an interrupted match ends here.
    drop_weapon();
    return this;
}

void cplayer::become_bot() {
    bot = true;
    // What a bot's spawn sets, so that a living body plays on at once.
    route = ROUTE_NONE;
    reaction = options.get_skill() * BOT_REACTION_PER_SKILL;
    close_count = 0;
    hold = -1;
    grenade_timer = rand() % 2700 + 300;
}

void cplayer::deinit() {
    if (active) drop_weapon();
}

void cplayer::update() {
    if (!active) return;
    if (game.winner() == -1) {
        if (health < 0) {
            health += 1;
            if (!bot && health == SELECTOR_HEALTH) hud.select((int)(this - players));
        } else {
            if (health == 0) spawn();
            if (bot)
                bot_move();
            else
                player_move();
            move();
            if (health > 0) {
                if (bot) {
                    bot_shoot();
                } else {
                    player_screen();
                    player_shoot();
                }
            }
        }
    }
    if (weapon) weapon->update();
}

void cplayer::spawn() {
    // A map without spawn points leaves the body where it was rather than dividing by 0.
    if (map.get_nsp() > 0) {
        int point = rand() % map.get_nsp();
        x = map.get_spx(point);
        y = map.get_spy(point);
    }
    angle = 0;
    throw_power = 0;
    vx = vy = 0;
    leg_counter = 195;
    leg_step = 0;
    if (bot) {
        route = ROUTE_NONE;
        reaction = options.get_skill() * BOT_REACTION_PER_SKILL;
        close_count = 0;
        hold = -1;
        grenade_timer = rand() % 2700 + 300;
    }
    firerate_timer = 0;
    health = FULL_HEALTH;
    heatseek_timer = 0;
    grenades = START_GRENADES;
    spawn_protection = SPAWN_PROTECTION_TICKS;

    if (!bot) {
        select_weapon(hud.get_weapon((int)(this - players)));
    } else {
        int type = options.get_gametype();
        if (type == GT_RPG_ARENA)
            select_weapon(W_ROCKET);
        else if (type == GT_INSTAGIB)
            select_weapon(W_LASER);
        else
            select_weapon(rand() % 8 + 1);
    }
    smoke_grid(x, y, SPAWN_SMOKE_PER_ROW, SPAWN_SMOKE_PUFFS);
}

void cplayer::select_weapon(int kind) { make_weapon(kind, this); }

// The pool slot of a player, or -1 (none, or not one of the pool's).
static int slot_of(const cplayer *p) {
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (p == &players[i]) return i;
    return -1;
}

void cplayer::damage(int amount, float force, cplayer *attacker) {
    if (spawn_protection != 0) return;
    if (options.get_gametype() == GT_TEAMMATCH && attacker && attacker != this &&
        attacker->team == team)
        return;

    if (health - amount > 0) {
        health -= amount;
        spill_blood(x + 7, y + 8, HIT_BLOOD_DROPS);
        return;
    }

    health = -RESPAWN_TICKS;
    if (attacker && attacker != this)
        attacker->score(true);
    else if (attacker == this)
        score(false);
    scoreboard.death(slot_of(this), slot_of(attacker));

    start_free(flesh, DEATH_FLESH_CHUNKS,
               [&](cflesh &chunk) { chunk.init(x + 7, y + 8, force); });

    // The kill that decides the match plays out in slow motion for every human.
    if (game.winner() != -1) {
        for (int i = 0; i < MAX_PLAYERS; i++)
            if (players[i].active && !players[i].bot) players[i].powerup(PU_SLOWMOTION);
    }
    else if (slowmotion > 0)
        slowmotion = 0;

    play_pair(sblood, x, y);
    drop_weapon();
}

void cplayer::score(bool kill) {
    if (kill)
        kills += 1;
    else if (kills > 0)
        kills -= 1;
}

void cplayer::powerup(int kind) {
    switch (kind) {
    case PU_HEALTH:
        health += 25;
        if (health > FULL_HEALTH) health = FULL_HEALTH;
        break;
    case PU_GRENADES:
        grenades += 3;
        if (grenades > MAX_GRENADES) grenades = MAX_GRENADES;
        break;
    case PU_FIRERATE:
        firerate_timer = POWERUP_TIMER_TICKS;
        break;
    case PU_HEATSEEK:
        heatseek_timer = POWERUP_TIMER_TICKS;
        break;
    case PU_SLOWMOTION:
        if (bot) {
            reaction = 0;
            slowmotion = BOT_SLOWMOTION_TICKS;
        } else {
            slowmotion = HUMAN_SLOWMOTION_TICKS;
        }
        break;
    default:
        break;
    }
}

cplayer *cplayer::set_angle(float dx, float dy, int spread) {
    int error = rand() % (2 * spread + 1) - spread;
    angle = (float)(katan2((double)dy, (double)dx) + error * 0.02);
    return this;
}

cbweapon *cplayer::shoot() {
    if (spawn_protection > 0) spawn_protection = 0;
    if (weapon) weapon->shoot();
    return weapon;
}

cplayer *cplayer::grenade() {
    cgrenade1 *g = first_free(grenades1);
    if (g) g->init(x + 7, y + 8, angle, throw_power, this);
    grenades -= 1;
    throw_power = 0;
    return this;
}

int cplayer::get_ammo() { return weapon ? weapon->get_ammo() : 0; }

int cplayer::get_slowmotion() {
    if (slowmotion > 0) slowmotion -= 1;
    return slowmotion;
}

void cplayer::draw() {
    if (!active || health <= 0 || !bbuffer) return;
    int sx = (int)x - map.get_xs();
    int sy = (int)y - map.get_ys();
    bool right = facing_right();

    BITMAP *head = bhead[hair];
    if (head && !box_hidden(bbuffer, sx + 4, sy, head->w + 1, head->h)) {
        if (right)
            draw_sprite(bbuffer, head, sx + 5, sy);
        else
            draw_sprite_h_flip(bbuffer, head, sx + 4, sy);
    }

    BITMAP *body = bbody[shirt];
    if (body && !sprite_hidden(bbuffer, body, sx + 3, sy + 6)) {
        if (right)
            draw_sprite(bbuffer, body, sx + 3, sy + 6);
        else
            draw_sprite_h_flip(bbuffer, body, sx + 3, sy + 6);
    }

    // Walking frames swing the legs back, so each frame has its own x offset.
    static const int leg_dx_right[5] = {0, 0, -1, -3, -2};
    static const int leg_dx_left[5] = {0, 0, 0, -3, -1};
    int frame = leg_counter / 100;
    if (frame < 1) frame = 1;
    if (frame > 4) frame = 4;
    BITMAP *legs = blegs[pants * 4 + frame - 1];
    if (legs && !box_hidden(bbuffer, sx - 3, sy + 16, legs->w + 3, legs->h)) {
        if (right)
            draw_sprite(bbuffer, legs, sx + leg_dx_right[frame], sy + 16);
        else
            draw_sprite_h_flip(bbuffer, legs, sx + leg_dx_left[frame], sy + 16);
    }

    // One-handed weapons (gun, rocket launcher) hang from one arm, the rest are held
    // with both hands.
    int kind = weapon ? weapon->get_type() : 0;
    bool one_hand = kind == W_GUN || kind == W_ROCKET;
    BITMAP *arms = barms[shirt * 2 + (one_hand ? 0 : 1)];
    fixed r = ftofix(angle * 40.74);
    // One box for the four ways the arms hang: pivots within two pixels of (7, 9), the
    // largest pivot offset (6, 4) making room for the rest.
    if (arms && !turned_hidden(bbuffer, arms, sx + 7, sy + 9, 6, 4)) {
        if (one_hand) {
            if (right)
                turn_sprite(bbuffer, arms, sx + 7, sy + 9, 0, 1, r);
            else
                turn_sprite(bbuffer, arms, sx + 7, sy + 10, 0, 1, r, true);
        } else {
            if (right)
                turn_sprite(bbuffer, arms, sx + 7, sy + 7, 6, 1, r);
            else
                turn_sprite(bbuffer, arms, sx + 7, sy + 8, 6, 4, r, true);
        }
    }

    if (weapon) weapon->draw();
}
