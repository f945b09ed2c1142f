// Bots: route marks, sight, reaction, choice of fire and grenades.
#include <cmath>
#include <gtest/gtest.h>

#include "players/player.h"
#include "shell/options.h"
#include "support.h"
#include "weapons/bullet.h"
#include "weapons/weapon.h"
#include "world/barrel.h"
#include "world/map.h"

// A floor at y 96; bodies standing on it have y 68.
static const std::vector<std::string> FIELD = {
    "..................................", "..................................",
    "..................................", "..................................",
    "..................................", "..................................",
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
};
static const float GROUND = 68;

// A bot at (x, GROUND) holding a weapon, ready to fire, without grenades.
static cplayer *armed_bot(int slot, float x, int kind) {
    cplayer *b = place_player(slot, x, GROUND);
    b->weapon = make_weapon(kind, b);
    b->grenades = 0;
    return b;
}

// Runs bot_shoot once; true when it pulled the trigger.
static bool fires(cplayer *b) {
    b->weapon->trigger = false;
    b->bot_shoot();
    return b->weapon->trigger;
}

TEST(BotMove, ReadsRouteMarksOnlyOnCellColumnsAndJumpsWhenBlocked) {
    fresh_world();
    set_map({
        "..........",
        "..........",
        "..........",
        "..........",
        "...C....D.",
        "...C.a..D.",
        "aaaaaaaaaa",
    });
    cplayer *b = place_player(1, 49, 64);
    b->bot_move();
    EXPECT_EQ(b->route, ROUTE_NONE); // one pixel off the column
    EXPECT_EQ(b->vx, 0);
    b->x = 48;
    b->bot_move();
    EXPECT_EQ(b->route, ROUTE_RIGHT);
    EXPECT_EQ(b->vx, 1);
    EXPECT_EQ(b->angle, 0);

    b->x = 128;
    b->bot_move();
    EXPECT_EQ(b->route, ROUTE_LEFT);
    EXPECT_FLOAT_EQ(b->angle, 3.14f);

    // Walking right into the block at x 80 turns into a jump.
    b = place_player(2, 66, GROUND);
    b->route = ROUTE_RIGHT;
    b->bot_move();
    EXPECT_EQ(b->vx, 0);
    EXPECT_FLOAT_EQ(b->vy, -5.25f);
}

TEST(BotSight, NearestVisibleEnemyCountsAndCloseOnesOnlyCount) {
    fresh_world();
    set_map(FIELD);
    cplayer *b = place_player(1, 100, GROUND);
    place_player(0, 300, GROUND, false);
    place_player(2, 160, GROUND);
    EXPECT_EQ(b->bot_target(), 2);
    EXPECT_EQ(b->close_count, 0);

    // At 20 px an enemy is too close to shoot but is counted.
    players[2].x = 120;
    EXPECT_EQ(b->bot_target(), 0);
    EXPECT_EQ(b->close_count, 1);
    players[0].x = 80;
    EXPECT_EQ(b->bot_target(), -1);
    EXPECT_EQ(b->close_count, 2);
    players[2].x = 121;
    EXPECT_EQ(b->bot_target(), 2);
    EXPECT_EQ(b->close_count, 3);
    players[0].health = -10;
    players[2].health = -10; // the dead are no targets
    EXPECT_EQ(b->bot_target(), -1);
    EXPECT_EQ(b->close_count, 0);
}

TEST(BotSight, TeamMatesAreIgnoredInTheTeamMatch) {
    fresh_world();
    set_map(FIELD);
    cplayer *b = place_player(2, 100, GROUND, true, 0);
    place_player(0, 200, GROUND, false, 0);
    place_player(4, 250, GROUND, true, 0);
    EXPECT_EQ(b->bot_target(), 0);
    options.gametype = GT_TEAMMATCH;
    EXPECT_EQ(b->bot_target(), -1);
    place_player(3, 300, GROUND, true, 1);
    EXPECT_EQ(b->bot_target(), 3);
}

TEST(BotSight, ANearBarrelHidesAnEnemyAFarOneDoesNot) {
    fresh_world();
    // Barrels hanging at head height in row 4 (y 64), columns 3 and 12.
    set_map({
        "..................................",
        "..................................",
        "..................................",
        "..................................",
        "...1........1.....................",
        "..................................",
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    });
    barrels[0].health = barrels[1].health = BARREL_HEALTH;
    cplayer *b = place_player(1, 20, GROUND);
    place_player(2, 100, GROUND);
    EXPECT_EQ(b->bot_target(), -1); // behind the barrel 31 px away
    players[2].x = 250;
    b->x = 120;
    EXPECT_EQ(b->bot_target(), -1); // the barrel at x 192 is 74 px off: still cover
    b->x = 100;
    EXPECT_EQ(b->bot_target(), 2); // through the barrel 93 px away
    barrels[0].health = -100;      // destroyed: no cover
    b->x = 20;
    players[2].x = 100;
    EXPECT_EQ(b->bot_target(), 2);
}

// The pixel-by-pixel march sight was first written as, one step and every test at a
// time: whether the bot sees enemy i (near or not).
static bool marched_sight(cplayer &b, int i) {
    float tx = players[i].x, ty = players[i].y;
    float a = atan2(ty - b.y, tx - b.x);
    float ca = cos(a), sa = sin(a);
    float rx = b.x + 7, ry = b.y + 8;
    float nx = rx + ca, ny = ry + sa;
    while (fabsf(rx - b.x - 7) < 320 && fabsf(ry - b.y - 8) < 240 &&
           !sight_cell(map.get_map((int)nx, (int)ny)) && !b.bot_barrel((int)nx, (int)ny) &&
           !b.bot_enemy(i, nx, ny)) {
        rx = nx;
        ry = ny;
        nx = rx + ca;
        ny = ry + sa;
    }
    return b.bot_enemy(i, nx, ny);
}

// The bot crosses clear cells without testing each pixel: random rocks, barrels and
// positions (whole, half and arbitrary pixels, on and off the view) decide alike.
TEST(BotSight, CellByCellSightDecidesAsThePixelMarch) {
    srand(3);
    int seen = 0, hidden = 0;
    for (int round = 0; round < 40; round++) {
        fresh_world();
        std::vector<std::string> rows(40, std::string(60, '.'));
        for (int r = 0; r < 40; r++)
            for (int c = 0; c < 60; c++) {
                int k = rand() % 100;
                if (k < 12) rows[r][c] = 'a';
                else if (k < 14 && r > 0) rows[r][c] = '1';
            }
        set_map(rows);
        for (int k = 0; k < MAX_BARRELS; k++)
            if (barrels[k].get_active()) barrels[k].health = BARREL_HEALTH;
        for (int trial = 0; trial < 60; trial++) {
            auto at = [](float lo, float span) {
                float v = lo + (float)(rand() % (int)(span * 4)) / 4;
                return rand() % 3 ? v : v + (float)(rand() % 1000) / 997;
            };
            cplayer *b = place_player(1, at(313, 320), at(226, 160));
            place_player(2, b->x + at(-360, 720), b->y + at(-280, 560));
            b->close_count = 0;
            int t = b->bot_target();
            bool sees = t == 2 || b->close_count == 1;
            ASSERT_EQ(marched_sight(*b, 2), sees)
                << "round " << round << " bot " << b->x << "," << b->y << " enemy "
                << players[2].x << "," << players[2].y;
            (sees ? seen : hidden)++;
        }
    }
    EXPECT_GT(seen, 200); // both answers are well exercised
    EXPECT_GT(hidden, 200);
}

// The heat-seeker's sight ray as first written: every test at every step.
static bool seek_marched(cbullet &b, int i) {
    cplayer &p = players[i];
    double d = atan2((double)p.y + 8 - b.y, (double)p.x + 7 - b.x);
    float sx = (float)cos(d), sy = (float)sin(d);
    float rx = b.x, ry = b.y;
    while (fabsf(b.x - rx) < 320 && fabsf(b.y - ry) < 240) {
        float nx = rx + sx, ny = ry + sy;
        if (sight_cell(map.get_map((int)nx, (int)ny)) || b.enemy(i, nx, ny)) break;
        rx += sx;
        ry += sy;
    }
    return b.enemy(i, rx + sx, ry + sy);
}

// Bodies just beyond the end of a bot's view or a heat-seeker's sight box are skipped
// without marching; the skip must never drop one the march would reach. On an open
// 2048x2048 map the looking party sits at whole pixels, fractions and a few float
// steps either side of them, on both sides of the points where float spacing doubles;
// the enemy lies across each edge of the box: on the edge as the skip computes it and
// float steps either side of it, and a quarter pixel at a time beyond.
TEST(BotSight, BodiesBeyondTheViewAreSkippedOnlyWhenTheMarchCannotReachThem) {
    fresh_world();
    set_map(std::vector<std::string>(128, std::string(128, '.')));
    auto nudge = [](float v, int k) {
        for (; k > 0; k--)
            v = nextafterf(v, 1e9f);
        for (; k < 0; k++)
            v = nextafterf(v, -1e9f);
        return v;
    };
    // Where the enemy goes for a box centred on (ox, oy): variant -1 puts it on the
    // skip's edge as of old (2 px), moved j float steps; any other variant v puts it
    // 2 + v / 4 px beyond the box, from on the box to 3.5 px past.
    auto place = [&](cplayer &t, float ox, float oy, int edge, int variant, int j, int lean) {
        float past = 2 + variant / 4.0f;
        bool on_edge = variant == -1;
        t.x = ox + lean;
        t.y = oy + lean;
        if (edge == 0) t.x = nudge(on_edge ? ox + 320 + 2 : ox + 320 + past, j);
        if (edge == 1) t.x = nudge((on_edge ? ox - 320 - 2 : ox - 320 - past) - 14, j);
        if (edge == 2) t.y = nudge(on_edge ? oy + 240 + 2 : oy + 240 + past, j);
        if (edge == 3) t.y = nudge((on_edge ? oy - 240 - 2 : oy - 240 - past) - 28, j);
    };
    const float bases[] = {330, 498.999908f, 505, 700.5f, 1017, 1500.25f};
    const float fractions[] = {0, 0.25f, 0.729309f};
    int cases = 0, seen = 0, turned = 0;
    for (float base : bases)
        for (float f : fractions)
            for (int k = -3; k <= 3; k++) {
                float lx = nudge(base + f, k), ly = nudge(1300 + base / 4 + f, -k);
                for (int edge = 0; edge < 4; edge++)
                    for (int variant = -8; variant <= 6; variant++)
                        for (int j = variant == -1 ? -3 : 0; j <= (variant == -1 ? 3 : 0); j++) {
                            int lean = (variant * 7 + j * 3 + k * 5 + edge) % 31 - 15;
                            cplayer *b = place_player(1, lx, ly);
                            cplayer *t = place_player(2, 0, 0);
                            place(*t, lx + 7, ly + 8, edge, variant, j, lean);
                            b->close_count = 0;
                            int got = b->bot_target();
                            bool sees = got == 2 || b->close_count == 1;
                            ASSERT_EQ(marched_sight(*b, 2), sees)
                                << "bot " << b->x << "," << b->y << " enemy " << t->x << ","
                                << t->y;
                            // A heat-seeker the bot fired, its box centred on its tail,
                            // aimed away so that seeing the enemy turns it.
                            place(*t, lx, ly, edge, variant, j, lean);
                            bullets[0].init(3.0f, lx, ly, 30, true, b);
                            float before = bullets[0].angle;
                            bullets[0].seek();
                            ASSERT_EQ(seek_marched(bullets[0], 2), bullets[0].angle != before)
                                << "seeker " << lx << "," << ly << " enemy " << t->x << "," << t->y;
                            cases++;
                            seen += sees;
                            turned += bullets[0].angle != before;
                        }
            }
    // The sweep reaches bodies as well as missing them.
    EXPECT_GT(seen, cases / 4);
    EXPECT_LT(seen, cases * 3 / 4);
    EXPECT_GT(turned, cases / 4);
    EXPECT_LT(turned, cases * 3 / 4);
}

TEST(BotShoot, ReactionDelayBySkill) {
    fresh_world();
    set_map(FIELD);
    options.skill = 0; // HARD
    cplayer *b = armed_bot(1, 100, W_MACHINE_GUN);
    place_player(0, 250, GROUND, false);
    EXPECT_TRUE(fires(b));
    EXPECT_NE(b->hold, -1); // engaged

    options.skill = 2; // EASY, spawned with the full delay
    b = armed_bot(1, 100, W_MACHINE_GUN);
    b->reaction = 100;
    for (int i = 0; i < 100; i++)
        ASSERT_FALSE(fires(b)) << "tick " << i;
    EXPECT_TRUE(fires(b));

    // Looking away builds the delay back up, one tick per tick, up to 100.
    players[0].health = -1;
    for (int i = 0; i < 30; i++)
        fires(b);
    EXPECT_EQ(b->reaction, 30);
    for (int i = 0; i < 200; i++)
        fires(b);
    EXPECT_EQ(b->reaction, 100);

    // Slow motion: no delay builds up.
    b->powerup(PU_SLOWMOTION);
    for (int i = 0; i < 30; i++)
        fires(b);
    EXPECT_EQ(b->reaction, 0);
    players[0].health = 100;
    EXPECT_TRUE(fires(b));
}

TEST(BotShoot, WeaponRanges) {
    fresh_world();
    set_map(FIELD);
    options.skill = 0;
    place_player(0, 300, GROUND, false);
    cplayer *b = armed_bot(1, 300 - 174, W_FLAMETHROWER);
    EXPECT_TRUE(fires(b));
    b->x = 300 - 176;
    EXPECT_FALSE(fires(b));

    fresh_world();
    set_map(FIELD);
    options.skill = 0;
    place_player(0, 300, GROUND, false);
    b = armed_bot(1, 300 - 75, W_GRENADE_LAUNCHER);
    EXPECT_FALSE(fires(b));
    b->x = 300 - 76;
    EXPECT_TRUE(fires(b));
    EXPECT_LT(b->angle, 0); // lobbed above the enemy
}

TEST(BotShoot, GrenadesOnlyAtEnemiesOnTheSameLevelFartherThan75Px) {
    fresh_world();
    set_map(FIELD);
    options.skill = 0;
    place_player(0, 300, GROUND, false);
    struct {
        float bot_x, bot_y, enemy_y;
        bool throws;
    } cases[] = {
        {200, GROUND, GROUND, true},           // same level, 100 px
        {225, GROUND, GROUND, false},          // 75 px: too near
        {200, GROUND, GROUND + 1, false},      // a pixel lower: another level
        {200, GROUND - 10, GROUND - 10, false} // the bot is in the air
    };
    for (auto &c : cases) {
        cplayer *b = armed_bot(1, c.bot_x, W_GUN);
        b->y = c.bot_y;
        players[0].y = c.enemy_y;
        b->grenades = 3;
        b->grenade_timer = 0;
        b->bot_shoot();
        EXPECT_EQ(b->grenades, c.throws ? 2 : 3) << c.bot_x << "," << c.enemy_y;
        if (c.throws) {
            EXPECT_EQ(b->hold, 200);
            EXPECT_GE(b->grenade_timer, 300);
        }
    }
}
