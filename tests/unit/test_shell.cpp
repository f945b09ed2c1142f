// The shell: menu and options clicks, credits fade, the frame loop, asset loading and
// the sound seam, all without a display or a sound card.
#include <allegro.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "shell/credits.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "net/netmatch.h"
#include "shell/network.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "shell/sound.h"
#include "support.h"
#include "world/map.h"

namespace fs = std::filesystem;

// A fresh press at back-buffer position (x, y) after the button was up, on a screen
// that has just been entered (latch armed).
template <class S> static void press_at(S &screen, int x, int y) {
    mouse_b = 0;
    input.capture();
    screen.update();
    mouse_x = x * options.scaled();
    mouse_y = y * options.scaled();
    mouse_b = 1;
    input.capture();
    screen.update();
    mouse_b = 0;
    input.capture();
    screen.update();
}

static int menu_click(int x, int y) {
    menu.init();
    press_at(menu, x, y);
    return menu.get_choice();
}

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        headless();
        options = coptions();
        menu = cmenu();
        mouse_x = mouse_y = mouse_b = 0;
        key[KEY_ESC] = 0;
        map.nm = 0;
    }
};

TEST_F(Shell, MenuButtonsHitOnlyInsideTheirRectangles) {
    EXPECT_EQ(CHOICE_PLAY, menu_click(260, 183));
    EXPECT_EQ(CHOICE_PLAY, menu_click(379, 203));
    EXPECT_EQ(CHOICE_NETWORK, menu_click(300, 214));
    EXPECT_EQ(CHOICE_OPTIONS, menu_click(300, 254));
    EXPECT_EQ(CHOICE_CREDITS, menu_click(300, 296));
    EXPECT_EQ(CHOICE_QUIT, menu_click(300, 327));
    EXPECT_EQ(CHOICE_MENU, menu_click(380, 183));
    EXPECT_EQ(CHOICE_MENU, menu_click(259, 183));
    EXPECT_EQ(CHOICE_MENU, menu_click(260, 204));
    for (int y = 205; y <= 213; y++) EXPECT_EQ(CHOICE_MENU, menu_click(300, y)) << "y " << y;
    EXPECT_EQ(CHOICE_MENU, menu_click(300, 328));
}

TEST_F(Shell, MenuIgnoresAButtonHeldWhenItOpens) {
    menu.init();
    mouse_x = 300, mouse_y = 190, mouse_b = 1;
    for (int i = 0; i < 10; i++) { input.capture(); menu.update(); }
    EXPECT_EQ(CHOICE_MENU, menu.get_choice());
    mouse_b = 0;
    input.capture();
    menu.update();
    mouse_b = 1;
    input.capture();
    menu.update();
    EXPECT_EQ(CHOICE_PLAY, menu.get_choice());
}

TEST_F(Shell, DoubledWindowHalvesThePointer) {
    options.is_scaled = true;
    menu.init();
    mouse_b = 0;
    input.capture();
    menu.update();
    mouse_x = 520, mouse_y = 366, mouse_b = 1;
    input.capture();
    menu.update();
    EXPECT_EQ(CHOICE_PLAY, menu.get_choice());
    EXPECT_EQ(260, pointer_x());
    EXPECT_EQ(183, pointer_y());
}

// One arrow pair of the options screen: the setting, its column and the y of the arrow
// that raises and of the one that lowers it.
struct arrow_pair {
    const char *name;
    int coptions::*value;
    int x, y_up, y_down, lo, hi;
};

TEST_F(Shell, OptionArrowsStopAtBothEndsOfTheirRange) {
    const arrow_pair pairs[] = {
        {"markme", &coptions::markme, 243, 119, 109, 0, 1},
        {"gametype", &coptions::gametype, 234, 165, 155, 0, 3},
        {"kills", &coptions::kills, 243, 201, 211, 1, 25},
        {"bots", &coptions::bots, 238, 247, 257, 1, 5},
        {"skill", &coptions::skill, 238, 303, 293, 0, 2},
        {"hair", &coptions::hair, 361, 155, 165, 0, 2},
        {"shirt", &coptions::shirt, 370, 201, 211, 0, 2},
        {"pants", &coptions::pants, 365, 247, 257, 0, 2},
        {"delay", &coptions::delay, 505, 154, 164, 0, 4},
    };
    for (const arrow_pair &p : pairs) {
        SCOPED_TRACE(p.name);
        options.init();
        options.*p.value = p.hi;
        press_at(options, p.x, p.y_up);
        EXPECT_EQ(p.hi, options.*p.value);
        press_at(options, p.x, p.y_down);
        EXPECT_EQ(p.hi - 1, options.*p.value);
        options.*p.value = p.lo;
        press_at(options, p.x, p.y_down);
        EXPECT_EQ(p.lo, options.*p.value);
        press_at(options, p.x, p.y_up);
        EXPECT_EQ(p.lo + 1, options.*p.value);
    }
}

// The name field takes what is typed; Enter or a click elsewhere keeps it (made usable),
// Escape puts the old name back and does not leave the screen.
TEST_F(Shell, ThePlayerNameIsTypedIntoItsField) {
    auto type = [](const std::string &t) {
        input.capture();
        input.set_typed(t);
        options.update();
        input.set_typed("");
    };
    options.name = "old";
    options.init();
    press_at(options, 450, 118);
    type("\b\bx  Ann\x01" "e  1234567890123");
    type("\r");
    EXPECT_EQ("ox  Anne  12345", options.name);
    press_at(options, 450, 118);
    type("\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b  ");
    press_at(options, 300, 20); // elsewhere
    EXPECT_EQ("PLAYER", options.name);
    press_at(options, 450, 118);
    type("zz");
    key[KEY_ESC] = 1;
    type(std::string(1, 27));
    key[KEY_ESC] = 0;
    type("q");
    EXPECT_EQ("PLAYER", options.name);
    EXPECT_FALSE(options.get_quit());
}

// Joining an address where nothing answers ends in the lobby after a while, named.
TEST_F(Shell, TheLobbyGivesUpOnAHostThatNeverAnswers) {
    cnetmatch m;
    std::string why;
    ASSERT_TRUE(m.join("127.0.0.1:9", "ann", why)) << why;
    lobby.init(m);
    int ticks = 0;
    for (; ticks <= 2 * NET_ANSWER_TICKS && !lobby.leave; ticks++) {
        input.capture();
        lobby.update();
    }
    EXPECT_TRUE(lobby.no_answer);
    EXPECT_EQ(NET_ANSWER_TICKS + 1, ticks);
    m.leave();
}

// Everything a click on the options screen can change, the marker setting aside.
static std::string clickable_state(const coptions &o) {
    char s[256];
    snprintf(s, sizeof s, "%d %d %d %d %d %d %d %d %d %d%d%d%d%d%d%d%d%d%d %d", o.blood, o.bots,
             o.gametype, o.hair, o.kills, o.level, o.pants, o.shirt, o.skill, o.firerate, o.fps,
             o.grenades, o.health, o.heatseek, o.scaled_pending, o.is_scaled, o.slowmotion,
             o.window_pending, o.window, o.quit);
    return s + std::string(o.mapname);
}

TEST_F(Shell, MarkMeArrowsTakeNoClickFromAnyOtherControl) {
    // A click on every pixel of the screen: the marker's arrows change the marker and
    // nothing else; no other pixel changes the marker.
    options.enable_scaled(true);
    const std::string untouched = clickable_state(coptions());
    int marker_pixels = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            options = coptions();
            options.enable_scaled(true);
            options.markme = MARK_ALWAYS;
            options.init();
            press_at(options, x, y);
            bool up = x >= 234 && x <= 243 && y >= 109 && y <= 117;
            bool down = x >= 234 && x <= 243 && y >= 119 && y <= 127;
            if (up) EXPECT_EQ(MARK_SPAWN, options.markme) << x << "," << y;
            else EXPECT_EQ(MARK_ALWAYS, options.markme) << x << "," << y;
            if (up || down) {
                marker_pixels++;
                EXPECT_EQ(untouched, clickable_state(options)) << x << "," << y;
            }
        }
    EXPECT_EQ(2 * 10 * 9, marker_pixels);
}

// True when the options screen shows `text` right-aligned at (right, y) in `colour`:
// the same text drawn over the plain background must give the same pixels.
static bool shows_text(int right, int y, const char *text, int colour) {
    BITMAP *expected = create_bitmap(640, 480);
    blit(boptions, expected, 0, 0, 0, 0, 640, 480);
    textprintf_right_ex(expected, font, right, y, colour, -1, "%s", text);
    int left = right - text_length(font, text);
    bool same = true;
    for (int py = y; py < y + text_height(font); py++)
        for (int px = left; px < right; px++)
            if (getpixel(expected, px, py) != getpixel(bbuffer, px, py)) same = false;
    destroy_bitmap(expected);
    return same;
}

static void draw_options_pointer_away() {
    mouse_x = 600, mouse_y = 20;
    options.draw();
}

TEST_F(Shell, BloodStepsThroughItsThreeAmountsAndShowsThePercent) {
    load_real_data();
    options.init();
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(353, 299, "100%", rgb(255, 255, 255)));

    const int more = 293, less = 303; // upper arrow: more gore, lower arrow: less
    press_at(options, 366, less);
    EXPECT_EQ(4, options.get_blood());
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(353, 299, "50%", rgb(255, 255, 255)));
    press_at(options, 366, less);
    press_at(options, 366, less);
    EXPECT_EQ(8, options.get_blood());
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(353, 299, "25%", rgb(255, 255, 255)));

    press_at(options, 366, more);
    EXPECT_EQ(4, options.get_blood());
    press_at(options, 366, more);
    press_at(options, 366, more);
    EXPECT_EQ(2, options.get_blood());
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(353, 299, "100%", rgb(255, 255, 255)));
}

TEST_F(Shell, ClothesAreGreyedInATeamMatch) {
    load_real_data();
    options.init();
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(353, 207, "BLUE", rgb(255, 255, 255)));
    EXPECT_TRUE(shows_text(353, 253, "GREEN", rgb(255, 255, 255)));
    press_at(options, 238, 165); // game type up: TEAMMATCH
    draw_options_pointer_away();
    EXPECT_TRUE(shows_text(226, 161, "TEAMMATCH", rgb(255, 255, 255)));
    EXPECT_TRUE(shows_text(353, 207, "BLUE", rgb(64, 64, 64)));
    EXPECT_TRUE(shows_text(353, 253, "GREEN", rgb(64, 64, 64)));
    EXPECT_TRUE(shows_text(353, 161, "BROWN", rgb(255, 255, 255)));
}

TEST_F(Shell, VideoTickBoxesAskForTheRightMode) {
    const int window_box = 254, scaled_box = 300;
    options.enable_scaled(true);
    menu.set_choice(CHOICE_OPTIONS);

    // Window flipped twice: nothing to change.
    options.init();
    press_at(options, 399, window_box);
    press_at(options, 399, window_box);
    press_at(options, 300, 370);
    EXPECT_TRUE(options.get_quit());
    EXPECT_EQ(CHOICE_OPTIONS, menu.get_choice());

    // Ticking "double size" ticks the window too; leaving asks for the doubled window.
    options.init();
    options.window_pending = false;
    press_at(options, 399, scaled_box);
    EXPECT_TRUE(options.scaled_pending);
    EXPECT_TRUE(options.window_pending);
    press_at(options, 300, 370);
    EXPECT_EQ(CHOICE_SCALED, menu.get_choice());
    EXPECT_EQ(2, options.scaled());

    // Unticking the window unticks double size; leaving asks for full screen.
    menu.set_choice(CHOICE_OPTIONS);
    options.init();
    press_at(options, 399, window_box);
    EXPECT_FALSE(options.scaled_pending);
    press_at(options, 300, 370);
    EXPECT_EQ(CHOICE_FULLSCREEN, menu.get_choice());
    EXPECT_FALSE(options.get_window());
    EXPECT_EQ(1, options.scaled());

    // And back to the plain window.
    menu.set_choice(CHOICE_OPTIONS);
    options.init();
    press_at(options, 399, window_box);
    press_at(options, 379, 382);
    EXPECT_EQ(CHOICE_WINDOW, menu.get_choice());
    EXPECT_TRUE(options.get_window());
}

TEST_F(Shell, DoubleSizeCannotBeTickedOnASmallDesktop) {
    options.enable_scaled(false);
    options.init();
    press_at(options, 397, 300);
    EXPECT_FALSE(options.scaled_pending);
    press_at(options, 300, 370);
    EXPECT_EQ(1, options.scaled());
}

TEST_F(Shell, LevelArrowsWalkTheMapList) {
    const char *names[] = {"alpha.krm", "beta.krm", "gamma.krm"};
    for (int i = 0; i < 3; i++) strcpy(map.names[i], names[i]);
    map.nm = 3;
    options.init();
    EXPECT_STREQ("ALPHA", options.mapname);
    const int up = 119, down = 109;
    press_at(options, 365, up);
    EXPECT_STREQ("BETA", options.mapname);
    press_at(options, 365, up);
    press_at(options, 365, up);
    EXPECT_EQ(2, options.get_level());
    EXPECT_STREQ("GAMMA", options.mapname);
    press_at(options, 365, down);
    press_at(options, 365, down);
    press_at(options, 365, down);
    EXPECT_EQ(0, options.get_level());
    EXPECT_STREQ("ALPHA", options.mapname);

    map.nm = 1;
    press_at(options, 365, up);
    EXPECT_EQ(0, options.get_level());

    map.nm = 0; // an empty list shows no name rather than reading past it
    options.init();
    EXPECT_STREQ("", options.mapname);
}

// Pixels of the name's grey level in the text's box.
static int name_pixels(int grey) {
    int n = 0;
    for (int y = 236; y < 244; y++)
        for (int x = 272; x < 272 + 12 * 8; x++)
            if (getpixel(bbuffer, x, y) == makecol(grey, grey, grey)) n++;
    return n;
}

TEST_F(Shell, CreditsFadeTheNameInAndOut) {
    load_real_data();
    credits.init();
    EXPECT_EQ(-1, credits.brightness());
    credits.draw();
    EXPECT_EQ(0, name_pixels(0)) << "nothing before the first second";

    for (int i = 0; i < 100; i++) credits.update();
    EXPECT_EQ(0, credits.brightness());
    for (int i = 0; i < 64; i++) credits.update();
    EXPECT_EQ(128, credits.brightness());
    credits.draw();
    EXPECT_GT(name_pixels(128), 20);
    for (int i = 0; i < 64; i++) credits.update();
    EXPECT_EQ(255, credits.brightness()); // 256 is already full
    for (int i = 0; i < 256; i++) credits.update();
    EXPECT_EQ(768, credits.fade);
    EXPECT_EQ(255, credits.brightness());
    for (int i = 0; i < 64; i++) credits.update();
    EXPECT_EQ(128, credits.brightness());
    for (int i = 0; i < 500; i++) credits.update();
    EXPECT_EQ(1024, credits.fade);
    EXPECT_EQ(0, credits.brightness());
    credits.draw();
    EXPECT_GT(name_pixels(0), 20) << "the name ends drawn in black";

    credits.init();
    EXPECT_EQ(-200, credits.fade);
}

// A screen that writes down what the loop asks of it.
struct recording_screen {
    std::string calls;
    void update() { calls += 'u'; }
    void draw() { calls += 'd'; }
};

TEST_F(Shell, AStalledLoopRunsEveryOwedTickBeforeDrawing) {
    recording_screen s;
    logic = 5;
    run_frame(s);
    EXPECT_EQ("uuuuud", s.calls);
    EXPECT_EQ(0, logic.load());
    run_frame(s);
    EXPECT_EQ("uuuuudd", s.calls);
    // After a stall (the machine slept) only a second of them runs; the rest is dropped.
    logic = 2000;
    EXPECT_EQ(MAX_OWED_TICKS, run_owed_ticks(s));
    EXPECT_EQ(0, logic.load());
    // A screen that finishes leaves the rest of the owed ticks to the next one.
    logic = 5;
    size_t before = s.calls.size();
    EXPECT_EQ(2, run_owed_ticks(s, [&] { return s.calls.size() == before + 2; }));
    EXPECT_EQ(3, logic.load());
    logic = 0;
}

TEST_F(Shell, MissingOrBrokenAssetsAreAllNamed) {
    load_real_data();
    fs::path home = fs::current_path();
    char pattern[] = "/tmp/krag-assets-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    fs::path dir = pattern;
    fs::copy(home / "bmp", dir / "bmp");
    fs::copy(home / "wav", dir / "wav");
    fs::remove(dir / "bmp" / "cursor.bmp");
    fs::remove(dir / "wav" / "gun_sm.wav");
    std::ofstream(dir / "bmp" / "menu.bmp") << "not a picture";
    BITMAP *dot = create_bitmap(1, 1);
    save_bitmap((dir / "bmp" / "box.bmp").c_str(), dot, nullptr); // loads, but far too small
    destroy_bitmap(dot);
    fs::resize_file(dir / "bmp" / "credits.bmp", fs::file_size(dir / "bmp" / "credits.bmp") - 1);
    { // a header promising 65536 x 65536 pixels: the library's loader would write past its buffer
        std::string huge("BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\0\1\0\0\0\1\0\1\0\x18\0", 30);
        std::ofstream(dir / "bmp" / "options.bmp") << huge << std::string(40, '\0');
    }

    unload_data();
    ASSERT_EQ(0, chdir(dir.c_str()));
    std::vector<std::string> missing = load_data();
    EXPECT_EQ((std::vector<std::string>{
                  "bmp/box.bmp: 1x1, expected 16x16",
                  "bmp/credits.bmp: truncated: 921653 bytes, the pixels need 921654",
                  "bmp/cursor.bmp: not found", "bmp/menu.bmp: not a BMP file",
                  "bmp/options.bmp: 65536x65536, expected 640x480", "wav/gun_sm.wav: not found"}),
              missing);
    EXPECT_EQ(nullptr, bcursor);
    EXPECT_NE(nullptr, bweapons);
    unload_data();
    EXPECT_EQ(nullptr, bweapons) << "unloading leaves no dangling images";

    ASSERT_EQ(0, chdir(home.c_str()));
    fs::remove_all(dir);
    EXPECT_TRUE(load_data().empty());
}

TEST_F(Shell, VoicesFadeAndStopWithoutASoundCard) {
    load_real_data();
    sound_enable(false);
    int loop = sound_play(sflamethrower[0], 255, 128, 1000, 1);
    ASSERT_GE(loop, 0);
    EXPECT_EQ(255, sound_get_volume(loop));

    // Plenty of one-shot sounds later the loop still holds its voice.
    for (int i = 0; i < 1000; i++) {
        int v = sound_play(i % 2 ? sgun[0] : nullptr, 64, 128, 1000, 0);
        ASSERT_GE(v, 0);
        ASSERT_NE(loop, v);
    }
    sound_set_volume(loop, 100);
    EXPECT_EQ(100, sound_get_volume(loop));
    sound_stop(loop);
    EXPECT_EQ(-1, sound_get_volume(loop));

    sound_log_clear();
    sound_play(sgun[1], 64, 128, 1000, 0);
    ASSERT_EQ(1u, sound_log().size());
    EXPECT_EQ(sgun[1], sound_log()[0].sample);
    EXPECT_EQ(64, sound_log()[0].volume);
}

TEST_F(Shell, FrameRateTextIsWhiteOnBlack) {
    load_real_data();
    clear_to_color(bbuffer, makecol(0, 0, 255));
    fps = 42;
    draw_fps();
    int white = 0, black = 0;
    for (int y = 50; y < 58; y++)
        for (int x = 10; x < 10 + 7 * 8; x++) {
            int c = getpixel(bbuffer, x, y);
            white += c == makecol(255, 255, 255);
            black += c == makecol(0, 0, 0);
        }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 200);
    EXPECT_EQ(makecol(0, 0, 255), getpixel(bbuffer, 9, 50));
}

// A display that offers only some modes; remembers what was asked of it.
static std::vector<std::string> mode_calls;
static std::vector<std::string> refused_modes;
static int fake_video_mode(int card, int w, int h) {
    std::string kind = card == GFX_XWINDOWS                 ? "x11"
                       : card == GFX_AUTODETECT_FULLSCREEN ? "full"
                                                           : "window";
    std::string mode = std::to_string(w) + "x" + std::to_string(h) + " " + kind;
    mode_calls.push_back(mode);
    for (const std::string &r : refused_modes)
        if (r == mode || r == "all") return -1;
    return 0;
}

TEST_F(Shell, ARefusedModeFallsBackAndTheSettingsFollowTheScreen) {
    load_real_data();
    int (*library_mode)(int, int, int) = set_video_mode;
    set_video_mode = fake_video_mode;
    typedef std::vector<std::string> calls;

    // First pass: no autodetected window, the plain X11 driver gives one.
    refused_modes = {"640x480 window"};
    mode_calls.clear();
    menu.set_choice(CHOICE_FIRST);
    EXPECT_TRUE(graphics());
    EXPECT_EQ((calls{"640x480 window", "640x480 x11"}), mode_calls);
    EXPECT_NE(nullptr, bmenu);

    // The doubled window is refused: back to the window we had, settings to match.
    refused_modes = {"1280x960 window", "640x480 window"};
    mode_calls.clear();
    menu.set_choice(CHOICE_SCALED);
    options.window = true;
    options.is_scaled = true;
    EXPECT_TRUE(graphics());
    EXPECT_EQ((calls{"1280x960 window", "640x480 window", "640x480 x11"}), mode_calls);
    EXPECT_EQ(1, options.scaled());
    EXPECT_TRUE(options.get_window());
    EXPECT_NE(nullptr, bmenu) << "assets reloaded for the mode on screen";
    ASSERT_NE(nullptr, bbuffer);
    EXPECT_EQ(640, bbuffer->w);

    // Full screen refused likewise.
    refused_modes = {"640x480 full"};
    menu.set_choice(CHOICE_FULLSCREEN);
    options.window = false;
    EXPECT_TRUE(graphics());
    EXPECT_TRUE(options.get_window());

    // A granted mode change keeps the new settings.
    refused_modes = {};
    menu.set_choice(CHOICE_SCALED);
    options.is_scaled = true;
    EXPECT_TRUE(graphics());
    EXPECT_EQ(2, options.scaled());

    // Nothing at all: the caller is told to give up.
    refused_modes = {"all"};
    menu.set_choice(CHOICE_WINDOW);
    options.is_scaled = false;
    EXPECT_FALSE(graphics());

    set_video_mode = library_mode;
    EXPECT_TRUE(load_data().empty());
}
