// Pausing a match (nothing moves, then it goes on exactly as it would have) and the
// scoreboard's counts.
#include <allegro.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "match/game.h"
#include "match/pause.h"
#include "match/scoreboard.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "support.h"
#include "world/map.h"

namespace {

// Everything a player would notice about the world.
static std::string world_state() {
    std::string s;
    char b[160];
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        snprintf(b, sizeof b, "%d:%.3f,%.3f h%d k%d g%d s%d d%d/%d/%d;", i, p.x, p.y, p.health,
                 p.kills, p.grenades, p.slowmotion, scoreboard.deaths[i], scoreboard.suicides[i],
                 scoreboard.streak[i]);
        s += b;
    }
    return s;
}

// The human's input on world tick t: walk right, fire in bursts, jump now and then.
static ctick_input human_input(int t) {
    ctick_input in{0, 400, 230, 0, false};
    in.actions = 1u << ACT_RIGHT;
    if (t % 90 < 30) in.actions |= 1u << ACT_FIRE;
    if (t % 200 == 0) in.actions |= 1u << ACT_JUMP;
    return in;
}

class Pause : public ::testing::Test {
  protected:
    void SetUp() override {
        fresh_world();
        options = coptions();
        options.bots = 5;
        map.load(); // the shipped maps beside the tests
        ASSERT_GT(map.get_nm(), 0);
        input.defaults();
    }
    void TearDown() override {
        pauser.end();
        game.quit();
        input.clear();
    }
    void start() {
        srand(7);
        ASSERT_TRUE(game.init());
        pauser.init();
    }
    // One logic tick of the match with this input, as the match loop runs it.
    static void tick(const ctick_input &in) {
        input.set(in);
        if (!pauser.update()) game.update();
    }
};

TEST_F(Pause, APausedMatchDoesNotMoveAndResumesExactlyWhereItStopped) {
    const int TICKS = 2500, PAUSE_AT = 1200;
    start();
    for (int t = 0; t < TICKS; t++) {
        if (t == 900) players[0].slowmotion = 1500;
        tick(human_input(t));
    }
    std::string straight = world_state() + " rand " + std::to_string(rand());
    game.quit();

    start();
    for (int t = 0; t < TICKS; t++) {
        if (t == 900) players[0].slowmotion = 1500;
        if (t == PAUSE_AT) {
            std::string before = world_state();
            ctick_input press = human_input(t);
            press.actions |= 1u << ACT_PAUSE;
            tick(press);
            EXPECT_TRUE(pauser.is_paused());
            EXPECT_TRUE(sound_paused());
            ASSERT_GT(players[0].slowmotion, 0) << "slow motion runs at the pause";
            // Keys and buttons held, the pause key held on: nothing moves, no timer runs.
            for (int p = 0; p < 400; p++) {
                ctick_input in = human_input(p);
                if (p < 50) in.actions |= 1u << ACT_PAUSE;
                tick(in);
            }
            EXPECT_TRUE(pauser.is_paused());
            EXPECT_EQ(before, world_state());
            // A click resumes; that tick belongs to the pause as well.
            tick(ctick_input{0, 400, 230, BUTTON_LEFT, false});
            EXPECT_FALSE(pauser.is_paused());
            EXPECT_FALSE(sound_paused());
        }
        tick(human_input(t));
    }
    EXPECT_EQ(straight, world_state() + " rand " + std::to_string(rand()));
}

TEST_F(Pause, ThePauseKeyToggles_FocusLossPausesOnlyWhenAsked_AKeyHeldOnEntryDoesNot) {
    start();
    ctick_input p{1u << ACT_PAUSE, 0, 0, 0, false}, none{0, 0, 0, 0, false};
    tick(p); // held when the match began
    EXPECT_FALSE(pauser.is_paused());
    tick(none);
    tick(p);
    EXPECT_TRUE(pauser.is_paused());
    tick(none);
    tick(p);
    EXPECT_FALSE(pauser.is_paused());
    tick(none);
    int health = players[1].health;
    // By default the match runs on in the background.
    pause_on_focus_loss();
    tick(none);
    EXPECT_FALSE(pauser.is_paused());
    EXPECT_EQ(health + 1, players[1].health);
    health = players[1].health;
    options.pause_inactive = true;
    pause_on_focus_loss();
    tick(none);
    EXPECT_TRUE(pauser.is_paused());
    EXPECT_EQ(health, players[1].health);
    pause_on_focus_loss(); // losing the focus again while paused changes nothing
    tick(none);
    EXPECT_TRUE(pauser.is_paused());
    tick(p);
    EXPECT_FALSE(pauser.is_paused());
    tick(none);
    EXPECT_EQ(health + 1, players[1].health) << "waiting players count up again";
    // Leaving the match while paused lets the sound go again.
    tick(p);
    ASSERT_TRUE(sound_paused());
    pauser.end();
    EXPECT_FALSE(sound_paused());
}

class Scores : public ::testing::Test {
  protected:
    void SetUp() override {
        fresh_world();
        scoreboard.init();
        for (int i = 0; i < 4; i++)
            place_player(i, 100 + 40 * i, 100, i != 0);
        for (int i = 0; i < 4; i++)
            players[i].spawn_protection = 0;
    }
    static void kill(int victim, int killer) {
        players[victim].health = 10;
        players[victim].spawn_protection = 0;
        players[victim].damage(50, NO_FORCE, killer >= 0 ? &players[killer] : nullptr);
    }
};

TEST_F(Scores, DeathsSuicidesAndStreaksAreCountedBesideTheKills) {
    kill(2, 1);
    kill(3, 1);
    kill(0, 1);
    EXPECT_EQ(3, players[1].get_kills());
    EXPECT_EQ(3, scoreboard.streak[1]);
    EXPECT_EQ(1, scoreboard.deaths[2]);
    kill(1, 2); // the streak ends with a death
    EXPECT_EQ(0, scoreboard.streak[1]);
    EXPECT_EQ(1, scoreboard.streak[2]);
    kill(2, 2); // a suicide: a death, no kill (the game takes one away), streak gone
    EXPECT_EQ(2, scoreboard.deaths[2]);
    EXPECT_EQ(1, scoreboard.suicides[2]);
    EXPECT_EQ(0, scoreboard.streak[2]);
    EXPECT_EQ(0, players[2].get_kills());
    kill(3, -1); // a fall or a barrel: nobody credited
    EXPECT_EQ(2, scoreboard.deaths[3]);
    EXPECT_EQ(0, scoreboard.suicides[3]);
    // A hit that does not kill counts nothing.
    players[0].health = 100;
    players[0].damage(10, NO_FORCE, &players[3]);
    EXPECT_EQ(0, scoreboard.streak[3]);
    EXPECT_EQ(1, scoreboard.deaths[0]);

    int slots[MAX_PLAYERS];
    ASSERT_EQ(4, scoreboard.order(slots));
    EXPECT_EQ(1, slots[0]) << "most kills first";
    // Players 0, 2 and 3 have no kills: slot order.
    EXPECT_EQ(0, slots[1]);
    EXPECT_EQ(2, slots[2]);
    EXPECT_EQ(3, slots[3]);
    scoreboard.init();
    EXPECT_EQ(0, scoreboard.deaths[2]);
}

TEST_F(Scores, TheTableShowsOnlyWhileTheKeyIsHeld_EvenOnceTheMatchIsDecided) {
    load_real_data();
    options = coptions();
    options.kills = 5;
    input.set(ctick_input{0, 0, 0, 0, false});
    EXPECT_FALSE(scoreboard.shown());
    input.set(ctick_input{1u << ACT_SCORES, 0, 0, 0, false});
    EXPECT_TRUE(scoreboard.shown());
    clear_to_color(bbuffer, 0);
    scoreboard.draw();
    EXPECT_NE(0, getpixel(bbuffer, 320, 45)) << "the table is drawn";
    EXPECT_EQ(0, getpixel(bbuffer, 320, 250)) << "and ends above the won and lost pictures";
    input.set(ctick_input{0, 0, 0, 0, false});
    players[3].kills = 5;
    ASSERT_NE(-1, game.winner());
    EXPECT_FALSE(scoreboard.shown()) << "a decided match shows only its result";
    input.set(ctick_input{1u << ACT_SCORES, 0, 0, 0, false});
    EXPECT_TRUE(scoreboard.shown());
    input.clear();
}

} // namespace
