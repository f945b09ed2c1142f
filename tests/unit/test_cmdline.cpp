// The command line and the search for the game's data.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "shell/cmdline.h"
#include "shell/datadir.h"
#include "shell/extension.h"
#include "shell/input.h"
#include "shell/menu.h"

namespace fs = std::filesystem;

// Parses the words after "krag"; captures what went to stdout and stderr.
static int parse(std::vector<const char *> words, std::string *out = nullptr,
                 std::string *err = nullptr) {
    words.insert(words.begin(), "krag");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = parse_command_line((int)words.size(), (char **)words.data());
    std::string o = testing::internal::GetCapturedStdout();
    std::string e = testing::internal::GetCapturedStderr();
    if (out) *out = o;
    if (err) *err = e;
    return status;
}

TEST(CommandLine, NoArgumentsStartTheGameAsSaved) {
    std::string out, err;
    EXPECT_EQ(-1, parse({}, &out, &err));
    EXPECT_EQ(0, command_line.video);
    EXPECT_EQ("", command_line.data);
    EXPECT_EQ("", out + err);
}

TEST(CommandLine, VideoOptionsAndDataFolder) {
    EXPECT_EQ(-1, parse({"--fullscreen"}));
    EXPECT_EQ(CHOICE_FULLSCREEN, command_line.video);
    EXPECT_EQ(-1, parse({"--scaled", "--data", "/x y", "--window"}));
    EXPECT_EQ(CHOICE_WINDOW, command_line.video) << "the last one counts";
    EXPECT_EQ("/x y", command_line.data);
    EXPECT_EQ(-1, parse({"--data=/z"}));
    EXPECT_EQ("/z", command_line.data);
    EXPECT_EQ(0, command_line.video);
}

TEST(CommandLine, HelpAndVersionGoToStdoutAndExitZero) {
    std::string out, err;
    EXPECT_EQ(0, parse({"--help", "--bogus"}, &out, &err));
    for (const char *o : {"--window", "--scaled", "--fullscreen", "--data DIR", "--help",
                          "--version", "settings.cfg", "KRAG_DATA"})
        EXPECT_NE(std::string::npos, out.find(o)) << o;
    EXPECT_EQ("", err);
    // Every action with its key as it comes, one line each, and where replays are kept.
    for (int a = 0; a < ACT_COUNT; a++) {
        int b = default_binding(a);
        std::string line = std::string("  ") + action_name(a);
        line.resize(18, ' ');
        line += b == BIND_NONE ? "no key" : binding_name(b);
        EXPECT_NE(std::string::npos, out.find("\n" + line)) << line;
    }
    for (const char *o : {"ESCAPE", "CONTROLS", "gamepad", "replays/", "krm/"})
        EXPECT_NE(std::string::npos, out.find(o)) << o;
    EXPECT_EQ(0, parse({"--version"}, &out, &err));
    EXPECT_EQ(0u, out.find("krag "));
    EXPECT_EQ("", err);
}

TEST(CommandLine, ABadArgumentGivesTheUsageOnStderrAndStatusTwo) {
    for (std::vector<const char *> bad : std::vector<std::vector<const char *>>{
             {"--bogus"}, {"-x"}, {"window"}, {"--data"}, {"--data="}, {"--window=1"}}) {
        std::string out, err;
        EXPECT_EQ(2, parse(bad, &out, &err)) << bad[0];
        EXPECT_EQ("", out);
        EXPECT_EQ(0u, err.find("krag: ")) << err;
        EXPECT_NE(std::string::npos, err.find("usage: krag")) << err;
    }
}

// krag --map FILE with this run's match options, read as the settings file reads them.
TEST(CommandLine, MapWithItsMatchOptions) {
    std::string err;
    ASSERT_EQ(-1, parse({"--map", "/m/x.krm", "--bots", "5", "--type", "rpg-arena", "--skill", "EASY"}));
    EXPECT_EQ("/m/x.krm", command_line.map);
    EXPECT_EQ(5, command_line.bots);
    EXPECT_EQ(2, command_line.game_type);
    EXPECT_EQ(2, command_line.skill);
    ASSERT_EQ(-1, parse({"--map", "y.krm"}));
    EXPECT_EQ('/', command_line.map[0]) << "made absolute: the game changes folder";
    EXPECT_EQ(-1, command_line.bots) << "the saved setting";
    EXPECT_EQ(2, parse({"--map", "y.krm", "--bots", "6"}, nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("--bots 6: is out of range")) << err;
    EXPECT_EQ(2, parse({"--map", "y.krm", "--type", "ctf"}, nullptr, &err));
    EXPECT_EQ(2, parse({"--skill", "HARD"}, nullptr, &err)) << "only with a map";
    EXPECT_NE(std::string::npos, err.find("only with --map")) << err;
}

// A headless host with its match; options that only make sense with something else
// are refused, naming what they need.
TEST(CommandLine, HostAndJoinWithTheirOptions) {
    ASSERT_EQ(-1, parse({"--host", "--headless", "--port", "4000", "--players", "3", "--kills", "7",
                         "--delay", "0", "--matches", "2", "--type", "instagib"}));
    const ccommand_line &c = command_line;
    EXPECT_TRUE(c.host && c.headless);
    EXPECT_EQ((std::vector<int>{4000, 3, 7, 0, 2, 3}),
              (std::vector<int>{c.port, c.players, c.kills, c.delay, c.matches, c.game_type}));
    ASSERT_EQ(-1, parse({"--join", "[::1]:4000"}));
    EXPECT_EQ("[::1]:4000", command_line.join);
    const std::vector<std::pair<std::vector<const char *>, const char *>> refused = {
        {{"--host", "--port", "0"}, "not a number from 1 to 65535"},
        {{"--host", "--players", "7"}, "not a number from 2 to 6"},
        {{"--host", "--delay", "x"}, "not a number"},
        {{"--port", "4000"}, "only with --host"},
        {{"--headless"}, "only with --host"},
        {{"--host", "--matches", "1"}, "only with --host --headless"},
        {{"--host", "--join", "a"}, "not both"},
        {{"--join", "a", "--bots", "2"}, "the host chooses"},
    };
    for (const auto &[words, why] : refused) {
        std::string err;
        EXPECT_EQ(2, parse(words, nullptr, &err)) << words[0] << " " << words[1];
        EXPECT_NE(std::string::npos, err.find(why)) << err;
    }
}

// The installed extension names the game's folders as JavaScript strings, whatever
// bytes the folder names hold.
TEST(TiledExtension, FoldersAreWrittenAsSafeStringsOverTheFirstLine) {
    std::string text = tiled_extension_text("var KRAG = { data: \"\" };\nrest();\n",
                                            "/a \"b\"\\c", "/bin\n\x01");
    EXPECT_EQ("var KRAG = { data: \"/a \\\"b\\\"\\\\c\", programs: \"/bin\\u000a\\u0001\" };"
              " // written by krag --tiled-extension\nrest();\n",
              text);
}

TEST(DataSearch, AnOverrideIsTheOnlyPlaceLookedAt) {
    std::string exe = executable_dir();
    ASSERT_EQ(fs::current_path().string(), exe) << "unit tests run in the build folder";
    unsetenv("KRAG_DATA");
    std::vector<std::string> c = data_dir_candidates("");
    ASSERT_EQ(2u, c.size());
    EXPECT_EQ(fs::path(exe).parent_path().string() + "/share/games/krag", c[0]);
    EXPECT_EQ(exe, c[1]);
    EXPECT_EQ(exe, find_data_dir("")) << "the build tree has its data beside the executable";

    setenv("KRAG_DATA", "/nowhere", 1);
    EXPECT_EQ((std::vector<std::string>{"/nowhere"}), data_dir_candidates(""));
    EXPECT_EQ("", find_data_dir(""));
    EXPECT_EQ((std::vector<std::string>{"."}), data_dir_candidates("."));
    EXPECT_EQ(exe, find_data_dir(".")) << "--data wins over KRAG_DATA; made absolute";
    unsetenv("KRAG_DATA");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(enter_data_dir("krag", "/nowhere/either"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("krag:   /nowhere/either\n")) << err;
    EXPECT_EQ(exe, fs::current_path().string());
}

TEST(DataSearch, UserMapsFollowXdgDataHome) {
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ("/data/krag/krm", user_map_dir());
    setenv("XDG_DATA_HOME", "not/absolute", 1);
    EXPECT_EQ("/home/someone/.local/share/krag/krm", user_map_dir());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ("/home/someone/.local/share/krag/krm", user_map_dir());
}
