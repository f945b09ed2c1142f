#include "shell/replays.h"

#include <algorithm>
#include <allegro.h>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "match/replay.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/shell.h"

creplays replays;

static const char *const TYPE_NAMES[4] = {"DEATHMATCH", "TEAMMATCH", "RPG-ARENA", "INSTAGIB"};
static const char *const SKILL_NAMES[3] = {"HARD", "MEDIUM", "EASY"};
static const int ROW_X1 = 48, ROW_X2 = 572, ROW_Y = 98, ROW_STEP = 12;
// Where each column starts (the length is right-aligned at its end).
static const int COL_WHEN = 52, COL_MAP = 148, COL_KIND = 236, COL_BOTS = 324, COL_LENGTH_END = 444,
                 COL_RESULT = 452;
static const int ARROW_X1 = 580, ARROW_X2 = 589, UP_Y1 = 96, UP_Y2 = 104, DOWN_Y1 = 106,
                 DOWN_Y2 = 114;
static const int FILE_NAME_Y = 392; // the pointed row's file name, under the buttons
static const size_t NAME_SHOWN = 76;    // characters of a file name that fit the screen
static const long FILL_BUDGET_NS = 4000000; // of each 10 ms tick, for reading rows

std::string replay_clock(long ticks) {
    long s = ticks / 100;
    char buf[24];
    snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

// "12-08 14:03" from a name the recorder gave ("2026-12-08_14-03-22_ARENA.krr"), else
// from the file's time.
static std::string when_of(const std::string &path) {
    std::string name = path.substr(path.rfind('/') + 1);
    static const char *const shape = "dddd-dd-dd_dd-dd-dd_";
    bool given = name.size() > strlen(shape);
    for (size_t i = 0; given && shape[i]; i++)
        given = shape[i] == 'd' ? isdigit((unsigned char)name[i]) != 0 : name[i] == shape[i];
    if (given) return name.substr(5, 5) + " " + name.substr(11, 2) + ":" + name.substr(14, 2);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "";
    struct tm local;
    localtime_r(&st.st_mtime, &local);
    char buf[16];
    strftime(buf, sizeof buf, "%m-%d %H:%M", &local);
    return buf;
}

// The kills of everyone in slot order from a result line ("... kills=3,20,7 ...").
static std::vector<int> kills_of(const std::string &result) {
    std::vector<int> kills;
    size_t at = result.find(" kills=");
    if (at == std::string::npos) return kills;
    const char *p = result.c_str() + at + 7;
    while (isdigit((unsigned char)*p)) {
        kills.push_back(atoi(p));
        while (isdigit((unsigned char)*p)) p++;
        if (*p != ',') break;
        p++;
    }
    return kills;
}

// "WON 20-14", "LOST 9-20": the followed slot's kills (or team's) against the best of
// the rest.
static std::string outcome(const creplay_summary &s) {
    const char *w = strstr(s.result.c_str(), " winner=");
    int winner = w ? atoi(w + 8) : -1;
    if (winner < 0) return "LEFT AT " + replay_clock(s.ticks);
    std::vector<int> kills = kills_of(s.result);
    int me = s.header.local >= 0 ? s.header.local : 0, mine = 0, theirs = 0;
    bool teams = s.header.settings.gametype == GT_TEAMMATCH;
    for (size_t i = 0; i < kills.size(); i++) {
        if (teams) // teams by slot: the even slots against the odd ones
            ((int)i % 2 == me % 2 ? mine : theirs) += kills[i];
        else if ((int)i == me)
            mine = kills[i];
        else
            theirs = std::max(theirs, kills[i]);
    }
    bool won = teams ? winner == me % 2 : winner == me;
    return (won ? "WON " : "LOST ") + std::to_string(mine) + "-" + std::to_string(theirs);
}

creplay_row describe_replay(const std::string &path) {
    creplay_row row;
    row.ready = true;
    row.when = when_of(path);
    creplay_summary s;
    std::string err;
    bool read = read_replay_summary_file(path, s, err);
    row.trouble = replay_header_trouble(read, s.header, err);
    if (!read) return row;
    std::string name = s.header.map.substr(0, s.header.map.size() - 4);
    for (char &c : name) c = (char)toupper((unsigned char)c);
    row.map = name;
    const creplay_settings &set = s.header.settings;
    row.kind = TYPE_NAMES[set.gametype];
    row.bots = std::to_string(set.bots) + " " + SKILL_NAMES[set.skill];
    if (s.ticks >= 0) row.length = replay_clock(s.ticks);
    row.result = s.finished ? outcome(s) : "UNFINISHED";
    return row;
}

void creplays::init() {
    files = list_replays(replay_dir());
    rows.assign(files.size(), creplay_row());
    for (creplay_row &r : rows) r.ready = false;
    ready = 0;
    first = 0;
    chosen.clear();
    quit = false;
    latch = true;
    escape_latch = true;
}

static long now_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long)t.tv_sec * 1000000000L + t.tv_nsec;
}

void creplays::fill(long budget_ns) {
    long until = now_ns() + budget_ns;
    int count = (int)files.size();
    // The page on show first, then the rest from the top.
    for (int pass = 0; pass < 2 && ready < count; pass++) {
        int from = pass == 0 ? first : 0, to = pass == 0 ? std::min(first + REPLAY_ROWS, count) : count;
        for (int i = from; i < to && ready < count; i++) {
            if (rows[i].ready) continue;
            rows[i] = describe_replay(files[i]);
            ready++;
            if (now_ns() >= until) return;
        }
    }
}

static bool inside(int x, int y, int x1, int y1, int x2, int y2) {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

// The row (index into files) under the point, or -1.
static int row_at(const creplays &r, int x, int y) {
    if (!inside(x, y, ROW_X1, ROW_Y - 1, ROW_X2, ROW_Y - 2 + REPLAY_ROWS * ROW_STEP)) return -1;
    int i = r.first + (y - (ROW_Y - 1)) / ROW_STEP;
    return i < (int)r.files.size() ? i : -1;
}

// Every change the list shows follows a press or a row read (the page moves only on a press).
bool creplays::changed() { return look.changed(pointer_x(), pointer_y(), presses, ready); }

void creplays::update() {
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    if (!escape) escape_latch = false;
    if (escape && !escape_latch) {
        quit = true;
        return;
    }
    fill(FILL_BUDGET_NS);

    if (!input.button(BUTTON_LEFT)) {
        latch = false;
        return;
    }
    if (latch) return;
    latch = true;
    presses++;

    int x = input.x(), y = input.y();
    int count = (int)files.size();
    int i = row_at(*this, x, y);
    if (inside(x, y, ARROW_X1, UP_Y1, ARROW_X2, UP_Y2)) {
        first = first >= REPLAY_ROWS ? first - REPLAY_ROWS : 0;
    } else if (inside(x, y, ARROW_X1, DOWN_Y1, ARROW_X2, DOWN_Y2)) {
        if (first + REPLAY_ROWS < count) first += REPLAY_ROWS;
    } else if (inside(x, y, 260, 362, 379, 382)) {
        quit = true;
    } else if (i >= 0 && rows[i].ready && rows[i].trouble != REPLAY_PLAYABLE) {
        message = std::string("CANNOT PLAY IT: ") + replay_trouble_words(rows[i].trouble);
    } else if (i >= 0) {
        chosen = files[i];
        quit = true;
    }
}

void creplays::draw() {
    if (!bbuffer) return;
    if (breplays)
        blit(breplays, bbuffer, 0, 0, 0, 0, 640, 480);
    else
        clear_to_color(bbuffer, makecol(0, 0, 0));
    int white = makecol(255, 255, 255), lit = makecol(255, 220, 120), grey = makecol(150, 160, 190);
    int red = makecol(255, 96, 64);
    int px = pointer_x(), py = pointer_y();
    int pointed = row_at(*this, px, py);
    if (files.empty())
        textprintf_ex(bbuffer, font, 56, ROW_Y, white, -1, "NO MATCHES RECORDED YET");
    for (int r = 0; r < REPLAY_ROWS && first + r < (int)files.size(); r++) {
        const creplay_row &row = rows[first + r];
        int y = ROW_Y + r * ROW_STEP;
        int c = first + r == pointed ? lit : white;
        if (!row.ready) {
            textout_ex(bbuffer, font, "...", COL_WHEN, y, grey, -1);
            continue;
        }
        textout_ex(bbuffer, font, row.when.c_str(), COL_WHEN, y, c, -1);
        textout_ex(bbuffer, font, row.map.c_str(), COL_MAP, y, c, -1);
        if (row.trouble != REPLAY_PLAYABLE) {
            textout_ex(bbuffer, font, replay_trouble_words(row.trouble), COL_KIND, y, red, -1);
            continue;
        }
        textout_ex(bbuffer, font, row.kind.c_str(), COL_KIND, y, c, -1);
        textout_ex(bbuffer, font, row.bots.c_str(), COL_BOTS, y, c, -1);
        textout_right_ex(bbuffer, font, row.length.c_str(), COL_LENGTH_END, y, c, -1);
        textout_ex(bbuffer, font, row.result.c_str(), COL_RESULT, y, c, -1);
    }
    if (!files.empty())
        textprintf_right_ex(bbuffer, font, 570, 83, white, -1, "%d-%d OF %d", first + 1,
                            std::min(first + REPLAY_ROWS, (int)files.size()), (int)files.size());
    if (pointed >= 0) {
        const std::string &f = files[pointed];
        textprintf_centre_ex(bbuffer, font, 320, FILE_NAME_Y, grey, -1, "%s",
                             f.substr(f.rfind('/') + 1, NAME_SHOWN).c_str());
    }
    if (!message.empty())
        textprintf_centre_ex(bbuffer, font, 320, 349, red, -1, "%s", message.c_str());
    if (bcursor) draw_sprite(bbuffer, bcursor, px, py);
    present(0, 0);
}
