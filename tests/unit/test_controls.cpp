// Rebinding: key names, swapping, the controls screen, and the options screen's new
// button sitting beside every old click without changing one.
#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "shell/controls.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/settings.h"
#include "support.h"
#include "world/map.h"

namespace {

class Controls : public ::testing::Test {
  protected:
    void SetUp() override {
        headless();
        options = coptions();
        controls = ccontrols();
        input.defaults();
        memset((void *)key, 0, KEY_MAX);
        mouse_b = mouse_x = mouse_y = 0;
        map.nm = 0;
        input.capture();
    }
    void TearDown() override { input.defaults(); }

    // One tick of the options screen (the controls screen takes it while open).
    void tick() {
        input.capture();
        options.update();
    }
    // Press and release the left button at (x, y), one tick each.
    void click(int x, int y) {
        mouse_x = x, mouse_y = y;
        tick();
        input_mouse_event(MOUSE_FLAG_LEFT_DOWN);
        mouse_b = 1;
        tick();
        input_mouse_event(MOUSE_FLAG_LEFT_UP);
        mouse_b = 0;
        tick();
    }
    void tap_key(int k) {
        input_key_event(k);
        input_key_event(k | 0x80);
        tick();
    }
    static int row_y(int r) { return CONTROLS_ROW_TOP + r * CONTROLS_ROW_STEP + 5; }
    static int row_of(int action) {
        for (int r = 0; r < CONTROLS_ROWS; r++)
            if (controls_row_action(r) == action) return r;
        return -1;
    }
    void open_controls() {
        options.init();
        click(185, 372);
        ASSERT_TRUE(controls.is_open());
    }
};

TEST_F(Controls, EveryBindableKeyAndButtonHasANameThatReadsBack) {
    for (int b = 1; b < KEY_MAX; b++) {
        ASSERT_NE(nullptr, binding_name(b)) << b;
        EXPECT_EQ(b, binding_by_name(binding_name(b))) << binding_name(b);
    }
    for (int b = BIND_MOUSE; b < BIND_MOUSE + 3; b++)
        EXPECT_EQ(b, binding_by_name(binding_name(b)));
    EXPECT_EQ(KEY_SPACE, binding_by_name("space"));
    EXPECT_EQ(BIND_NONE, binding_by_name("NONE"));
    EXPECT_EQ(-1, binding_by_name("SPACEBAR"));
    EXPECT_EQ(-1, binding_by_name(""));
    EXPECT_EQ(-1, binding_by_name(nullptr));
    EXPECT_EQ(nullptr, binding_name(KEY_MAX));
    EXPECT_EQ(nullptr, binding_name(BIND_MOUSE + 3));
    EXPECT_EQ(nullptr, binding_name(-5));
    EXPECT_FALSE(bindable(KEY_ESC));
    EXPECT_TRUE(bindable(BIND_NONE));
}

TEST_F(Controls, BindingAKeyInUseSwapsTheTwoNeverLeavingOneBoundTwice) {
    EXPECT_TRUE(input.bind(ACT_JUMP, KEY_D));
    EXPECT_EQ(KEY_D, input.binding[ACT_JUMP]);
    EXPECT_EQ(KEY_W, input.binding[ACT_RIGHT]) << "right takes jump's old key";
    EXPECT_TRUE(input.bind(ACT_FIRE, BIND_MOUSE + 1));
    EXPECT_EQ(BIND_MOUSE + 0, input.binding[ACT_GRENADE]);
    EXPECT_TRUE(input.bind(ACT_PAUSE, KEY_P)) << "binding the same key again changes nothing";
    EXPECT_EQ(KEY_P, input.binding[ACT_PAUSE]);
    // Unbound actions may share "nothing".
    EXPECT_TRUE(input.bind(ACT_RELOAD, BIND_NONE));
    EXPECT_EQ(BIND_NONE, input.binding[ACT_NEXT_WEAPON]);
    EXPECT_EQ(BIND_NONE, input.binding[ACT_RELOAD]);

    EXPECT_FALSE(input.bind(ACT_LEFT, KEY_ESC));
    EXPECT_FALSE(input.bind(ACT_LEFT, 4000));
    EXPECT_FALSE(input.bind(ACT_COUNT, KEY_Q));
    EXPECT_EQ(KEY_A, input.binding[ACT_LEFT]);

    for (int a = 0; a < ACT_COUNT; a++)
        for (int b = a + 1; b < ACT_COUNT; b++)
            if (input.binding[a] != BIND_NONE) {
                EXPECT_NE(input.binding[a], input.binding[b]);
            }

    input.defaults();
    EXPECT_EQ(KEY_P, input.binding[ACT_PAUSE]);
    EXPECT_EQ(KEY_TAB, input.binding[ACT_SCORES]);
}

TEST_F(Controls, ARowTakesTheNextKeyOrButtonAndEscapeCancels) {
    open_controls();
    click(300, row_y(row_of(ACT_JUMP)));
    EXPECT_EQ(row_of(ACT_JUMP), controls.get_waiting());
    tick();
    EXPECT_EQ(KEY_W, input.binding[ACT_JUMP]) << "the click on the row binds nothing";
    tap_key(KEY_SPACE);
    EXPECT_EQ(-1, controls.get_waiting());
    EXPECT_EQ(KEY_SPACE, input.binding[ACT_JUMP]);

    // Escape cancels and the key stays; the same Escape does not also leave.
    click(300, row_y(row_of(ACT_RELOAD)));
    key[KEY_ESC] = 1;
    input_key_event(KEY_ESC);
    tick();
    tick();
    key[KEY_ESC] = 0;
    tick();
    EXPECT_EQ(-1, controls.get_waiting());
    EXPECT_EQ(KEY_R, input.binding[ACT_RELOAD]);
    EXPECT_TRUE(controls.is_open());

    // A mouse button binds once the click on the row has come up; that press clicks
    // nothing else on the screen.
    click(300, row_y(row_of(ACT_RELOAD)));
    mouse_x = 300, mouse_y = row_y(row_of(ACT_FIRE));
    input_mouse_event(MOUSE_FLAG_MIDDLE_DOWN);
    tick();
    EXPECT_EQ(BIND_MOUSE + 2, input.binding[ACT_RELOAD]);
    click(300, row_y(row_of(ACT_GRENADE)));
    input_mouse_event(MOUSE_FLAG_LEFT_DOWN);
    mouse_b = 1;
    tick();
    EXPECT_EQ(BIND_MOUSE + 0, input.binding[ACT_GRENADE]);
    EXPECT_EQ(BIND_MOUSE + 1, input.binding[ACT_FIRE]) << "swapped";
    tick();
    EXPECT_EQ(-1, controls.get_waiting()) << "the held button picked no row";

    // Escape with no row waiting goes back to the options screen.
    mouse_b = 0;
    tick();
    key[KEY_ESC] = 1;
    tick();
    key[KEY_ESC] = 0;
    EXPECT_FALSE(controls.is_open());
}

TEST_F(Controls, DefaultsAskOnceMoreThenRestoreTodaysKeysAndBackLeaves) {
    open_controls();
    input.bind(ACT_LEFT, KEY_LEFT);
    input.bind(ACT_FIRE, KEY_SPACE);
    const int defaults_x = (CONTROLS_DEFAULTS_X1 + CONTROLS_DEFAULTS_X2) / 2;
    // The first click only asks; Escape, or a click anywhere else, takes the question back.
    click(defaults_x, 372);
    EXPECT_TRUE(controls.is_asking());
    EXPECT_EQ(KEY_LEFT, input.binding[ACT_LEFT]);
    tap_key(KEY_ESC);
    tick();
    EXPECT_FALSE(controls.is_asking());
    EXPECT_TRUE(controls.is_open()) << "Escape took back the question, not the screen";
    click(defaults_x, 372);
    click(50, 50);
    click(defaults_x, 372);
    EXPECT_EQ(KEY_LEFT, input.binding[ACT_LEFT]);
    click(defaults_x, 372);
    EXPECT_FALSE(controls.is_asking());
    cinput fresh;
    for (int a = 0; a < ACT_COUNT; a++)
        EXPECT_EQ(fresh.binding[a], input.binding[a]) << a;
    EXPECT_TRUE(controls.is_open());
    click(320, 372);
    EXPECT_FALSE(controls.is_open());
    EXPECT_FALSE(options.get_quit()) << "the same click does not leave the options screen";
    click(320, 372);
    EXPECT_TRUE(options.get_quit());
}

TEST_F(Controls, ASwapIsSaidOnScreenAndEscapeLeavesBothScreensOneAtATime) {
    open_controls();
    click(300, row_y(row_of(ACT_LEFT)));
    tap_key(KEY_D); // RIGHT's key: RIGHT takes LEFT's old A
    EXPECT_EQ("RIGHT IS NOW A", controls.get_said());
    click(300, row_y(row_of(ACT_JUMP)));
    EXPECT_EQ("", controls.get_said()) << "the next click clears it";
    tap_key(KEY_F9);

    // A quick tap of Escape closes the controls screen; the options screen stays until
    // a second one, then leaves as BACK does, taking a changed video choice with it.
    tap_key(KEY_ESC);
    EXPECT_FALSE(controls.is_open());
    tick();
    EXPECT_FALSE(options.get_quit());
    click(399, 256); // untick WINDOW
    tap_key(KEY_ESC);
    EXPECT_TRUE(options.get_quit());
    EXPECT_FALSE(options.window);
}

TEST_F(Controls, RebindingDrivesTheMatchActions) {
    input.bind(ACT_RIGHT, KEY_RIGHT);
    key[KEY_RIGHT] = 1;
    input.capture();
    EXPECT_TRUE(input.held(ACT_RIGHT));
    key[KEY_RIGHT] = 0;
    key[KEY_D] = 1;
    input.capture();
    EXPECT_FALSE(input.held(ACT_RIGHT));
    EXPECT_FALSE(input.held(ACT_LEFT));
}

// A picture of every setting the options screen edits.
static std::string settings_of(const coptions &o) {
    char s[200];
    snprintf(s, sizeof s, "%d %d %d %d %d %d %d %d %d %d%d%d%d%d%d %d%d %d", o.blood, o.bots,
             o.gametype, o.hair, o.kills, o.level, o.pants, o.shirt, o.skill, o.firerate, o.fps,
             o.grenades, o.health, o.heatseek, o.slowmotion, o.window_pending, o.scaled_pending,
             o.quit);
    return s;
}

TEST_F(Controls, TheControlsButtonOverlapsNoOtherClickOfTheOptionsScreen) {
    // Every pixel of the panel and the button row: a click opens the controls exactly
    // inside the new button, and there it changes no setting.
    coptions fresh;
    fresh.scaled_available = true;
    for (int y = 80; y < 400; y++)
        for (int x = 100; x < 540; x++) {
            options = fresh;
            options.init();
            controls = ccontrols();
            std::string before = settings_of(options);
            click(x, y);
            bool inside = x >= 120 && x <= 250 && y >= 362 && y <= 382;
            ASSERT_EQ(inside, controls.is_open()) << x << "," << y;
            if (inside) {
                ASSERT_EQ(before, settings_of(options)) << x << "," << y;
            }
        }
    controls = ccontrols();
}

// Bindings in settings.cfg: by key name, read back, bad names and doubles named.
class BindingFile : public Controls {
  protected:
    std::string dir, path;
    void SetUp() override {
        Controls::SetUp();
        char pattern[] = "/tmp/krag-bindings-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        path = dir + "/settings.cfg";
    }
    void TearDown() override {
        std::string cmd = "rm -rf " + dir;
        ASSERT_EQ(0, system(cmd.c_str()));
        settings_reset();
        Controls::TearDown();
    }
    std::string read_back() {
        std::string text;
        FILE *f = fopen(path.c_str(), "r");
        for (int c; f && (c = fgetc(f)) != EOF;)
            text += (char)c;
        if (f) fclose(f);
        return text;
    }
    std::string load(const char *text) {
        FILE *f = fopen(path.c_str(), "w");
        fputs(text, f);
        fclose(f);
        testing::internal::CaptureStderr();
        settings_load(path);
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(BindingFile, BindingsAreSavedByKeyNameAndReadBack) {
    std::string text = settings_file_text();
    EXPECT_NE(std::string::npos, text.find("key_left = A\n")) << text;
    EXPECT_NE(std::string::npos, text.find("key_fire = MOUSE1\n"));
    EXPECT_NE(std::string::npos, text.find("key_scores = TAB\n"));
    EXPECT_NE(std::string::npos, text.find("key_next_weapon = NONE\n"));

    input.bind(ACT_JUMP, KEY_SPACE);
    input.bind(ACT_FIRE, BIND_MOUSE + 1); // swaps with the grenade
    input.bind(ACT_PAUSE, KEY_F1);
    ASSERT_TRUE(settings_save(path));
    int saved[ACT_COUNT];
    memcpy(saved, input.binding, sizeof saved);
    input.defaults();
    std::string err = load(read_back().c_str());
    EXPECT_EQ(std::string::npos, err.find("key_")) << err;
    for (int a = 0; a < ACT_COUNT; a++)
        EXPECT_EQ(saved[a], input.binding[a]) << a;
}

TEST_F(BindingFile, AnUnknownKeyNameIsNamedWithItsLineAndOnlyThatActionKeepsItsDefault) {
    std::string err = load("key_jump = space\n"    // lower case is fine
                           "key_left = SPACEBAR\n" // 2: not a key name
                           "key_pause = ESCAPE\n"  // 3: reserved
                           "key_fire = mouse2\n"
                           "key_grenade = MOUSE1\n");
    EXPECT_NE(std::string::npos, err.find(path + ":2: key_left = SPACEBAR is not a key name"))
        << err;
    EXPECT_NE(std::string::npos, err.find("using the default A")) << err;
    EXPECT_NE(std::string::npos, err.find(path + ":3: key_pause = ESCAPE cannot be bound")) << err;
    EXPECT_EQ(KEY_SPACE, input.binding[ACT_JUMP]);
    EXPECT_EQ(KEY_A, input.binding[ACT_LEFT]);
    EXPECT_EQ(KEY_P, input.binding[ACT_PAUSE]);
    EXPECT_EQ(BIND_MOUSE + 1, input.binding[ACT_FIRE]);
    EXPECT_EQ(BIND_MOUSE + 0, input.binding[ACT_GRENADE]);
}

TEST_F(BindingFile, AKeyTheFileGivesTwiceIsNeverLeftDoingBoth) {
    // Both given: the later line is named and falls back.
    std::string err = load("key_jump = SPACE\n"
                           "key_right = SPACE\n");
    EXPECT_NE(std::string::npos,
              err.find(path + ":2: key_right = SPACE is already the key of key_jump; using D"))
        << err;
    EXPECT_EQ(KEY_SPACE, input.binding[ACT_JUMP]);
    EXPECT_EQ(KEY_D, input.binding[ACT_RIGHT]);

    // Only one given: it takes the key; the other goes to its default, or to nothing
    // when another action holds that.
    input.defaults();
    err = load("key_reload = W\n"
               "key_scores = D\n");
    EXPECT_EQ(KEY_W, input.binding[ACT_RELOAD]);
    EXPECT_EQ(BIND_NONE, input.binding[ACT_JUMP]) << "W is reload's now, R was reload's default";
    EXPECT_EQ(KEY_D, input.binding[ACT_SCORES]);
    EXPECT_EQ(BIND_NONE, input.binding[ACT_RIGHT]);
    EXPECT_NE(std::string::npos,
              err.find(path + ":1: key_reload = W takes the key of key_jump, which is now"))
        << err;
    for (int a = 0; a < ACT_COUNT; a++)
        EXPECT_EQ(-1, input.shares_binding(a)) << a;
}

} // namespace
