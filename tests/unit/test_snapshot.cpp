// The world's snapshot: the generator is the C library's, a restored world plays on
// exactly as it did (whatever was alive, dying or exploding when it was saved), and
// the fingerprint sees what matters and nothing else. Several humans, each driven by
// their own control, share one world and its slow motion.
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "match/game.h"
#include "match/hud.h"
#include "match/rng.h"
#include "match/scoreboard.h"
#include "match/sim.h"
#include "match/world.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/sound.h"
#include "players/blood.h"
#include "players/player.h"
#include "shell/options.h"
#include "support.h"
#include "weapons/bullet.h"
#include "weapons/weapon.h"
#include "world/map.h"

namespace {

TEST(Snapshot, RandIsTheCLibrarySequenceForAnySeed) {
    for (unsigned seed : {0u, 1u, 7u, 2147483647u, 2147483648u, 4294967295u}) {
        random_data glibc;
        char ring[128];
        memset(&glibc, 0, sizeof glibc);
        initstate_r(seed, ring, sizeof ring, &glibc);
        srandom_r(seed, &glibc);
        srand(seed);
        for (int i = 0; i < 100000; i++) {
            int32_t want;
            random_r(&glibc, &want);
            ASSERT_EQ(want, rand()) << "seed " << seed << " draw " << i;
        }
    }
}

TEST(Snapshot, AFreshWorldForgetsScoresAndRandomState) {
    fresh_world();
    int first = rand();
    scoreboard.death(2, 3);
    players[4].kills = 9;
    rand();
    fresh_world();
    EXPECT_EQ(first, rand());
    EXPECT_EQ(0, scoreboard.deaths[2]);
    EXPECT_EQ(0, scoreboard.streak[3]);
    EXPECT_EQ(0, players[4].kills);
}

// The fingerprint plays its little match behind the scenes: whatever was set up before
// is as it was, and asking again gives the same answer.
TEST(Snapshot, TheFingerprintLeavesTheWorldAndTheMapAlone) {
    fresh_world();
    set_map({"....A....", "aaaaaaaaa"});
    place_player(2, 40, 0)->kills = 3;
    rand();
    uint64_t before = world_hash();
    int width = map.get_width(), nsp = map.get_nsp(), level = options.level;
    uint64_t print = sim_fingerprint();
    EXPECT_EQ(before, world_hash());
    EXPECT_EQ(width, map.get_width());
    EXPECT_EQ(nsp, map.get_nsp());
    EXPECT_EQ(level, options.level);
    EXPECT_TRUE(sound_log().empty());
    EXPECT_EQ(print, sim_fingerprint());
}

// A real match on a shipped map, five bots, the human standing still.
class RealMatch : public ::testing::Test {
  protected:
    void start(int type, unsigned seed, unsigned humans = 1) {
        fresh_world();
        game.humans = humans;
        map.load();
        ASSERT_GT(map.get_nm(), 0);
        options.level = map.find("arena.krm");
        ASSERT_GE(options.level, 0);
        options.gametype = type;
        options.bots = 5;
        options.kills = 6;
        srand(seed);
        ASSERT_TRUE(game.init());
    }
    void TearDown() override {
        game.quit();
        game = cgame();
    }
};

// Every 97 ticks: save, play on 60 ticks, go back and play them again: the second run
// must repeat the first hash for hash, through spawns, deaths with their weapons,
// explosion chains and the slow-motion finale.
TEST_F(RealMatch, ARestoredWorldPlaysOnExactlyAsBefore) {
    for (int type = 0; type < 4; type++) {
        start(type, 11 + type);
        csnapshot saved;
        std::vector<uint64_t> first(60);
        bool saw_dead = false, saw_weapons[10] = {};
        for (int round = 0; round < 120 && game.winner() == -1; round++) {
            for (int t = 0; t < 37; t++) game.update();
            world_save(saved);
            uint64_t at_save = world_hash();
            for (int t = 0; t < 60; t++) {
                game.update();
                first[t] = world_hash();
                for (int i = 0; i < MAX_PLAYERS; i++) {
                    saw_dead |= players[i].active && players[i].health < 0 && i > 0;
                    if (players[i].weapon) saw_weapons[players[i].weapon->get_type()] = true;
                }
            }
            world_restore(saved);
            ASSERT_EQ(at_save, world_hash()) << "type " << type << " round " << round;
            for (int t = 0; t < 60; t++) {
                game.update();
                ASSERT_EQ(first[t], world_hash()) << "type " << type << " round " << round << " tick " << t;
            }
        }
        EXPECT_TRUE(saw_dead);
        if (type == 0) {
            for (int k = 1; k <= 8; k++) EXPECT_TRUE(saw_weapons[k]) << "weapon " << k;
        }
        game.quit();
    }
}

TEST_F(RealMatch, TheHashSeesBusySlotsAndOwnersButNotFreeSlotsLeftovers) {
    start(0, 5);
    for (int t = 0; t < 900; t++) game.update();
    uint64_t h = world_hash();
    int free_slot = -1, busy_slot = -1;
    for (int i = 0; i < MAX_BLOOD; i++)
        if (blood[i].active) busy_slot = i;
        else free_slot = i;
    ASSERT_GE(free_slot, 0);
    ASSERT_GE(busy_slot, 0);

    blood[free_slot].x += 3; // a leftover of an ended drop
    EXPECT_EQ(h, world_hash());
    blood[busy_slot].vy += 0.5f;
    EXPECT_NE(h, world_hash());
    blood[busy_slot].vy -= 0.5f;
    EXPECT_EQ(h, world_hash());

    // One number more drawn changes the world to come.
    rand();
    EXPECT_NE(h, world_hash());
}

// Running ticks again after a restore plays nothing twice and shakes nothing twice,
// but a sound that only the corrected run makes is heard.
TEST_F(RealMatch, TicksRunAgainAreNotHeardAgain) {
    load_real_data(); // samples to tell apart
    start(GT_DEATHMATCH, 21);
    ccontrol idle[MAX_PLAYERS] = {}, firing[MAX_PLAYERS] = {};
    firing[0].actions = 1u << ACT_FIRE;
    hud.weapon[0] = W_LASER; // no bot carries one: every laser heard is the human's
    while (players[0].health <= 0) game.step(idle);
    for (int t = 0; t < 300; t++) game.step(idle);
    auto lasers = [] {
        int n = 0;
        for (const sound_event &e : sound_log()) n += e.sample == slaser_rifle[0];
        return n;
    };
    csnapshot saved;
    world_save(saved);
    for (int t = 0; t < 60; t++) game.step(idle);
    int shots = lasers();
    world_restore(saved);
    for (int t = 0; t < 60; t++) game.step(firing);
    EXPECT_EQ(shots + 1, lasers()) << "the shot only the corrected run fired is heard";

    size_t heard = sound_log().size();
    for (int round = 0; round < 3; round++) {
        world_restore(saved);
        int shake = game.shake_counter;
        for (int t = 0; t < 60; t++) game.step(firing);
        EXPECT_EQ(heard, sound_log().size()) << "run " << round;
        EXPECT_LE(game.shake_counter, shake);
    }
}

// Two to six humans in every game type: each takes the weapon they pick while waiting,
// walks where their own control says and fires at an aim point given in world pixels.
TEST_F(RealMatch, EveryHumanSlotPlaysFromItsOwnControl) {
    for (int type = 0; type < 4; type++) {
        int n = 2 + type + (type == 3); // 2, 3, 4 and 6 humans
        start(type, 3 + type, (1u << n) - 1);
        bool walked[MAX_PLAYERS] = {}, aimed[MAX_PLAYERS] = {}, fired[MAX_PLAYERS] = {};
        bool armed[MAX_PLAYERS] = {};
        auto left = [](int t, int i) { return ((t / 400 + i) & 1) != 0; };
        for (int t = 0; t < 3000; t++) {
            ccontrol in[MAX_PLAYERS] = {};
            for (int i = 0; i < n; i++) {
                cplayer &p = players[i];
                int weapon = 1 + (i + 2) % 8;
                in[i].actions = 1u << (ACT_WEAPON1 + weapon - 1);
                if (p.health > 0) {
                    // Slots take turns walking left and right, and fire at a point left
                    // of them, above.
                    in[i].actions = (1u << (left(t, i) ? ACT_LEFT : ACT_RIGHT)) | (1u << ACT_FIRE);
                    in[i].aim_x = (int)p.x - 100;
                    in[i].aim_y = (int)p.y - 50;
                }
            }
            float x0[MAX_PLAYERS];
            bool alive[MAX_PLAYERS];
            for (int i = 0; i < n; i++) x0[i] = players[i].x, alive[i] = players[i].health > 0;
            if (!game.step(in)) continue;
            for (int i = 0; i < n; i++) {
                cplayer &p = players[i];
                if (p.health <= 0 || !alive[i]) continue;
                if (p.x != x0[i]) {
                    walked[i] = true;
                    EXPECT_EQ(p.x < x0[i], left(t, i)) << "slot " << i << " walked the wrong way";
                }
                aimed[i] |= p.angle < -1.57f || p.angle > 1.57f; // facing left, up
                fired[i] |= p.weapon && p.weapon->ammo < p.weapon->clip;
                int want = type == GT_RPG_ARENA ? W_ROCKET : type == GT_INSTAGIB ? W_LASER : 1 + (i + 2) % 8;
                armed[i] |= p.weapon && p.weapon->get_type() == want;
            }
        }
        for (int i = 0; i < n; i++) {
            EXPECT_FALSE(players[i].bot);
            EXPECT_TRUE(walked[i]) << "type " << type << " slot " << i;
            EXPECT_TRUE(aimed[i]) << "type " << type << " slot " << i;
            EXPECT_TRUE(fired[i]) << "type " << type << " slot " << i;
            EXPECT_TRUE(armed[i]) << "type " << type << " slot " << i;
        }
        EXPECT_TRUE(players[n < MAX_PLAYERS ? n : 0].bot || n == MAX_PLAYERS);
        game.quit();
    }
}

// Slow motion is the world's: it holds while any human has it left, and the kill that
// decides the match slows the world for everyone.
TEST_F(RealMatch, TheWorldSlowsWhileAnyHumanHoldsSlowMotion) {
    start(GT_DEATHMATCH, 9, 0b101);
    ccontrol in[MAX_PLAYERS] = {};
    auto moves = [&](int ticks) {
        int n = 0;
        for (int t = 0; t < ticks; t++) n += game.step(in);
        return n;
    };
    EXPECT_EQ(30, moves(30));
    players[2].powerup(PU_SLOWMOTION);
    EXPECT_EQ(10, moves(30));
    players[0].powerup(PU_SLOWMOTION);
    players[2].slowmotion = 0;
    EXPECT_EQ(10, moves(30));
    players[0].slowmotion = 0;
    EXPECT_EQ(30, moves(30));

    for (int i = 0; i < MAX_PLAYERS; i++) {
        players[i].health = 100;
        players[i].spawn_protection = 0;
        players[i].kills = options.kills - 1;
    }
    players[1].damage(500, NO_FORCE, &players[4]); // the deciding kill
    ASSERT_EQ(4, game.winner());
    EXPECT_GT(players[0].slowmotion, 0);
    EXPECT_GT(players[2].slowmotion, 0);
    EXPECT_EQ(0, players[3].slowmotion);
}

} // namespace
