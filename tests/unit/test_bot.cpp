// Bots: route marks, sight, reaction, choice of fire and grenades.
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
