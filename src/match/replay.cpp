#include "match/replay.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "match/game.h"
#include "match/scoreboard.h"
#include "match/world.h"
#include "players/player.h"
#include "shell/datadir.h"
#include "shell/input.h"
#include "shell/say.h"
#include "world/map.h"
#include "world/mapname.h"

#ifndef KRAG_VERSION
#define KRAG_VERSION "unknown"
#endif

crecording recording;
cplayback playback;

std::string replay_dir() { return xdg_path("XDG_DATA_HOME", ".local/share", "krag/replays"); }

std::string absolute_path(const std::string &file) {
    if (file.empty() || file[0] == '/') return file;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return file;
    return std::string(cwd) + "/" + file;
}

std::vector<std::string> list_replays(const std::string &dir) {
    struct entry {
        std::string path;
        long long mtime; // nanoseconds: two matches may end in the same second
    };
    std::vector<entry> found;
    DIR *d = opendir(dir.c_str());
    if (d) {
        while (dirent *e = readdir(d)) {
            size_t n = strlen(e->d_name);
            if (n < 5 || strcmp(e->d_name + n - 4, ".krr") != 0) continue;
            std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                found.push_back(
                    entry{path, (long long)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec});
        }
        closedir(d);
    }
    std::sort(found.begin(), found.end(), [](const entry &a, const entry &b) {
        if (a.mtime != b.mtime) return a.mtime > b.mtime;
        return a.path > b.path;
    });
    std::vector<std::string> paths;
    for (const entry &e : found)
        paths.push_back(e.path);
    return paths;
}

template <class T> static void mix(uint32_t &h, T v) { h = fnv1a(&v, sizeof v, h); }

uint32_t world_checksum() {
    uint32_t h = fnv1a(nullptr, 0);
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        mix(h, (int)p.active);
        if (!p.active) continue;
        mix(h, p.health);
        mix(h, p.kills);
        // A body waiting to spawn keeps the place of an earlier life (or match), which
        // nothing reads until the spawn moves it.
        if (p.health <= 0) continue;
        mix(h, p.x);
        mix(h, p.y);
    }
    int counts[POOL_COUNT];
    sim_count_live(counts);
    for (int k = 0; k < POOL_COUNT; k++)
        mix(h, counts[k]);
    return h;
}

bool file_checksum(const std::string &path, uint32_t &sum) {
    std::string why;
    int fd = open_regular_file(path.c_str(), why);
    if (fd < 0) return false;
    sum = fnv1a(nullptr, 0);
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        sum = fnv1a(buf, (size_t)n, sum);
    }
    close(fd);
    return n == 0;
}

bool replay_header_now(uint32_t seed, creplay_header &h, std::string &err) {
    h.version = REPLAY_VERSION;
    h.game_version = KRAG_VERSION;
    creplay_settings &s = h.settings;
    s.gametype = options.gametype;
    s.bots = options.bots;
    s.skill = options.skill;
    s.kills = options.kills;
    s.blood = options.blood;
    s.hair = options.hair;
    s.shirt = options.shirt;
    s.pants = options.pants;
    s.health = options.health;
    s.grenades = options.grenades;
    s.firerate = options.firerate;
    s.heatseek = options.heatseek;
    s.slowmotion = options.slowmotion;
    int level = options.get_level();
    if (level < 0 || level >= map.get_nm()) {
        err = "no map is chosen";
        return false;
    }
    std::string file = map.path(level);
    h.map = file.substr(file.rfind('/') + 1);
    if (const char *why = map_file_name_problem(h.map)) {
        err = "its map file " + file + " cannot be named in a replay (" + why + ")";
        return false;
    }
    if (!file_checksum(map.path(level), h.map_checksum)) {
        err = "cannot read the map file " + map.path(level);
        return false;
    }
    h.seed = seed;
    h.humans = game.humans;
    h.local = game.human(game.local) ? game.local : -1;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        coutfit o = game.outfit(i);
        creplay_player &p = h.players[i];
        p = creplay_player{((game.dressed >> i) & 1) != 0, o.hair, o.shirt, o.pants, ""};
        // A name the file cannot hold is left out rather than the match unrecorded.
        const std::string &name = scoreboard_name_of(i);
        bool plain = name.size() <= (size_t)REPLAY_NAME_MAX;
        for (char c : name) plain = plain && c >= 32 && c <= 126;
        if (plain) p.name = name;
    }
    return true;
}

// ---- recording ----

static void unrecorded(const std::string &what) {
    say("krag: %s; the match is not recorded", what.c_str());
}

bool replay_file_name(const std::string &name) {
    // DATE_TIME_ is "2026-12-08_14-03-22_", then the map's name and ".krr".
    static const char SHAPE[] = "dddd-dd-dd_dd-dd-dd_";
    const size_t stamp = sizeof SHAPE - 1;
    if (name.size() < stamp + 5 || name.compare(name.size() - 4, 4, ".krr") != 0) return false;
    for (size_t i = 0; i < stamp; i++)
        if (SHAPE[i] == 'd' ? !isdigit((unsigned char)name[i]) : name[i] != SHAPE[i]) return false;
    return name.find('/') == std::string::npos;
}

void prune_replays(const std::string &dir, int keep, const std::string &spare) {
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dfd < 0) return;
    DIR *d = fdopendir(dfd);
    if (!d) {
        close(dfd);
        return;
    }
    struct entry {
        std::string name;
        long long mtime; // nanoseconds: two matches may end in the same second
    };
    std::vector<entry> found;
    while (dirent *e = readdir(d)) {
        struct stat st;
        if (!replay_file_name(e->d_name) || e->d_name == spare) continue;
        if (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        found.push_back(entry{e->d_name, (long long)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec});
    }
    std::sort(found.begin(), found.end(), [](const entry &a, const entry &b) {
        if (a.mtime != b.mtime) return a.mtime > b.mtime;
        return a.name > b.name;
    });
    // The spared file is one of the kept.
    for (size_t i = keep > 0 ? (size_t)keep - 1 : 0; i < found.size(); i++)
        unlinkat(dfd, found[i].name.c_str(), 0);
    closedir(d);
}

static bool ours(const std::string &base) { return replay_file_name(base); }

bool crecorder::start(const std::vector<std::string> &names, const creplay_header &h, bool replace) {
    abandon();
    std::string bytes, why;
    if (!writer.start(h, bytes)) {
        unrecorded("the replay header does not fit");
        return false;
    }
    const std::string &first = names[0];
    if (!out.open(first, why) || !out.write(bytes, why)) {
        out.discard();
        unrecorded("cannot write " + first + ": " + why);
        return false;
    }
    // The header goes in place whole, under a name nobody else has taken.
    path.clear();
    for (const std::string &name : names) {
        if (hold || out.commit(name, replace, why)) {
            path = name;
            break;
        }
        if (errno != EEXIST || replace) break;
    }
    if (path.empty()) {
        out.discard();
        unrecorded("cannot write " + first + ": " + why);
        return false;
    }
    pending.clear();
    failed = false;
    own_checks = true;
    checked = 0;
    return true;
}

bool crecorder::open_file(const std::string &file, uint32_t seed, bool keep_old) {
    abandon();
    creplay_header h;
    std::string err;
    if (!replay_header_now(seed, h, err)) {
        unrecorded(err);
        return false;
    }
    // Only a regular file is ever replaced: never a device, a FIFO or a symlink's target.
    struct stat st;
    if (lstat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        unrecorded(file + " is not a regular file; it is left as it is");
        return false;
    }
    hold = keep_old;
    return start({file}, h, true);
}

bool crecorder::open_in(const std::string &dir, uint32_t seed) {
    abandon();
    hold = false;
    if (dir.empty()) {
        unrecorded("neither XDG_DATA_HOME nor HOME is set, so there is no replay folder");
        return false;
    }
    std::string why;
    if (!make_private_folders(dir, why)) {
        unrecorded(why);
        return false;
    }
    remove_stale_temporaries(dir, ours);
    creplay_header h;
    std::string err;
    if (!replay_header_now(seed, h, err)) {
        unrecorded(err);
        return false;
    }

    // 2026-12-08_14-03-22_ARENA.krr; a second match in the same second gets -2, -3, ...
    char stamp[32], name[11];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    map.get_name(options.get_level(), name);
    std::string base = dir + "/" + stamp + "_" + name;
    std::vector<std::string> names = {base + ".krr"};
    for (int n = 2; n < 1000; n++)
        names.push_back(base + "-" + std::to_string(n) + ".krr");
    if (!start(names, h, false)) return false;
    prune_replays(dir, REPLAYS_KEPT, path.substr(dir.size() + 1));
    return true;
}

void crecorder::write_out() {
    std::string why;
    if (out.fd >= 0 && !out.write(pending, why)) {
        say("krag: cannot write the replay %s: %s; the rest of the match is not recorded",
            path.c_str(), why.c_str());
        failed = true;
        abandon();
    }
    pending.clear();
}

bool crecorder::open() {
    if (out.fd < 0) return false;
    if (writer.ticks() < REPLAY_MAX_TICKS) return true;
    // The reader takes no more: the file ends here, playable up to this tick.
    say("krag: the replay %s has reached %ld ticks, the most a replay holds; the rest "
        "of the match is not recorded",
        path.c_str(), REPLAY_MAX_TICKS);
    if (hold) failed = true;
    abandon();
    return false;
}

void crecorder::tick(const ccontrol in[MAX_PLAYERS]) {
    if (!open()) return;
    writer.tick(in, pending);
    if (own_checks && writer.ticks() % REPLAY_CHECK_TICKS == 0) {
        checked = writer.ticks();
        writer.checksum(world_hash(), pending);
        write_out();
    }
}

void crecorder::leave(int slot) {
    if (out.fd >= 0) writer.leave(slot, pending);
}

void crecorder::check(uint64_t hash) {
    own_checks = false;
    // One to a tick: the reader refuses a second.
    if (out.fd < 0 || writer.ticks() == 0 || writer.ticks() == checked) return;
    checked = writer.ticks();
    writer.checksum(hash, pending);
    write_out();
}

bool crecorder::close(const std::string &result) {
    if (out.fd < 0) {
        bool ok = !failed;
        abandon();
        return ok && !path.empty();
    }
    writer.trailer(result, pending);
    write_out();
    std::string why;
    bool ok = out.fd >= 0 && (hold ? out.commit(path, true, why) : out.sync(why));
    if (out.fd >= 0 && !ok)
        say("krag: cannot write the replay %s: %s", path.c_str(), why.c_str());
    if (!ok) failed = true;
    out.close();
    abandon();
    return ok;
}

void crecorder::abandon() {
    out.discard(); // a held file never reaches its place unfinished
    pending.clear();
}

bool crecording::init(const std::string &dir) {
    // A fresh seed for every match, drawn from the sequence seeded at start-up.
    uint32_t seed = (uint32_t)rand();
    srand(seed);
    stats.clear();
    if (!game.init()) return false;
    file.open_in(dir, seed);
    return true;
}

void crecording::update() {
    stats.update();
    file.tick(game.given);
}

void crecording::draw() { game.draw(); }

void crecording::quit() {
    file.close(stats.line());
    game.quit();
}

// ---- playback ----

const char *replay_trouble_words(int trouble) {
    switch (trouble) {
    case REPLAY_DAMAGED:
        return "DAMAGED";
    case REPLAY_OTHER_VERSION:
        return "FROM ANOTHER VERSION OF THE GAME";
    case REPLAY_NO_MAP:
        return "ITS MAP IS MISSING";
    case REPLAY_MAP_CHANGED:
        return "ITS MAP HAS CHANGED";
    default:
        return "";
    }
}

int replay_header_trouble(bool header_read, const creplay_header &h, std::string &err,
                          bool any_map) {
    if (!header_read) return h.version > REPLAY_VERSION ? REPLAY_OTHER_VERSION : REPLAY_DAMAGED;
    const std::string &name = h.map;
    int level = map.find(name.c_str());
    if (level < 0) {
        err = "its map " + name +
              " is not in the map list (one from another folder can be given with --map FILE)";
        return REPLAY_NO_MAP;
    }
    uint32_t sum;
    if (!file_checksum(map.path(level), sum)) {
        err = "its map " + map.path(level) + " cannot be read";
        return REPLAY_NO_MAP;
    }
    if (sum != h.map_checksum && !any_map) {
        err = "its map " + name + " has changed since the match was recorded";
        return REPLAY_MAP_CHANGED;
    }
    return REPLAY_PLAYABLE;
}

bool cplayback::load(const std::string &path, std::string &err, bool any_map) {
    end();
    cursor.restart();
    replay.header.version = 0;
    bool read = read_replay_file(path, replay, err);
    trouble = replay_header_trouble(read, replay.header, err, any_map);
    return trouble == REPLAY_PLAYABLE;
}

// The match's slots: who is human, whom the view follows, outfits.
static void put_slots(cgame &to, const cgame &from) {
    to.humans = from.humans;
    to.local = from.local;
    to.dressed = from.dressed;
    for (int i = 0; i < MAX_PLAYERS; i++) to.outfits[i] = from.outfits[i];
}

bool cplayback::begin(std::string &err) {
    end();
    saved = options;
    put_slots(kept, game);
    const creplay_header &h = replay.header;
    const creplay_settings &s = h.settings;
    options.gametype = s.gametype;
    options.bots = s.bots;
    options.skill = s.skill;
    options.kills = s.kills;
    options.blood = s.blood;
    options.hair = s.hair;
    options.shirt = s.shirt;
    options.pants = s.pants;
    options.health = s.health;
    options.grenades = s.grenades;
    options.firerate = s.firerate;
    options.heatseek = s.heatseek;
    options.slowmotion = s.slowmotion;
    options.level = map.find(h.map.c_str());
    game.humans = h.humans;
    game.dressed = 0;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        const creplay_player &p = h.players[i];
        if (((h.humans >> i) & 1) && p.dressed) game.dressed |= 1u << i;
        game.outfits[i] = coutfit{p.hair, p.shirt, p.pants};
        scoreboard_name(i, p.name);
    }
    // A host without a player recorded no view of its own: the first human's, or slot 0's.
    game.local = h.local;
    for (int i = MAX_PLAYERS - 1; i >= 0 && game.local < 0; i--)
        if (((h.humans >> i) & 1) || i == 0) game.local = i;

    srand(h.seed);
    stats.clear();
    cursor.restart();
    next_check = 0;
    bad_tick = -1;
    if (!game.init()) {
        game.quit();
        options = saved;
        put_slots(game, kept);
        scoreboard_names_clear();
        err = "its map " + h.map + " cannot be loaded";
        trouble = REPLAY_NO_MAP;
        return false;
    }
    running = true;
    return true;
}

void cplayback::step() {
    if (!running || cursor.done()) return;
    if (replay.header.version >= 2) {
        cursor.next(given, leaving);
        for (int i = 0; i < MAX_PLAYERS; i++)
            if ((leaving >> i) & 1) game.leave(i);
        // The crosshair shows where the followed slot aimed, in its view.
        const ccontrol &c = given[game.local];
        const cplayer &p = players[game.local];
        input.set(ctick_input{c.actions, c.aim_x - p.view_x, c.aim_y - p.view_y, c.buttons, false});
        stats.update(given);
        game.follow();
    } else {
        input.set(cursor.next());
        leaving = 0;
        stats.update();
        for (int i = 0; i < MAX_PLAYERS; i++) given[i] = game.given[i];
    }
    while (next_check < replay.checks.size() && replay.checks[next_check].tick <= stats.ticks) {
        const creplay_check &c = replay.checks[next_check++];
        if (c.tick != stats.ticks || bad_tick >= 0) continue;
        uint64_t sum = replay.header.version >= 2 ? world_hash() : world_checksum();
        if (sum != c.sum) {
            bad_tick = c.tick;
            bad_recorded = c.sum;
            bad_replayed = sum;
        }
    }
}

void cplayback::end() {
    if (!running) return;
    game.quit();
    options = saved;
    put_slots(game, kept);
    scoreboard_names_clear();
    input.clear();
    running = false;
}
