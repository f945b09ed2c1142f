// Spawning, damage and kill credit, the human's controls and the drawn body.
#include <allegro.h>
#include <cmath>
#include <gtest/gtest.h>

#include "effects/grenade.h"
#include "effects/smoke.h"
#include "match/game.h"
#include "match/hud.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "support.h"
#include "weapons/weapon.h"
#include "world/map.h"

static const std::vector<std::string> FLAT = {
    "....................", "....................", "......A.............", "....................",
    "....................", "....................", "aaaaaaaaaaaaaaaaaaaa",
};

template <class T, int N> static int count_active(T (&pool)[N]) {
    int n = 0;
    for (int i = 0; i < N; i++)
        n += pool[i].get_active();
    return n;
}

static void release_input() {
    memset((void *)key, 0, KEY_MAX);
    mouse_b = 0;
    mouse_x = mouse_y = 0;
    input.capture();
    take_input();
}

TEST(PlayerLife, WaitsFiveSecondsThenSpawnsArmedAtASpawnPoint) {
    fresh_world();
    set_map(FLAT);
    release_input();
    cplayer *human = players[0].init(0);
    srand(3);
    cplayer *bot = players[1].init(1);
    for (int i = 0; i < 150; i++) {
        human->update();
        bot->update();
    }
    EXPECT_EQ(human->health, -350);
    EXPECT_EQ(hud.weapon[0], -1); // the weapon choice opened
    hud.weapon[0] = 4;
    for (int i = 0; i < 349; i++) {
        human->update();
        bot->update();
    }
    human->update();
    bot->update();
    EXPECT_EQ(human->health, 0); // due: the next tick brings it in
    EXPECT_EQ(human->weapon, nullptr);
    human->update();
    bot->update();
    EXPECT_GT(human->health, 0);
    ASSERT_NE(human->weapon, nullptr);
    EXPECT_EQ(human->weapon->get_type(), 4);
    EXPECT_EQ((int)human->x, 6 * 16);
    EXPECT_EQ(human->grenades, 3);
    EXPECT_EQ(human->spawn_protection, 349);
    EXPECT_GE(count_active(smoke), 100); // two puffs of 50
    ASSERT_NE(bot->weapon, nullptr);
    EXPECT_GE(bot->weapon->get_type(), 1);
    EXPECT_LE(bot->weapon->get_type(), 8);

    // The arena types hand every bot the same weapon.
    for (int type : {GT_RPG_ARENA, GT_INSTAGIB}) {
        fresh_world();
        set_map(FLAT);
        options.gametype = type;
        bot = players[1].init(1);
        bot->health = 0;
        bot->update();
        ASSERT_NE(bot->weapon, nullptr);
        EXPECT_EQ(bot->weapon->get_type(), type == GT_RPG_ARENA ? W_ROCKET : W_LASER);
    }
}

TEST(PlayerLife, AMapWithoutSpawnPointsOrAPlayerWithoutWeaponDoesNotCrash) {
    fresh_world();
    set_map({"....", "aaaa"}); // no spawn letter
    cplayer *p = place_player(1, 20, 0);
    p->health = 0;
    p->update();
    EXPECT_EQ(p->x, 20); // stays where it was
    EXPECT_EQ(p->health, 100);
    p->drop_weapon();
    EXPECT_EQ(p->get_ammo(), 0);
    p->shoot();
    p->update();
}

// Bots dressed by seed s for a human in (pants, shirt); returns the next random number.
static int dress_bots(unsigned s, int pants, int shirt, int out[6][2]) {
    options.pants = pants;
    options.shirt = shirt;
    srand(s);
    for (int i = 1; i <= 5; i++) {
        players[i].init(i);
        out[i][0] = players[i].pants;
        out[i][1] = players[i].shirt;
    }
    return rand();
}

TEST(PlayerLife, NoBotWearsTheHumansOutfitAndNoRandomNumberMoves) {
    fresh_world();
    set_map(FLAT);
    int free_run[6][2], dressed[6][2];
    int clashes = 0;
    for (unsigned s = 1; s <= 100; s++) {
        // Blue on blue is a pair no bot draws: the plain draws, for comparison.
        int next = dress_bots(s, 0, 0, free_run);
        for (int pants = 0; pants < 3; pants++)
            for (int shirt = 0; shirt < 3; shirt++) {
                EXPECT_EQ(next, dress_bots(s, pants, shirt, dressed)) << s;
                for (int i = 1; i <= 5; i++) {
                    int p = free_run[i][0], q = free_run[i][1];
                    if (p == pants && q == shirt) {
                        clashes++;
                        next_outfit(p, q);
                    }
                    EXPECT_EQ(p, dressed[i][0]) << s << " bot " << i;
                    EXPECT_EQ(q, dressed[i][1]) << s << " bot " << i;
                    EXPECT_FALSE(dressed[i][0] == pants && dressed[i][1] == shirt);
                }
            }
    }
    EXPECT_GT(clashes, 100); // the rule was put to work

    // The round visits all six pairs a bot can draw.
    int p = 0, q = 1;
    for (int i = 0; i < 6; i++) {
        EXPECT_NE(p, q);
        next_outfit(p, q);
    }
    EXPECT_EQ(0, p);
    EXPECT_EQ(1, q);

    // A team match keeps the team colours, even the human's blue on a blue bot.
    options.gametype = GT_TEAMMATCH;
    dress_bots(7, 0, 2, dressed);
    for (int i = 1; i <= 5; i++) {
        EXPECT_EQ((i & 1) ? 2 : 0, dressed[i][0]);
        EXPECT_EQ((i & 1) ? 2 : 0, dressed[i][1]);
    }
    options = coptions();
}

TEST(PlayerLife, ABlowOfTheRemainingHealthKillsOneLessBleeds) {
    load_real_data();
    fresh_world();
    set_map(FLAT);
    cplayer *p = place_player(1, 100, 68);
    p->damage(99, NO_FORCE, nullptr);
    EXPECT_EQ(p->health, 1);
    EXPECT_EQ(count_active(blood), 5);
    EXPECT_EQ(count_active(flesh), 0);
    EXPECT_TRUE(sound_log().empty()); // hits are silent

    p->damage(1, NO_FORCE, nullptr);
    EXPECT_EQ(p->health, -500);
    EXPECT_EQ(count_active(flesh), 10);
    ASSERT_EQ(sound_log().size(), 1u);
    EXPECT_EQ(sound_log()[0].sample, sblood[0]);
    EXPECT_EQ(sound_log()[0].volume, 255);

    // Off screen, during the human's slow motion.
    place_player(0, 0, 0, false);
    players[0].slowmotion = 100;
    p = place_player(2, 900, 68);
    sound_log_clear();
    p->damage(100, 0.0f, nullptr);
    ASSERT_EQ(sound_log().size(), 1u);
    EXPECT_EQ(sound_log()[0].sample, sblood[1]);
    EXPECT_EQ(sound_log()[0].volume, 64);
}

TEST(PlayerLife, SpawnProtectionHoldsUntilThePlayerFires) {
    fresh_world();
    set_map(FLAT);
    cplayer *p = place_player(1, 100, 68);
    p->weapon = make_weapon(W_GUN, p);
    p->spawn_protection = 350;
    p->damage(100, NO_FORCE, &players[2]);
    EXPECT_EQ(p->health, 100);
    p->shoot();
    EXPECT_EQ(p->spawn_protection, 0);
    p->damage(40, NO_FORCE, &players[2]);
    EXPECT_EQ(p->health, 60);
}

TEST(PlayerLife, KillCreditTeamRuleAndSuicide) {
    fresh_world();
    set_map(FLAT);
    options.gametype = GT_TEAMMATCH;
    cplayer *a = place_player(1, 50, 68, true, 1);
    cplayer *mate = place_player(3, 80, 68, true, 1);
    cplayer *enemy = place_player(2, 120, 68, true, 0);

    a->damage(100, NO_FORCE, mate); // a team-mate's rocket does no harm
    EXPECT_EQ(a->health, 100);
    a->damage(30, NO_FORCE, a); // one's own does
    EXPECT_EQ(a->health, 70);
    a->damage(70, NO_FORCE, enemy);
    EXPECT_EQ(enemy->kills, 1);
    EXPECT_EQ(a->health, -500);

    // Killing oneself costs a kill, never going below 0.
    mate->kills = 1;
    mate->damage(100, NO_FORCE, mate);
    EXPECT_EQ(mate->kills, 0);
    mate->health = 100;
    mate->damage(100, NO_FORCE, mate);
    EXPECT_EQ(mate->kills, 0);

    // Outside the team match the same blow counts.
    fresh_world();
    set_map(FLAT);
    a = place_player(1, 50, 68, true, 1);
    mate = place_player(3, 80, 68, true, 1);
    a->damage(100, NO_FORCE, mate);
    EXPECT_EQ(mate->kills, 1);
}

TEST(PlayerLife, TheDecidingKillSlowsTheWorldForTheHuman) {
    fresh_world();
    set_map(FLAT);
    options.kills = 2;
    place_player(0, 10, 68, false);
    cplayer *killer = place_player(1, 50, 68);
    cplayer *victim = place_player(2, 90, 68);
    victim->slowmotion = 300;
    victim->damage(100, NO_FORCE, killer); // 1 of 2: not decided, the victim loses its slow motion
    EXPECT_EQ(victim->slowmotion, 0);
    EXPECT_EQ(players[0].slowmotion, 0);
    victim->health = 100;
    victim->damage(100, NO_FORCE, killer);
    EXPECT_EQ(game.winner(), 1);
    EXPECT_GE(players[0].slowmotion, 1499); // the death sound counts it down once

    // Losing the match: the human's own death plays out slowly all the same.
    fresh_world();
    set_map(FLAT);
    options.kills = 1;
    cplayer *human = place_player(0, 10, 68, false);
    human->damage(100, NO_FORCE, place_player(1, 50, 68));
    EXPECT_GE(human->slowmotion, 1499);
}

TEST(PlayerLife, PowerUpEffects) {
    fresh_world();
    cplayer *p = place_player(1, 0, 0);
    p->health = 90;
    p->grenades = 4;
    p->firerate_timer = 100;
    p->reaction = 50;
    p->powerup(PU_HEALTH);
    p->powerup(PU_GRENADES);
    p->powerup(PU_FIRERATE);
    p->powerup(PU_HEATSEEK);
    p->powerup(PU_SLOWMOTION);
    EXPECT_EQ(p->health, 100);
    EXPECT_EQ(p->grenades, 5);
    EXPECT_EQ(p->firerate_timer, 750); // restarted, not added
    EXPECT_EQ(p->heatseek_timer, 750);
    EXPECT_EQ(p->slowmotion, 500);
    EXPECT_EQ(p->reaction, 0);
    cplayer *human = place_player(0, 0, 0, false);
    human->powerup(PU_SLOWMOTION);
    EXPECT_EQ(human->slowmotion, 1500);
    EXPECT_EQ(human->get_slowmotion(), 1499);
    human->slowmotion = 0;
    EXPECT_EQ(human->get_slowmotion(), 0);
}

TEST(HumanControl, KeysAndButtons) {
    fresh_world();
    set_map(FLAT);
    release_input();
    cplayer *p = place_player(0, 100, 68, false);
    p->weapon = make_weapon(W_GUN, p);

    key[KEY_A] = key[KEY_D] = 1;
    input.capture();
    take_input();
    p->player_move();
    EXPECT_EQ(p->vx, 1);
    release_input();

    // Both buttons: the grenade charges, the gun stays quiet.
    mouse_b = 3;
    input.capture();
    take_input();
    for (int i = 0; i < 10; i++)
        p->player_shoot();
    EXPECT_FALSE(p->weapon->trigger);
    EXPECT_NEAR(p->throw_power, 1.0f, 0.001f);
    // Letting go of the right button fires and throws in the same tick.
    mouse_b = 1;
    input.capture();
    take_input();
    p->player_shoot();
    EXPECT_TRUE(p->weapon->trigger);
    EXPECT_EQ(p->grenades, 2);
    EXPECT_EQ(p->throw_power, 0);
    EXPECT_EQ(count_active(grenades1), 1);

    // The charge tops out just above 6.
    mouse_b = 2;
    input.capture();
    take_input();
    for (int i = 0; i < 100; i++)
        p->player_shoot();
    EXPECT_GT(p->throw_power, 6.0f);
    EXPECT_LT(p->throw_power, 6.15f);

    // No grenades left: nothing to charge or throw.
    fresh_world();
    set_map(FLAT);
    p = place_player(0, 100, 68, false);
    p->grenades = 0;
    mouse_b = 2;
    input.capture();
    take_input();
    p->player_shoot();
    mouse_b = 0;
    input.capture();
    take_input();
    p->player_shoot();
    EXPECT_EQ(p->throw_power, 0);
    EXPECT_EQ(count_active(grenades1), 0);

    p->weapon = make_weapon(W_MACHINE_GUN, p);
    p->weapon->ammo = 10;
    key[KEY_R] = 1;
    input.capture();
    take_input();
    p->player_shoot();
    EXPECT_TRUE(p->weapon->get_reloading());
    release_input();
}

TEST(HumanControl, AimFollowsThePointerInTheDoubledWindow) {
    fresh_world();
    set_map(FLAT);
    release_input();
    options.is_scaled = true;
    cplayer *p = place_player(0, 100, 68, false);
    mouse_x = 1279;
    mouse_y = 959;
    input.capture();
    take_input();
    p->player_shoot();
    EXPECT_FLOAT_EQ(p->angle, (float)atan2(479.0 - 68 - 8, 639.0 - 100 - 7));
    release_input();
}

TEST(HumanControl, TheCameraFollowsTheLocalSlotAndStopsAtTheMapEdges) {
    fresh_world();
    set_map(std::vector<std::string>(60, std::string(80, '.'))); // 1280 x 960
    place_player(0, 640, 480, false)->player_screen();
    game.local = 3;
    cplayer *p = place_player(3, 100, 100, false);
    struct {
        float x, y;
        int camx, camy;
    } cases[] = {{100, 100, 0, 0}, {600.5f, 500.5f, 287, 274}, {1270, 930, 640, 480}};
    for (auto &c : cases) {
        p->x = c.x;
        p->y = c.y;
        p->player_screen();
        game.follow();
        EXPECT_EQ(map.get_xs(), c.camx);
        EXPECT_EQ(map.get_ys(), c.camy);
    }
}

// Every non-transparent pixel of the sprite's first rows shows at (x, y), mirrored if
// asked; -1 when those rows are all transparent.
static int mismatches(BITMAP *sprite, int x, int y, bool flipped, int rows) {
    int bad = 0, seen = 0;
    int mask = bitmap_mask_color(sprite);
    for (int j = 0; j < rows && j < sprite->h; j++)
        for (int i = 0; i < sprite->w; i++) {
            int c = getpixel(sprite, flipped ? sprite->w - 1 - i : i, j);
            if (c == mask) continue;
            seen++;
            if (getpixel(bbuffer, x + i, y + j) != c) bad++;
        }
    return seen ? bad : -1;
}

TEST(PlayerDraw, HeadBodyAndLegsLandOnTheirPixels) {
    load_real_data();
    fresh_world();
    set_map(FLAT);
    map.set_screen(20, 10);
    cplayer *p = place_player(1, 100.7f, 50.2f);
    p->hair = 2;
    p->shirt = 1;
    p->pants = 0;
    p->leg_counter = 395; // frame 3
    int sx = 100 - 20, sy = 50 - 10;
    clear_to_color(bbuffer, rgb(1, 2, 3));
    p->draw();
    // The arms cover the body's middle; the head's top rows and the legs' lower half
    // are clear of them.
    EXPECT_EQ(mismatches(bhead[2], sx + 5, sy, false, 5), 0);
    EXPECT_EQ(mismatches(bbody[1], sx + 3, sy + 6, false, 1), 0);
    EXPECT_EQ(mismatches(blegs[2], sx - 3, sy + 16, false, blegs[2]->h), 0);

    clear_to_color(bbuffer, rgb(1, 2, 3));
    p->angle = 3.14f;
    p->leg_counter = 495; // frame 4
    p->draw();
    EXPECT_EQ(mismatches(bhead[2], sx + 4, sy, true, 5), 0);
    EXPECT_EQ(mismatches(blegs[3], sx - 1, sy + 16, true, blegs[3]->h), 0);

    // The dead are not drawn.
    clear_to_color(bbuffer, rgb(1, 2, 3));
    p->health = -20;
    p->draw();
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            ASSERT_EQ(getpixel(bbuffer, x, y), rgb(1, 2, 3));
}
