// Replays: a match is a pure function of its settings, seed and per-tick input; it is
// recorded while played, plays back to the same result, and the viewer and the list of
// replays answer their keys and clicks.
#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

#include "match/game.h"
#include "match/replay.h"
#include "match/scoreboard.h"
#include "match/rewind.h"
#include "match/world.h"
#include "match/sim.h"
#include "players/player.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/replays.h"
#include "shell/watch.h"
#include "support.h"
#include "world/map.h"

namespace {

// What a match looks like after its ticks: every player, the live pools and the next
// number the world's generator would give.
std::vector<long> snapshot() {
    std::vector<long> s;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        s.push_back(p.active);
        s.push_back((long)(p.x * 1000));
        s.push_back((long)(p.y * 1000));
        s.push_back(p.health);
        s.push_back(p.kills);
    }
    int counts[POOL_COUNT];
    sim_count_live(counts);
    s.insert(s.end(), counts, counts + POOL_COUNT);
    s.push_back(rand());
    return s;
}

// Plays a match on a shipped map, drawing frames_per_tick(t) frames after tick t.
template <class F> std::vector<long> play(int gametype, int ticks, F frames_per_tick) {
    fresh_world();
    map.load();
    options.gametype = gametype;
    options.bots = 5;
    options.kills = 25;
    for (int i = 0; i < map.get_nm(); i++)
        if (std::string(map.names[i]) == "arena.krm") options.level = i;
    input.clear();
    srand(1234);
    EXPECT_TRUE(game.init());
    for (int t = 0; t < ticks; t++) {
        game.update();
        for (int f = frames_per_tick(t); f > 0; f--)
            game.draw();
    }
    std::vector<long> s = snapshot();
    game.quit();
    return s;
}

TEST(Replay, DrawingAnyNumberOfFramesLeavesTheWorldAsItIs) {
#ifdef __SANITIZE_ADDRESS__
    // Allegro's inline rotate_sprite and pivot_sprite shift the screen position left by
    // 16 bits, which the undefined-behaviour sanitizer stops on for a sprite left of the
    // screen; a whole match draws many. The release build runs this test.
    GTEST_SKIP() << "a whole match draws sprites at negative x";
#endif
    load_real_data();
    // Laser beams thin out at random and explosions shake the picture at random: both
    // are drawn often in these two game types.
    for (int type : {GT_INSTAGIB, GT_RPG_ARENA}) {
        std::vector<long> undrawn = play(type, 4000, [](int) { return 0; });
        std::vector<long> drawn = play(type, 4000, [](int t) { return t % 4; });
        EXPECT_EQ(undrawn, drawn) << "game type " << type;
    }
}

// A scratch folder with one small map and the replay folder pointed into it.
class Recording : public ::testing::Test {
  protected:
    char old_dir[4096];
    std::string dir, replays_dir;
    std::string old_xdg;

    void SetUp() override {
        fresh_world();
        input.clear();
        ASSERT_TRUE(getcwd(old_dir, sizeof old_dir));
        char tmpl[] = "/tmp/krag-replay-XXXXXX";
        dir = mkdtemp(tmpl);
        mkdir((dir + "/krm").c_str(), 0755);
        write_map("test.krm", "");
        ASSERT_EQ(0, chdir(dir.c_str()));
        map.load();
        ASSERT_EQ(1, map.get_nm());
        const char *x = getenv("XDG_DATA_HOME");
        old_xdg = x ? x : "";
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        replays_dir = replay_dir();
        options.bots = 3;
        options.kills = 3;
    }
    void TearDown() override {
        playback.end();
        game.quit();
        input.clear();
        if (old_xdg.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", old_xdg.c_str(), 1);
        ASSERT_EQ(0, chdir(old_dir));
        std::string cmd = "rm -rf " + dir;
        ASSERT_EQ(0, system(cmd.c_str()));
    }

    // A flat floor with spawn points; `extra` is appended to change the file's bytes.
    void write_map(const char *name, const char *extra) {
        FILE *f = fopen((dir + "/krm/" + name).c_str(), "w");
        fprintf(f, "640 480 10 20 30 40 50 60 0 0\n");
        for (int r = 0; r < 30; r++) {
            for (int c = 0; c < 40; c++) {
                char ch = '.';
                if (r == 29) ch = '|';
                if (r == 27 && c % 8 == 2) ch = 'C';
                if (r == 28 && c % 10 == 5) ch = '1';
                fputc(ch, f);
            }
            fputc('\n', f);
        }
        fputs(extra, f);
        fclose(f);
    }

    // The human's input on tick t: walks, jumps and fires now and then, aiming about.
    static ctick_input human(long t) {
        unsigned a = 0;
        if ((t / 150) % 3 == 0) a |= 1u << ACT_RIGHT;
        if ((t / 150) % 3 == 1) a |= 1u << ACT_LEFT;
        if (t % 90 < 5) a |= 1u << ACT_JUMP;
        if ((t / 40) % 2 == 0) a |= 1u << ACT_FIRE;
        int x = 320 + (int)((t * 3) % 300) - 150, y = 200 + (int)(t % 50);
        return ctick_input{a, x, y, (int)((a >> ACT_FIRE) & 1), false};
    }

    // Plays and records a match of n ticks; returns its file.
    std::string record(long n) {
        EXPECT_TRUE(recording.init(replays_dir));
        for (long t = 0; t < n; t++) {
            input.set(human(t));
            recording.update();
        }
        std::string path = recording.file.path;
        recording.quit();
        return path;
    }

    void play_all() {
        while (!playback.done())
            playback.step();
    }
};

TEST_F(Recording, ARecordedMatchPlaysBackToItsResultAndChecksums) {
    std::string path = record(3000);
    ASSERT_FALSE(path.empty());
    std::string err;
    options.bots = 1; // the player's own settings, put back after watching
    ASSERT_TRUE(playback.load(path, err)) << err;
    ASSERT_TRUE(playback.begin(err)) << err;
    EXPECT_EQ(3, options.bots);
    play_all();
    EXPECT_TRUE(playback.replay.finished);
    EXPECT_EQ(30u, playback.replay.checks.size());
    EXPECT_EQ(playback.replay.result, playback.stats.line());
    EXPECT_EQ(-1, playback.bad_tick);
    playback.end();
    EXPECT_EQ(1, options.bots);
}

TEST_F(Recording, ADivergenceIsLocatedAtAChecksum) {
    std::string path = record(1500);
    std::string err;
    ASSERT_TRUE(playback.load(path, err)) << err;
    // At tick 650, with everybody spawned, a bot is nudged a pixel aside.
    ASSERT_TRUE(playback.begin(err)) << err;
    while (playback.ticks_done() < 650)
        playback.step();
    players[1].x += 1;
    play_all();
    EXPECT_GE(playback.bad_tick, 700);
    EXPECT_EQ(0, playback.bad_tick % REPLAY_CHECK_TICKS);
    EXPECT_NE(playback.bad_recorded, playback.bad_replayed);

    // The same input with one recorded checksum spoiled: found at exactly that tick.
    ASSERT_TRUE(playback.load(path, err)) << err;
    playback.replay.checks[11].sum ^= 1;
    ASSERT_TRUE(playback.begin(err)) << err;
    play_all();
    EXPECT_EQ(1200, playback.bad_tick);
}

// Three scripted humans in slots 1, 2 and 4 (slot 0 a bot), dressed and named, the one
// the view follows leaving mid-match: the recording plays back to the same worlds, with
// everyone in their slots and clothes, and the leaver a bot from its tick on.
TEST_F(Recording, SeveralHumansOneLeavingPlayBackToTheSameWorlds) {
    options.bots = 4;
    game.humans = game.dressed = 0b10110;
    game.local = 2;
    game.outfits[1] = coutfit{2, 1, 0};
    game.outfits[2] = coutfit{1, 0, 2};
    game.outfits[4] = coutfit{0, 2, 2};
    scoreboard_name(1, "ann"), scoreboard_name(4, "Zed 4");
    const long LEAVES = 700;
    srand(77);
    ASSERT_TRUE(game.init());
    crecorder rec;
    ASSERT_TRUE(rec.open_file(dir + "/three.krr", 77));
    cmatchstats stats;
    std::vector<uint64_t> hashes{world_hash()};
    for (long t = 0; t < 1500; t++) {
        if (t == LEAVES) game.leave(2), rec.leave(2);
        ccontrol in[MAX_PLAYERS] = {};
        for (int i = 0; i < MAX_PLAYERS; i++)
            if (game.human(i)) in[i] = scripted_control(5, t, i);
        stats.update(in);
        rec.tick(in);
        hashes.push_back(world_hash());
    }
    EXPECT_EQ(0b10010u, game.humans);
    ASSERT_TRUE(rec.close(stats.line()));
    game.quit();
    game = cgame();
    scoreboard_names_clear();

    std::string err;
    ASSERT_TRUE(playback.load(dir + "/three.krr", err)) << err;
    ASSERT_TRUE(playback.begin(err)) << err;
    EXPECT_EQ(2, game.local);
    EXPECT_EQ("Zed 4", scoreboard_name_of(4));
    EXPECT_TRUE(players[0].bot);
    EXPECT_EQ(2, players[4].pants);
    EXPECT_EQ(1, players[2].hair);
    for (long t = 1; !playback.done(); t++) {
        playback.step();
        ASSERT_EQ(hashes[t], world_hash()) << "tick " << t;
        ASSERT_EQ(t <= LEAVES, !players[2].bot) << "tick " << t;
    }
    EXPECT_EQ(15u, playback.replay.checks.size());
    EXPECT_EQ(-1, playback.bad_tick);
    EXPECT_EQ(playback.replay.result, playback.stats.line());
    playback.end();
    EXPECT_EQ(1u, game.humans); // the match's slots as they were
    EXPECT_EQ(0, game.local);
}

TEST_F(Recording, AGameThatDiesMidMatchLeavesAFileUpToItsLastChecksum) {
    ASSERT_TRUE(recording.init(replays_dir));
    for (long t = 0; t < 1250; t++) {
        input.set(human(t));
        recording.update();
    }
    std::string path = recording.file.path;
    recording.file.abandon(); // as if killed: no trailer
    game.quit();

    creplay r;
    std::string err;
    ASSERT_TRUE(read_replay_file(path, r, err)) << err;
    EXPECT_FALSE(r.finished);
    EXPECT_EQ(1200, r.ticks);
    ASSERT_TRUE(playback.load(path, err)) << err;
    ASSERT_TRUE(playback.begin(err)) << err;
    play_all();
    EXPECT_EQ(1200, playback.stats.ticks);
    EXPECT_EQ(-1, playback.bad_tick);
}

TEST_F(Recording, AMissingOrChangedMapIsRefused) {
    std::string path = record(300);
    std::string err;
    write_map("test.krm", "\n");
    EXPECT_FALSE(playback.load(path, err));
    EXPECT_NE(std::string::npos, err.find("changed")) << err;

    ASSERT_EQ(0, rename("krm/test.krm", "krm/other.krm"));
    map.load();
    EXPECT_FALSE(playback.load(path, err));
    EXPECT_NE(std::string::npos, err.find("not in the map list")) << err;
}

// A map from another folder (krag --map) is recorded by its file's own name: its replay
// says which file it needs and plays once that file is given again. A name no replay
// can hold (the list shows it cut) leaves the match unrecorded, saying why.
TEST_F(Recording, AMapFromAnotherFolderIsNamedByItsFile) {
    write_map("far.krm", "\n");
    ASSERT_EQ(0, rename("krm/far.krm", "far.krm"));
    options.level = map.add_file(dir + "/far.krm");
    std::string path = record(300), err;
    map.load();
    EXPECT_FALSE(playback.load(path, err));
    EXPECT_NE(std::string::npos, err.find("far.krm is not in the map list (one from another folder")) << err;
    map.add_file(dir + "/far.krm");
    EXPECT_TRUE(playback.load(path, err)) << err;

    ASSERT_EQ(0, rename("far.krm", "a-very-long-name.krm"));
    options.level = map.add_file(dir + "/a-very-long-name.krm");
    testing::internal::CaptureStderr();
    record(30);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                     "a-very-long-name.krm cannot be named in a replay"));
}

TEST_F(Recording, AnUnwritableFolderGivesOneLineAndTheMatchPlaysOn) {
    FILE *f = fopen((dir + "/data").c_str(), "w"); // a file where the folder should be
    fclose(f);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(recording.init(replays_dir));
    for (long t = 0; t < 600; t++)
        recording.update();
    recording.quit();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
    EXPECT_NE(std::string::npos, said.find("not recorded")) << said;
    EXPECT_EQ(600, recording.stats.ticks);
    EXPECT_GT(players[0].health, -500); // the match went on: the human spawned
}

TEST_F(Recording, FilesAreNamedByTimeAndMapAndOnlyTheNewest50AreKept) {
    ASSERT_EQ(0, system(("mkdir -p " + replays_dir).c_str()));
    // 55 older recordings, a day apart, and a file of another kind.
    for (int i = 0; i < 55; i++) {
        char name[64];
        snprintf(name, sizeof name, "/2020-01-01_12-00-%02d_OLD.krr", i);
        std::string p = replays_dir + name;
        fclose(fopen(p.c_str(), "w"));
        struct utimbuf t = {time(nullptr) - 86400 * (60 - i), time(nullptr) - 86400 * (60 - i)};
        utime(p.c_str(), &t);
    }
    fclose(fopen((replays_dir + "/notes.txt").c_str(), "w"));

    std::string first = record(10);
    std::string second = record(10);
    char stamp[32];
    time_t now = time(nullptr);
    strftime(stamp, sizeof stamp, "%Y-%m-%d_", localtime(&now));
    EXPECT_NE(std::string::npos, first.find(std::string("/") + stamp)) << first;
    EXPECT_NE(std::string::npos, first.find("_TEST")) << first;
    EXPECT_NE(first, second);

    std::vector<std::string> kept = list_replays(replays_dir);
    ASSERT_EQ(50u, kept.size());
    EXPECT_EQ(second, kept[0]);
    EXPECT_EQ(first, kept[1]);
    EXPECT_EQ(replays_dir + "/2020-01-01_12-00-54_OLD.krr", kept[2]);
    EXPECT_EQ(replays_dir + "/2020-01-01_12-00-07_OLD.krr", kept[49]);
    struct stat st;
    EXPECT_EQ(0, stat((replays_dir + "/notes.txt").c_str(), &st));
}

// The player's own files in the replay folder, files reached through symlinks and a
// replay folder that is a symlink are never pruned; a symlink planted at the name of a
// temporary is not written through.
TEST_F(Recording, PruningTouchesOnlyTheGamesOwnRecordingsAndNoSymlink) {
    std::string other = dir + "/other", victim = dir + "/victim";
    ASSERT_EQ(0, system(("mkdir -p " + replays_dir + " " + other).c_str()));
    auto old_file = [](const std::string &p) {
        fclose(fopen(p.c_str(), "w"));
        struct utimbuf t = {1000000000, 1000000000};
        utime(p.c_str(), &t);
    };
    for (int i = 0; i < 60; i++) {
        char name[64];
        snprintf(name, sizeof name, "/2020-01-01_12-00-%02d_OLD.krr", i);
        old_file(replays_dir + name);
        old_file(other + name);
    }
    for (const char *mine : {"/my-best.krr", "/.hidden.krr", "/2020-01-01_notes.krr"})
        old_file(replays_dir + mine);
    old_file(victim);
    symlink((other + "/2020-01-01_12-00-00_OLD.krr").c_str(),
            (replays_dir + "/2020-01-01_12-00-99_LINK.krr").c_str());
    for (time_t t = time(nullptr); t < time(nullptr) + 2; t++) { // the old temporary names
        char stamp[32];
        strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", localtime(&t));
        symlink(victim.c_str(), (replays_dir + "/" + stamp + "_TEST.krr.tmp").c_str());
    }
    ASSERT_FALSE(record(10).empty());
    struct stat st;
    EXPECT_TRUE(stat(victim.c_str(), &st) == 0 && st.st_size == 0) << "written through a symlink";
    for (const char *kept : {"/my-best.krr", "/.hidden.krr", "/2020-01-01_notes.krr",
                             "/2020-01-01_12-00-99_LINK.krr", "/2020-01-01_12-00-59_OLD.krr"})
        EXPECT_EQ(0, lstat((replays_dir + kept).c_str(), &st)) << kept;
    EXPECT_NE(0, lstat((replays_dir + "/2020-01-01_12-00-09_OLD.krr").c_str(), &st));
    ASSERT_EQ(0, symlink(other.c_str(), (dir + "/linked").c_str()));
    prune_replays(dir + "/linked", 1, "");
    EXPECT_EQ(60, (int)list_replays(other).size());
}

// Every name the map list takes is recorded and plays back.
TEST_F(Recording, MapsWithAnyListedNameAreRecordedAndPlayBack) {
    for (const char *name : {"a b.krm", "\xc3\xbcn\xc3\xaf.krm", "...krm", ".hidden.krm"}) {
        write_map(name, "");
        map.load();
        options.level = map.find(name);
        ASSERT_GE(options.level, 0) << name;
        std::string path = record(20), err;
        ASSERT_FALSE(path.empty()) << name;
        EXPECT_TRUE(playback.load(path, err)) << name << ": " << err;
        ASSERT_EQ(0, unlink(("krm/" + std::string(name)).c_str()));
    }
    // A name that would break a line of the settings file is left out, saying why.
    write_map("x\nbots=1.krm", "");
    testing::internal::CaptureStderr();
    map.load();
    EXPECT_EQ("krm/x\\x0abots=1.krm: the name has a control character; left out\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(1, map.get_nm());
}

// A match left running past what a replay holds leaves a file that plays.
TEST_F(Recording, ARecordingStopsPlayableAtTheLongestReplay) {
    crecorder rec;
    ASSERT_TRUE(rec.open_file(dir + "/long.krr", 1));
    ccontrol still[MAX_PLAYERS] = {{0, 0, 320, 240}};
    testing::internal::CaptureStderr();
    for (long t = 0; t < REPLAY_MAX_TICKS + 500; t++)
        rec.tick(still);
    EXPECT_TRUE(rec.close("ticks=0"));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
    creplay r;
    std::string err;
    ASSERT_TRUE(read_replay_file(dir + "/long.krr", r, err)) << err;
    EXPECT_EQ(REPLAY_MAX_TICKS, r.ticks);
}

// A key pressed for one tick of the viewer.
static void viewer_tick(int scancode) {
    memset((void *)key, 0, KEY_MAX);
    if (scancode) key[scancode] = 1;
    input.capture();
    watch.update();
}

TEST_F(Recording, TheViewerPausesStepsAndChangesSpeed) {
    std::string path = record(2000);
    std::string err;
    ASSERT_TRUE(watch.init(path, err)) << err;
    viewer_tick(0);
    EXPECT_EQ(1, playback.stats.ticks);
    viewer_tick(KEY_SPACE); // pause
    viewer_tick(0);
    viewer_tick(0);
    EXPECT_EQ(1, playback.stats.ticks);
    viewer_tick(KEY_N); // one tick, only once however long N is held
    viewer_tick(KEY_N);
    viewer_tick(0);
    EXPECT_EQ(2, playback.stats.ticks);
    viewer_tick(KEY_SPACE); // go on
    EXPECT_EQ(3, playback.stats.ticks);
    viewer_tick(KEY_F); // 2x
    viewer_tick(0);
    EXPECT_EQ(7, playback.stats.ticks);
    viewer_tick(KEY_F); // 4x
    EXPECT_EQ(11, playback.stats.ticks);
    viewer_tick(KEY_N); // N does nothing while playing
    viewer_tick(KEY_F); // back to 1x
    EXPECT_EQ(16, playback.stats.ticks);
    EXPECT_FALSE(watch.leave);
    viewer_tick(KEY_ESC);
    EXPECT_TRUE(watch.leave);
    watch.quit();
    memset((void *)key, 0, KEY_MAX);
}

// The arrows jump ten seconds; a jump back restores a world saved on the way and plays
// only the few ticks from there, and every world it reaches is the one the match had.
TEST_F(Recording, TheViewerJumpsBothWaysToTheWorldTheMatchHadThere) {
    std::string path = record(4000);
    std::string err;
    ASSERT_TRUE(playback.load(path, err) && playback.begin(err)) << err;
    std::vector<uint64_t> straight{world_hash()};
    while (!playback.done()) {
        playback.step();
        straight.push_back(world_hash());
    }
    playback.end();

    ASSERT_TRUE(watch.init(path, err)) << err;
    viewer_tick(0);
    viewer_tick(KEY_RIGHT);
    EXPECT_EQ(1001, playback.ticks_done());
    viewer_tick(KEY_RIGHT); // held: once only, the match plays on
    viewer_tick(0);
    viewer_tick(KEY_RIGHT);
    EXPECT_EQ(2003, playback.ticks_done());
    viewer_tick(KEY_P); // the pause key pauses the viewer too
    viewer_tick(0);
    EXPECT_TRUE(watch.paused);
    viewer_tick(KEY_LEFT);
    ASSERT_EQ(1003, playback.ticks_done());
    EXPECT_LE(rewind_marks.played(), REWIND_EVERY_TICKS) << "never from the start";
    EXPECT_EQ(straight[1003], world_hash());
    viewer_tick(0);
    viewer_tick(KEY_LEFT);
    EXPECT_EQ(straight[3], world_hash());
    viewer_tick(0);
    viewer_tick(KEY_LEFT); // past the start: the start
    EXPECT_EQ(0, playback.ticks_done());
    EXPECT_EQ(straight[0], world_hash());
    for (int i = 0; i < 6; i++) {
        viewer_tick(KEY_RIGHT);
        viewer_tick(0);
        EXPECT_EQ(straight[playback.ticks_done()], world_hash()) << playback.ticks_done();
    }
    EXPECT_TRUE(playback.done());
    EXPECT_EQ(-1, playback.bad_tick) << "every recorded checksum still agrees";
    EXPECT_EQ(playback.replay.result, playback.stats.line());
    watch.quit();
    memset((void *)key, 0, KEY_MAX);
}

TEST_F(Recording, TheViewerStopsAtTheLastTick) {
    std::string path = record(30);
    std::string err;
    ASSERT_TRUE(watch.init(path, err)) << err;
    viewer_tick(0);
    viewer_tick(KEY_F);
    for (int i = 0; i < 20; i++)
        viewer_tick(0);
    EXPECT_EQ(30, playback.stats.ticks);
    EXPECT_TRUE(playback.done());
    watch.quit();
}

// A fresh click at (x, y) on a screen just entered.
template <class S> static void click(S &screen, int x, int y) {
    mouse_b = 0;
    input.capture();
    screen.update();
    mouse_x = x;
    mouse_y = y;
    mouse_b = 1;
    input.capture();
    screen.update();
    mouse_b = 0;
}

TEST_F(Recording, TheOptionsScreenOpensTheListAndKeepsItsPendingTicks) {
    options.init();
    click(options, 397, 254); // untick WINDOW: pending until BACK
    click(options, 455, 372); // REPLAYS
    EXPECT_TRUE(options.get_quit());
    EXPECT_TRUE(options.replays_asked);
    EXPECT_TRUE(options.window);
    options.init(); // back from the list
    EXPECT_FALSE(options.window_pending);
    click(options, 300, 372); // BACK
    EXPECT_TRUE(options.get_quit());
    EXPECT_FALSE(options.replays_asked);
    EXPECT_FALSE(options.window);
}

TEST_F(Recording, TheListShowsTheNewestFirstAndAClickChoosesOne) {
    options.gametype = GT_INSTAGIB;
    std::string older = record(20);
    struct utimbuf t = {time(nullptr) - 60, time(nullptr) - 60};
    utime(older.c_str(), &t);
    options.gametype = GT_DEATHMATCH;
    std::string newer = record(20);

    replays.init();
    ASSERT_EQ(2u, replays.rows.size());
    replays.fill(1000000000);
    EXPECT_EQ("DEATHMATCH", replays.rows[0].kind);
    EXPECT_EQ("INSTAGIB", replays.rows[1].kind);
    EXPECT_EQ("3 MEDIUM", replays.rows[0].bots);
    EXPECT_EQ("LEFT AT 0:00", replays.rows[0].result);
    click(replays, 200, 112); // the second row
    EXPECT_TRUE(replays.quit);
    EXPECT_EQ(older, replays.chosen);

    replays.init();
    click(replays, 200, 150); // below the last row: nothing
    EXPECT_FALSE(replays.quit);
    click(replays, 300, 372); // BACK
    EXPECT_TRUE(replays.quit);
    EXPECT_TRUE(replays.chosen.empty());
}

// Writes a replay of `ticks` still ticks into the replay folder; `line` is the trailer's
// result line, or empty for a file the game left unfinished (ending on a checksum).
static std::string plant(const std::string &dir, const std::string &name, creplay_header h,
                         long ticks, const std::string &line) {
    std::string bytes;
    creplay_writer w;
    w.start(h, bytes);
    ccontrol still[MAX_PLAYERS] = {{0, 0, 5, 5}};
    for (long t = 1; t <= ticks; t++) {
        w.tick(still, bytes);
        if (t % REPLAY_CHECK_TICKS == 0) w.checksum(7, bytes);
    }
    if (!line.empty()) w.trailer(line, bytes);
    EXPECT_EQ(0, system(("mkdir -p " + dir).c_str()));
    std::string path = dir + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return path;
}

TEST_F(Recording, EachRowSaysWhenWhereWhatAndHowItEndedOrWhyItCannotPlay) {
    creplay_header h;
    std::string err;
    ASSERT_TRUE(replay_header_now(1, h, err)) << err;
    h.settings.skill = 2;
    const std::string &d = replays_dir;

    creplay_row won = describe_replay(
        plant(d, "2026-12-08_14-03-22_TEST.krr", h, 41234, "ticks=41234 winner=0 kills=20,14,3,9"));
    EXPECT_EQ("12-08 14:03", won.when);
    EXPECT_EQ("TEST", won.map);
    EXPECT_EQ("3 EASY", won.bots);
    EXPECT_EQ("6:52", won.length);
    EXPECT_EQ("WON 20-14", won.result);
    EXPECT_EQ(REPLAY_PLAYABLE, won.trouble);

    creplay_header team = h;
    team.settings.gametype = GT_TEAMMATCH;
    creplay_row lost = describe_replay(
        plant(d, "team.krr", team, 1500, "ticks=1500 winner=1 kills=5,10,6,10 peak=x:1"));
    EXPECT_EQ("TEAMMATCH", lost.kind);
    EXPECT_EQ("LOST 11-20", lost.result); // the human's team holds the even slots
    EXPECT_EQ("LEFT AT 0:19", describe_replay(plant(d, "left.krr", h, 1999, "ticks=1999 winner=-1")).result);
    creplay_row dead = describe_replay(plant(d, "dead.krr", h, 300, ""));
    EXPECT_EQ("UNFINISHED", dead.result);
    EXPECT_EQ("0:03", dead.length);

    creplay_header gone = h, changed = h;
    gone.map = "gone.krm";
    changed.map_checksum ^= 1;
    EXPECT_EQ(REPLAY_NO_MAP, describe_replay(plant(d, "gone.krr", gone, 10, "ticks=10")).trouble);
    EXPECT_EQ(REPLAY_MAP_CHANGED, describe_replay(plant(d, "changed.krr", changed, 10, "ticks=10")).trouble);
    std::string newer = plant(d, "newer.krr", h, 10, "ticks=10");
    FILE *f = fopen(newer.c_str(), "r+b");
    fseek(f, 4, SEEK_SET);
    fputc(REPLAY_VERSION + 1, f);
    fclose(f);
    EXPECT_EQ(REPLAY_OTHER_VERSION, describe_replay(newer).trouble);
    std::string junk = d + "/junk.krr";
    f = fopen(junk.c_str(), "wb");
    fputs("not a replay at all", f);
    fclose(f);
    EXPECT_EQ(REPLAY_DAMAGED, describe_replay(junk).trouble);

    // A click on a row that cannot play says why and stays on the list.
    replays.init();
    replays.fill(1000000000);
    int row = -1;
    for (size_t i = 0; i < replays.files.size(); i++)
        if (replays.files[i] == junk) row = (int)i;
    ASSERT_GE(row, 0);
    ASSERT_LT(row, REPLAY_ROWS);
    click(replays, 200, 98 + 12 * row + 2);
    EXPECT_FALSE(replays.quit);
    EXPECT_EQ("CANNOT PLAY IT: DAMAGED", replays.message);
}

// The rows are read a few at a time, the page on show first, so the screen answers
// (every tick handles its input before reading) while a long list fills.
TEST_F(Recording, TheListFillsThePageOnShowFirstAndAnswersMeanwhile) {
    creplay_header h;
    std::string err;
    ASSERT_TRUE(replay_header_now(1, h, err)) << err;
    for (int i = 0; i < REPLAY_ROWS + 3; i++)
        plant(replays_dir, "m" + std::to_string(100 + i) + ".krr", h, 10, "ticks=10");
    replays.init();
    EXPECT_EQ(0, replays.ready);
    replays.first = REPLAY_ROWS; // the second page on show
    for (int i = 1; i <= 3; i++) {
        replays.fill(0); // no time to spare: one row a call
        EXPECT_EQ(i, replays.ready);
        EXPECT_TRUE(replays.rows[REPLAY_ROWS + i - 1].ready) << i;
    }
    EXPECT_FALSE(replays.rows[0].ready);
}

} // namespace
