// Bots: route marks, sight, reaction, choice of fire and grenades.
#include <cmath>
#include <gtest/gtest.h>

#include "players/player.h"
#include "shell/options.h"
#include "support.h"
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
