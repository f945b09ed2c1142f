// The settings file: a round trip of every setting, first run, and every kind of bad
// file, each named on stderr while the rest of the settings survive.
#include <algorithm>
#include <allegro.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "shell/files.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "shell/settings.h"
#include "shell/shell.h"
#include "support.h"
#include "world/map.h"

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
  protected:
    fs::path dir, path;

    void SetUp() override {
        headless();
        char pattern[] = "/tmp/krag-settings-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        path = dir / "krag" / "settings.cfg";
        settings_reset();
        options = coptions();
        settings_load((dir / "none").string()); // forget what an earlier test wrote
        // A small map list: the map is stored by name.
        memset(map.names, 0, sizeof map.names);
        strcpy(map.names[0], "arena.krm");
        strcpy(map.names[1], "dunes.krm");
        strcpy(map.names[2], "wilds.krm");
        map.nm = 3;
    }
    void TearDown() override {
        chmod(dir.c_str(), 0755);
        if (fs::exists(dir / "krag")) chmod((dir / "krag").c_str(), 0755);
        fs::remove_all(dir);
        map.nm = 0;
        options = coptions();
    }

    void write(const std::string &text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string read() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Loads the file; returns what went to stderr.
    std::string load() {
        testing::internal::CaptureStderr();
        settings_load(path.string());
        return testing::internal::GetCapturedStderr();
    }
    static int lines(const std::string &s) { return (int)std::count(s.begin(), s.end(), '\n'); }
};

// Every setting moved off its default, saved, and read back into fresh defaults.
TEST_F(Settings, EverySettingSurvivesARoundTrip) {
    options.gametype = 2;
    options.kills = 25;
    options.bots = 1;
    options.skill = 2;
    options.level = 2;
    options.hair = 0;
    options.shirt = 2;
    options.pants = 0;
    options.blood = 8;
    options.health = options.grenades = options.firerate = false;
    options.heatseek = options.slowmotion = false;
    options.fps = true;
    options.video = CHOICE_FULLSCREEN;
    options.markme = MARK_ALWAYS;
    options.name = "Zed = #1";
    options.delay = 4;
    coptions saved = options;
    ASSERT_TRUE(settings_save(path.string()));

    std::string text = read();
    EXPECT_EQ('#', text[0]) << "a comment header";
    EXPECT_NE(std::string::npos, text.find("\nmap = wilds\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\ngame_type = RPG-ARENA\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\nblood = 25%\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\nmark_me = ALWAYS\n")) << text;

    options = coptions();
    EXPECT_EQ("", load());
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_EQ(setting_text(SETTINGS[i], saved), setting_text(SETTINGS[i], options))
            << SETTINGS[i].key;
    // No temporary file is left beside it.
    EXPECT_EQ(1, std::distance(fs::directory_iterator(path.parent_path()), {}));
}

// A name from the login or the file: printable ASCII, trimmed, cut to 15, never empty.
TEST_F(Settings, APlayerNameIsAlwaysShortPrintableAndNotEmpty) {
    const char *const cases[][2] = {
        {"ann", "ann"},           {"  a b  ", "a b"},         {"j\xc3\xb6rg", "jrg"},
        {"", "PLAYER"},           {"\t\x01 \x7f", "PLAYER"}, {"abcdefghijklmnopq", "abcdefghijklmno"},
        {"abcdefghijklmn  x", "abcdefghijklmn"}, {"a\nb=c", "ab=c"},
    };
    for (const auto &c : cases) EXPECT_EQ(c[1], usable_name(c[0])) << c[0];
    std::string login = default_player_name();
    EXPECT_EQ(login, usable_name(login));
    EXPECT_EQ(login, coptions().name);
    EXPECT_EQ(2, coptions().delay);
}

TEST_F(Settings, TheTableHoldsTodaysDefaults) {
    coptions o;
    EXPECT_EQ(0, o.gametype);
    EXPECT_EQ(20, o.kills);
    EXPECT_EQ(3, o.bots);
    EXPECT_EQ(1, o.skill);
    EXPECT_EQ(0, o.level);
    EXPECT_EQ(1, o.hair);
    EXPECT_EQ(0, o.shirt);
    EXPECT_EQ(1, o.pants);
    EXPECT_EQ(2, o.blood);
    EXPECT_TRUE(o.health && o.grenades && o.firerate && o.heatseek && o.slowmotion);
    EXPECT_FALSE(o.fps);
    EXPECT_EQ(CHOICE_WINDOW, o.video);
    EXPECT_EQ(MARK_SPAWN, o.markme);
    EXPECT_TRUE(o.window);
    EXPECT_EQ(1, o.scaled());
}

TEST_F(Settings, FirstRunUsesTheDefaultsAndCreatesTheFolders) {
    EXPECT_EQ("", load());
    coptions fresh;
    for (int i = 0; i < SETTING_COUNT; i++)
        EXPECT_EQ(setting_get(SETTINGS[i], fresh), setting_get(SETTINGS[i], options));
    ASSERT_TRUE(settings_save(path.string()));
    EXPECT_TRUE(fs::is_regular_file(path));
    // Only a full path is taken from XDG_CONFIG_HOME.
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("HOME", "/nowhere", 1);
    EXPECT_EQ(path.string(), settings_path());
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ("/nowhere/.config/krag/settings.cfg", settings_path());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ("/nowhere/.config/krag/settings.cfg", settings_path());
}

// Each bad line is named with its line number; only that setting takes its default.
TEST_F(Settings, BadLinesAreNamedAndOnlyTheirSettingFallsBack) {
    write("# mine\n"
          "kill_limit = 7\n"
          "colour = pink\n"          // 3: unknown key
          "bots = 9\n"               // 4: out of range
          "map = oldmap\n"           // 5: a map that is gone
          "skill = SUPER\n"          // 6: not one of the words
          "hair=yellow\n"            // lower case and no spaces are fine
          "just some words\n"        // 8: not key = value
          "powerup_health = maybe\n" // 9
          "   \n"
          "show_fps = yes\r\n"   // a line from another system
          "bots = 4\n"           // a later line counts
          "kill_limit = 12x\n"      // 13: not a number: the default, not 7
          "player_name = \x7f\n"); // 14: nothing printable
    options.bots = 5;
    options.name = "someone";
    std::string err = load();
    EXPECT_EQ(8, lines(err)) << err;
    EXPECT_NE(std::string::npos,
              err.find(path.string() + ":14: player_name = \\x7f is not 1 to 15 printable characters; "
                           "using the default " + default_player_name()))
        << err;
    EXPECT_EQ(default_player_name(), options.name);
    std::string p = path.string();
    EXPECT_NE(std::string::npos, err.find(p + ":3: unknown setting \"colour\"")) << err;
    EXPECT_NE(std::string::npos,
              err.find(p + ":4: bots = 9 is out of range (1-5); using the default 3"))
        << err;
    EXPECT_NE(std::string::npos, err.find(p + ":5: map = oldmap is not in the map list")) << err;
    EXPECT_NE(std::string::npos, err.find(p + ":6: skill = SUPER")) << err;
    EXPECT_NE(std::string::npos, err.find(p + ":8: ")) << err;
    EXPECT_NE(std::string::npos, err.find(p + ":9: powerup_health = maybe")) << err;
    EXPECT_NE(std::string::npos, err.find(p + ":13: kill_limit = 12x is not a whole number (1-25)"))
        << err;
    EXPECT_EQ(20, options.kills);
    EXPECT_EQ(4, options.bots) << "a later line counts";
    EXPECT_EQ(0, options.level);
    EXPECT_EQ(1, options.skill);
    EXPECT_EQ(2, options.hair);
    EXPECT_TRUE(options.health);
    EXPECT_TRUE(options.fps);
}

TEST_F(Settings, AGarbageFileIsNamedBrieflyAndTheDefaultsStay) {
    std::string junk;
    for (int i = 0; i < 200; i++)
        junk += "%%%% garbage \x01\x7f line\n";
    write(junk);
    std::string err = load();
    EXPECT_EQ(11, lines(err)) << "ten lines named, then a count";
    EXPECT_NE(std::string::npos, err.find("190 more bad lines ignored")) << err;
    EXPECT_EQ(std::string::npos, err.find('\x01')) << "control bytes are not echoed";
    EXPECT_EQ(20, options.kills);
}

TEST_F(Settings, ABinaryFileIsNotReadAndNotOverwrittenUnlessSomethingChanges) {
    write(std::string("kill_limit = 5\n\0\xff\xfe binary", 24));
    std::string err = load();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_NE(std::string::npos, err.find("settings.cfg is not a text file")) << err;
    EXPECT_EQ(20, options.kills);
    ASSERT_TRUE(settings_save(path.string()));
    EXPECT_EQ(24u, read().size()) << "nothing changed: the file is left alone";
    options.kills = 9;
    ASSERT_TRUE(settings_save(path.string()));
    options = coptions();
    EXPECT_EQ("", load());
    EXPECT_EQ(9, options.kills);
}

TEST_F(Settings, AFolderInPlaceOfTheFileIsNamedAndPlayGoesOn) {
    fs::create_directories(path);
    std::string err = load();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_NE(std::string::npos, err.find("settings.cfg is not a file")) << err;
    options.kills = 4;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings_save(path.string()));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_NE(std::string::npos, err.find("cannot save the settings to " + path.string())) << err;
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(path.parent_path()), {}))
        << "no temporary file left behind";
}

TEST_F(Settings, AConfigFolderThatCannotBeWrittenKeepsTheOldFile) {
    // A plain file where the krag folder should be: nothing can be written there.
    fs::remove_all(dir / "krag");
    std::ofstream(dir / "krag") << "in the way";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings_save(path.string()));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_NE(std::string::npos, err.find("cannot save the settings in " + (dir / "krag").string()))
        << err;
}

TEST_F(Settings, AReadOnlyFolderKeepsTheOldFileAndAnUnreadableFileIsNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    std::string err;
    // A read-only folder: the old file stays whole.
    write("kill_limit = 5\n");
    chmod(path.parent_path().c_str(), 0555);
    options.kills = 6;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings_save(path.string()));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_EQ("kill_limit = 5\n", read());
    // An unreadable file.
    chmod(path.parent_path().c_str(), 0755);
    chmod(path.c_str(), 0);
    err = load();
    EXPECT_EQ(1, lines(err)) << err;
    EXPECT_NE(std::string::npos, err.find("cannot read " + path.string())) << err;
}

// The first video mode is the saved one (or the command line's): full screen opens
// full screen; the doubled window on a desktop too small for it opens a plain window.
static std::vector<std::string> first_modes;
static int record_mode(int card, int w, int h) {
    first_modes.push_back(std::to_string(w) +
                          (card == GFX_AUTODETECT_FULLSCREEN ? " full" : " window"));
    return 0;
}

TEST_F(Settings, TheFirstVideoModeIsTheSavedOne) {
    load_real_data();
    int (*library_mode)(int, int, int) = set_video_mode;
    set_video_mode = record_mode;
    for (int mode : {CHOICE_FULLSCREEN, CHOICE_SCALED, CHOICE_WINDOW}) {
        first_modes.clear();
        menu.set_choice(CHOICE_FIRST);
        start_mode = mode;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(graphics());
        std::string err = testing::internal::GetCapturedStderr();
        ASSERT_EQ(1u, first_modes.size());
        if (mode == CHOICE_FULLSCREEN) {
            EXPECT_EQ("640 full", first_modes[0]);
            EXPECT_FALSE(options.get_window());
        } else {
            // No desktop here, so no room for the doubled window.
            EXPECT_EQ("640 window", first_modes[0]);
            EXPECT_EQ(1, options.scaled());
            EXPECT_EQ(mode == CHOICE_SCALED, err.find("smaller than 1280x960") != std::string::npos)
                << err;
        }
    }
    set_video_mode = library_mode;
    start_mode = CHOICE_WINDOW;
    menu = cmenu();
    options = coptions();
}

// Quitting after a run that changed nothing leaves the file as the player wrote it; a
// change rewrites only its own line. A map missing today keeps its name.
TEST_F(Settings, OnlyChangedSettingsAreWrittenAndEverythingElseIsKept) {
    const std::string mine = "# notes\nmap = gone\nkill_limit = 5\nfuture_setting = 3\n";
    write(mine);
    EXPECT_NE(std::string::npos, load().find("map = gone is not in the map list"));
    struct stat st0, st1;
    ASSERT_EQ(0, stat(path.c_str(), &st0));
    ASSERT_TRUE(settings_save(path.string()));
    ASSERT_EQ(0, stat(path.c_str(), &st1));
    EXPECT_EQ(st0.st_ino, st1.st_ino) << "not rewritten";
    options.kills = 9;
    options.bots = 2;
    ASSERT_TRUE(settings_save(path.string()));
    EXPECT_EQ("# notes\nmap = gone\nkill_limit = 9\nfuture_setting = 3\nbots = 2\n", read());
}

// A FIFO in place of the file is not waited on; a value that would break its line (a
// map named with a newline) is never written.
TEST_F(Settings, AFifoIsNotWaitedOnAndNoValueWritesALineOfItsOwn) {
    strcpy(map.names[1], "x\nbots=1.krm");
    options.level = 1;
    ASSERT_TRUE(settings_save(path.string()));
    std::string text = read();
    EXPECT_EQ(std::string::npos, text.find("bots=1")) << text;
    EXPECT_EQ(std::string::npos, text.find("map =")) << text;
    EXPECT_EQ(0700u, (unsigned)fs::status(path.parent_path()).permissions() & 0777u);

    fs::remove(path);
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    std::string err = load(); // blocked in open() for good before
    EXPECT_NE(std::string::npos, err.find("settings.cfg is not a file")) << err;
}

// Under a file-size limit the save fails like a full disk: the old file stays whole,
// no temporary is left, and the game is not killed.
TEST_F(Settings, AFileSizeLimitFailsTheSaveWithoutHarm) {
    const std::string mine = "# " + std::string(600, 'x') + "\nkill_limit = 5\n";
    write(mine);
    EXPECT_EQ("", load());
    options.kills = 6;
    pid_t child = fork();
    if (child == 0) {
        ignore_file_size_signal();
        struct rlimit small = {500, 500};
        _exit(setrlimit(RLIMIT_FSIZE, &small) == 0 && !settings_save(path.string()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(mine, read());
    EXPECT_EQ(1, std::distance(fs::directory_iterator(path.parent_path()), {}));
}

TEST_F(Settings, ARelativeHomeIsTreatedAsMissing) {
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "some/where", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ("", settings_path() + settings_path());
    EXPECT_EQ(1, lines(testing::internal::GetCapturedStderr())) << "said once";
    setenv("HOME", "/nowhere", 1);
}
