#include <algorithm>
#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "effects/rocket.h"
#include "match/game.h"
#include "match/hud.h"
#include "match/scoreboard.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/netview.h"
#include "shell/options.h"
#include "support.h"
#include "world/map.h"

namespace {

// A small playable map in a temporary folder, listed as the only map.
class MatchTest : public ::testing::Test {
  protected:
    char old_dir[4096];
    std::string dir;

    void SetUp() override {
        fresh_world();
        ASSERT_TRUE(getcwd(old_dir, sizeof old_dir));
        char tmpl[] = "/tmp/krag-match-XXXXXX";
        dir = mkdtemp(tmpl);
        mkdir((dir + "/krm").c_str(), 0755);
        mkdir((dir + "/bmp").c_str(), 0755);
        FILE *f = fopen((dir + "/krm/test.krm").c_str(), "w");
        fprintf(f, "640 480 10 20 30 40 50 60 0 0\n");
        for (int r = 0; r < 30; r++) {
            for (int c = 0; c < 40; c++) {
                char ch = '.';
                if (r == 29) ch = '|';
                if (r == 27 && c % 8 == 2) ch = 'C';
                fputc(ch, f);
            }
            fputc('\n', f);
        }
        fclose(f);
        ASSERT_EQ(0, chdir(dir.c_str()));
        map.load();
        ASSERT_EQ(1, map.get_nm());
    }
    void TearDown() override {
        game.quit();
        ASSERT_EQ(0, chdir(old_dir));
        std::string cmd = "rm -rf " + dir;
        ASSERT_EQ(0, system(cmd.c_str()));
    }
};

TEST_F(MatchTest, SetUpActivatesTheHumanAndTheConfiguredBotsAllWaitingToSpawn) {
    options.bots = 3;
    ASSERT_TRUE(game.init());
    for (int i = 0; i < MAX_PLAYERS; i++) EXPECT_EQ(i <= 3, players[i].get_active()) << i;
    for (int i = 0; i <= 3; i++) EXPECT_EQ(-500, players[i].get_health());
    EXPECT_FALSE(players[0].bot);
    EXPECT_TRUE(players[1].bot);
    EXPECT_EQ(1, hud.get_weapon(0));
    EXPECT_EQ(map.get_width() / 2 - 320, map.get_xs());
}

TEST_F(MatchTest, EverybodySpawnsAfterFiveHundredTicksAndTheSelectorOpensAt150) {
    options.bots = 1;
    ASSERT_TRUE(game.init());
    for (int t = 0; t < 150; t++) game.update();
    EXPECT_EQ(-350, players[0].get_health());
    EXPECT_EQ(-1, hud.get_weapon(0)); // selector open, previous choice 1 remembered
    for (int t = 150; t < 500; t++) game.update();
    EXPECT_EQ(0, players[0].get_health());
    game.update();
    EXPECT_EQ(100, players[0].get_health());
    EXPECT_EQ(100, players[1].get_health());
    EXPECT_EQ(1, hud.get_weapon(0)); // nobody pressed a key: the previous weapon again
}

TEST_F(MatchTest, SlowMotionMovesTheWorldOnEveryThirdTick) {
    options.bots = 1;
    ASSERT_TRUE(game.init());
    players[0].slowmotion = 1500;
    // Counter reads 1499, 1498, 1497, ...: the world moves on 1497, 1494, ...
    int moved_at[4], n = 0;
    for (int t = 0; t < 12 && n < 4; t++) {
        int before = players[1].health;
        game.update();
        if (players[1].health != before) moved_at[n++] = players[0].slowmotion;
    }
    ASSERT_EQ(4, n);
    EXPECT_EQ(1497, moved_at[0]);
    EXPECT_EQ(1494, moved_at[1]);
    EXPECT_EQ(1491, moved_at[2]);
    EXPECT_EQ(1488, moved_at[3]);
    players[0].slowmotion = 0;
    int before = players[1].health;
    game.update();
    game.update();
    EXPECT_EQ(before + 2, players[1].health);
}

TEST_F(MatchTest, TeamMatchWinnerAndTeamKills) {
    options.bots = 5;
    options.gametype = GT_TEAMMATCH;
    options.kills = 20;
    ASSERT_TRUE(game.init());
    // Team 0: human, bots 2 and 4; team 1: bots 1, 3, 5.
    players[0].kills = 10;
    players[2].kills = 5;
    players[4].kills = 4;
    players[1].kills = 10;
    players[3].kills = 5;
    players[5].kills = 5;
    EXPECT_EQ(19, game.teamkills(0));
    EXPECT_EQ(20, game.teamkills(1));
    EXPECT_EQ(1, game.winner());
}

TEST_F(MatchTest, DeathmatchWinnerIsTheFirstAtTheLimitAndStaysDecided) {
    options.bots = 3;
    options.kills = 5;
    ASSERT_TRUE(game.init());
    EXPECT_EQ(-1, game.winner());
    players[3].kills = 5;
    players[2].kills = 5;
    EXPECT_EQ(2, game.winner());
    // A late suicide takes the count off the limit, but the match stays decided.
    players[2].kills = 4;
    EXPECT_EQ(2, game.winner());
    game.quit();
    ASSERT_TRUE(game.init());
    EXPECT_EQ(-1, game.winner());
}

TEST_F(MatchTest, ShakeCountsDownOnWorldTicksAndDoesNotAddUp) {
    options.bots = 1;
    ASSERT_TRUE(game.init());
    game.shake();
    game.shake();
    EXPECT_EQ(64, game.shake_counter);
    for (int t = 0; t < 10; t++) game.update();
    EXPECT_EQ(54, game.shake_counter);
}

// ---- heads-up display ----

class HudTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fresh_world();
        set_map({std::string(40, '.'), std::string(40, '.')});
        players[0].init(0);
        players[1].init(1);
    }
};

TEST_F(HudTest, NumberKeysChooseTheWeaponWhileTheSelectorIsOpen) {
    hud.weapon[0] = 4;
    hud.select(0);
    EXPECT_EQ(-4, hud.get_weapon(0));
    EXPECT_EQ(MARKER_TICKS, hud.marker[0]);
    key[KEY_3] = 1;
    key[KEY_5] = 1;
    input.capture();
    take_input();
    hud.update();
    key[KEY_3] = key[KEY_5] = 0;
    input.capture();
    take_input();
    EXPECT_EQ(3, hud.get_weapon(0));
}

// Pointer on row n of the open choice, left button as given.
static void click_at(int x, int y, bool down) {
    input.set(ctick_input{0, x, y, down ? BUTTON_LEFT : 0, false});
    take_input();
    hud.update();
}

TEST_F(HudTest, ClickingARowChoosesItsWeaponButAHeldButtonDoesNot) {
    // Each row's picture (right end), name and key all choose; gaps and margins do not.
    for (int n = 1; n <= 8; n++) {
        int top = CHOICE_Y + 21 + (n - 1) * 21;
        EXPECT_EQ(n, choice_row_at(CHOICE_X + 160, top + 10)) << n;
        EXPECT_EQ(n, choice_row_at(CHOICE_X + 3, top)) << n;
        EXPECT_EQ(n, choice_row_at(CHOICE_X + 170, top + 19)) << n;
        EXPECT_EQ(0, choice_row_at(CHOICE_X + 160, top + 20)) << n; // the gap below
    }
    EXPECT_EQ(0, choice_row_at(CHOICE_X + 100, CHOICE_Y + 10)); // the title
    EXPECT_EQ(0, choice_row_at(CHOICE_X + 2, CHOICE_Y + 30));
    EXPECT_EQ(0, choice_row_at(CHOICE_X + 171, CHOICE_Y + 30));
    EXPECT_EQ(0, choice_row_at(CHOICE_X + 100, CHOICE_Y + 21 + 8 * 21));

    int shotgun_y = CHOICE_Y + 21 + 2 * 21 + 10;
    hud.weapon[0] = 4;
    hud.select(0);
    click_at(CHOICE_X + 160, shotgun_y, true); // still down from firing before death
    EXPECT_EQ(-4, hud.get_weapon(0));
    click_at(CHOICE_X + 160, shotgun_y, false);
    click_at(CHOICE_X + 50, CHOICE_Y + 5, true); // the title: nothing
    EXPECT_EQ(-4, hud.get_weapon(0));
    click_at(CHOICE_X + 50, CHOICE_Y + 5, false);
    click_at(CHOICE_X + 160, shotgun_y, true);
    EXPECT_EQ(3, hud.get_weapon(0));
    input.clear();
}

TEST_F(HudTest, NoKeyByTheRespawnTickKeepsThePreviousWeapon) {
    hud.weapon[0] = 4;
    hud.select(0);
    players[0].health = -1;
    hud.update();
    EXPECT_EQ(-4, hud.get_weapon(0));
    players[0].health = 0;
    hud.update();
    EXPECT_EQ(4, hud.get_weapon(0));
}

TEST_F(HudTest, FixedWeaponGameTypesNeverOpenTheSelector) {
    options.gametype = GT_RPG_ARENA;
    hud.select(0);
    EXPECT_EQ(W_ROCKET, hud.get_weapon(0));
    options.gametype = GT_INSTAGIB;
    hud.select(0);
    EXPECT_EQ(W_LASER, hud.get_weapon(0));
}

TEST_F(HudTest, KillBarGrowsByTheIntegerShareOfTheLimit) {
    place_player(0, 100, 0, false);
    options.kills = 7;
    players[0].kills = 6;
    hud.update();
    EXPECT_EQ(84, hud.killbar[0]);
    options.kills = 20;
    players[0].kills = 20 - 1;
    hud.update();
    EXPECT_EQ(95, hud.killbar[0]);
    // Team match counts the team's kills.
    options.gametype = GT_TEAMMATCH;
    place_player(2, 200, 0, true, 0);
    players[0].kills = 2;
    players[2].kills = 3;
    hud.update();
    EXPECT_EQ(25, hud.killbar[0]);
}

TEST_F(HudTest, MarkerCountsDownOnlyWhileTheHumanIsAlive) {
    hud.marker[0] = 2;
    hud.update(); // dead: no change
    EXPECT_EQ(2, hud.marker[0]);
    place_player(0, 100, 0, false);
    hud.update();
    hud.update();
    hud.update();
    EXPECT_EQ(0, hud.marker[0]);
}

TEST_F(HudTest, MarkMeAlwaysKeepsTheMarkerOverTheHumanAllMatch) {
    load_real_data();
    place_player(0, 100, 100, false);
    int x = 100 + 3, y = 100 - 15; // camera at 0, 0
    // The indicator's first opaque pixel on its second row.
    int ix = 0;
    while (ix < bindicator->w && getpixel(bindicator, ix, 1) == makecol(255, 0, 255)) ix++;
    ASSERT_LT(ix, bindicator->w);
    int mark = getpixel(bindicator, ix, 1);
    hud.marker[0] = 0;
    clear_to_color(bbuffer, rgb(1, 2, 3));
    hud.draw();
    EXPECT_NE(mark, getpixel(bbuffer, x + ix, y + 1)) << "spawn only: the marker has gone";
    options.markme = MARK_ALWAYS;
    hud.draw();
    EXPECT_EQ(mark, getpixel(bbuffer, x + ix, y + 1)) << "always: still shown";
    players[0].health = -100;
    clear_to_color(bbuffer, rgb(1, 2, 3));
    hud.draw();
    EXPECT_NE(mark, getpixel(bbuffer, x + ix, y + 1)) << "not over a dead human";
    options.markme = MARK_SPAWN;
}

TEST_F(HudTest, DrawsTheBarsWhileAliveAndTheResultOnceDecided) {
    load_real_data();
    place_player(0, 100, 0, false);
    players[0].health = 50;
    players[0].grenades = 2;
    clear_to_color(bbuffer, rgb(1, 2, 3));
    hud.draw();
    // Health columns fill x 101..150 and stop there.
    EXPECT_EQ(getpixel(bhealth, 0, 0), getpixel(bbuffer, 101, 14));
    EXPECT_EQ(getpixel(bhealth, 0, 0), getpixel(bbuffer, 150, 14));
    EXPECT_NE(getpixel(bhealth, 0, 0), getpixel(bbuffer, 151 + 20, 14));

    // The crosshair's centre pixel sits on the pointer, whatever its size.
    mouse_x = 300;
    mouse_y = 200;
    input.capture(); // the HUD aims where this tick's input does
    clear_to_color(bbuffer, rgb(1, 2, 3));
    hud.draw();
    int cw = bcrosshair->w, ch = bcrosshair->h;
    EXPECT_EQ(getpixel(bcrosshair, cw / 2, ch / 2), getpixel(bbuffer, 300, 200));
    for (int y = 0; y < ch; y++)
        for (int x = 0; x < cw; x++) {
            int c = getpixel(bcrosshair, x, y);
            if (c != makecol(255, 0, 255)) {
                EXPECT_EQ(c, getpixel(bbuffer, 300 - cw / 2 + x, 200 - ch / 2 + y)) << x << "," << y;
            }
        }
    mouse_x = mouse_y = 0;

    options.kills = 1;
    players[0].kills = 1;
    clear_to_color(bbuffer, rgb(1, 2, 3));
    hud.draw();
    EXPECT_EQ(getpixel(bwon, bwon->w / 2, bwon->h / 2),
              getpixel(bbuffer, 226 + bwon->w / 2, 230 + bwon->h / 2));
}

// A full table of six reaches down over the weapon choice; holding the scoreboard key
// while choosing must leave every pixel of the choice as it is.
TEST_F(HudTest, TheScoreboardNeverCoversTheWeaponChoice) {
    load_real_data();
    options.bots = 5;
    for (int i = 2; i < MAX_PLAYERS; i++) players[i].init(i);
    players[0].health = -1;
    hud.weapon[0] = 4;
    hud.select(0);
    BITMAP *without = create_bitmap(640, 480);
    for (bool tab : {false, true}) {
        input.set(ctick_input{tab ? 1u << ACT_SCORES : 0u, 0, 0, 0, false});
        clear_to_color(bbuffer, rgb(1, 2, 3));
        game.draw_world();
        if (!tab) blit(bbuffer, without, 0, 0, 0, 0, 640, 480);
    }
    EXPECT_NE(getpixel(without, 120, 50), getpixel(bbuffer, 120, 50)); // the table is up
    for (int y = 0; y < bweapons->h; y++)
        for (int x = 0; x < bweapons->w; x++)
            if (getpixel(bweapons, x, y) != makecol(255, 0, 255)) {
                ASSERT_EQ(getpixel(without, CHOICE_X + x, CHOICE_Y + y),
                          getpixel(bbuffer, CHOICE_X + x, CHOICE_Y + y))
                    << x << "," << y;
            }
    destroy_bitmap(without);
    input.clear();
}

} // namespace

// The brightest red level in a back-buffer region (0 when nothing is drawn there).
static int brightest(int x1, int y1, int x2, int y2) {
    int most = 0;
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++) most = std::max(most, getr(getpixel(bbuffer, x, y)));
    return most;
}

// Network matches: a human's name in the table, cut short of the team column; the kill
// feed says who killed whom with what, newest on top, and fades out.
TEST_F(HudTest, NetworkNamesShowInTheTableAndTheKillFeed) {
    load_real_data();
    options.gametype = GT_TEAMMATCH;
    scoreboard_name(1, "ABCDEFGHIJKLMNO");
    clear_to_color(bbuffer, 0);
    scoreboard.draw();
    int row1 = 40 + 16 + 20 + 7; // slot 1's row: equal kills keep slot order
    EXPECT_EQ(255, brightest(142, row1, 253, row1 + 7)) << "the name, 14 characters";
    EXPECT_GT(64, brightest(254, row1, 261, row1 + 7)) << "clear of the team column";
    EXPECT_EQ(255, brightest(262, row1, 300, row1 + 7)) << "its team";
    scoreboard_names_clear();
    options.gametype = GT_DEATHMATCH;

    std::string names[MAX_PLAYERS] = {"ANN", "", "BOB"};
    EXPECT_EQ("ANN  SHOTGUN  BOT 1", kill_line({10, 0, 1, W_SHOTGUN}, names));
    EXPECT_EQ("BOB  SUICIDE", kill_line({10, 2, 2, W_ROCKET}, names));
    EXPECT_EQ("BOT 1  DIED", kill_line({10, -1, 1, -1}, names));
    EXPECT_EQ("BOT 1  KILLED  ANN", kill_line({10, 1, 0, 0}, names));

    ckillfeed feed;
    for (int i = 0; i < FEED_LINES + 2; i++) {
        feed.add("KILL " + std::to_string(i));
        feed.update();
    }
    EXPECT_EQ("KILL 6", feed.text[0]);
    EXPECT_EQ("KILL 2", feed.text[FEED_LINES - 1]);
    clear_to_color(bbuffer, 0);
    feed.draw(632, 38);
    EXPECT_EQ(255, brightest(560, 38, 632, 45)) << "the newest line";
    while (feed.age[0] < FEED_TICKS - FEED_FADE_TICKS / 2) feed.update();
    clear_to_color(bbuffer, 0);
    feed.draw(632, 38);
    int faded = brightest(560, 38, 632, 45);
    EXPECT_GT(faded, 64);
    EXPECT_LT(faded, 200);
    for (int t = 0; t < FEED_TICKS; t++) feed.update();
    for (const std::string &line : feed.text) EXPECT_EQ("", line) << "all gone";
}
