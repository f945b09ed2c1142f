#include "shell/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "net/wire.h"
#include "shell/datadir.h"
#include "shell/files.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "shell/say.h"
#include "world/map.h"

static const csetting_word GAMETYPE_WORDS[] = {
    {0, "DEATHMATCH"}, {1, "TEAMMATCH"}, {2, "RPG-ARENA"}, {3, "INSTAGIB"}, {0, nullptr}};
static const csetting_word SKILL_WORDS[] = {{0, "HARD"}, {1, "MEDIUM"}, {2, "EASY"}, {0, nullptr}};
static const csetting_word HAIR_WORDS[] = {{0, "BLACK"}, {1, "BROWN"}, {2, "YELLOW"}, {0, nullptr}};
static const csetting_word COLOUR_WORDS[] = {{0, "BLUE"}, {1, "GREEN"}, {2, "RED"}, {0, nullptr}};
// The gore divisor, written as the percentage the options screen shows.
static const csetting_word BLOOD_WORDS[] = {{2, "100%"}, {4, "50%"}, {8, "25%"}, {0, nullptr}};
static const csetting_word MARK_WORDS[] = {
    {MARK_SPAWN, "SPAWN"}, {MARK_ALWAYS, "ALWAYS"}, {0, nullptr}};
static const csetting_word SCALE_WORDS[] = {
    {FULLSCREEN_SHARP, "sharp"}, {FULLSCREEN_FILL, "fill"}, {0, nullptr}};
static const csetting_word VIDEO_WORDS[] = {{CHOICE_WINDOW, "window"},
                                            {CHOICE_SCALED, "double"},
                                            {CHOICE_FULLSCREEN, "fullscreen"},
                                            {0, nullptr}};

// The map is stored by its file name without ".krm", so a list that gains or loses
// maps still finds it.
static const char *parse_map(const char *text, int &value) {
    std::string file = std::string(text) + ".krm";
    for (int i = 0; i < map.get_nm(); i++)
        if (file == map.names[i]) {
            value = i;
            return nullptr;
        }
    for (int i = 0; i < map.get_nm(); i++)
        if (strcasecmp(file.c_str(), map.names[i]) == 0) {
            value = i;
            return nullptr;
        }
    return "is not in the map list";
}

static std::string format_map(int value) {
    if (value < 0 || value >= map.get_nm()) return "";
    std::string name = map.names[value];
    return name.substr(0, name.size() - 4);
}

// Key bindings are stored by key name ("A", "SPACE", "MOUSE1", "NONE").
static const char *parse_binding(const char *text, int &value) {
    int b = binding_by_name(text);
    if (b < 0) return "is not a key name";
    if (!bindable(b)) return "cannot be bound (it leaves the match)";
    value = b;
    return nullptr;
}

static std::string format_binding(int value) {
    const char *name = binding_name(value);
    return name ? name : "";
}

#define SETTING_KEY(key, action)                                                                   \
    setting_custom_at(key, &input.binding[action], default_binding(action), parse_binding,         \
                      format_binding)

// constexpr: the table is complete before any constructor (coptions' among them) reads it.
constexpr csetting SETTINGS[] = {
    setting_words("mark_me", &coptions::markme, MARK_SPAWN, MARK_WORDS),
    setting_words("game_type", &coptions::gametype, 0, GAMETYPE_WORDS),
    setting_number("kill_limit", &coptions::kills, 20, 1, 25),
    setting_number("bots", &coptions::bots, 3, 1, 5),
    setting_words("skill", &coptions::skill, 1, SKILL_WORDS),
    setting_custom("map", &coptions::level, 0, parse_map, format_map),
    setting_words("hair", &coptions::hair, 1, HAIR_WORDS),
    setting_words("shirt", &coptions::shirt, 0, COLOUR_WORDS),
    setting_words("pants", &coptions::pants, 1, COLOUR_WORDS),
    setting_words("blood", &coptions::blood, 2, BLOOD_WORDS),
    setting_switch("powerup_health", &coptions::health, true),
    setting_switch("powerup_grenades", &coptions::grenades, true),
    setting_switch("powerup_firerate", &coptions::firerate, true),
    setting_switch("powerup_heatseek", &coptions::heatseek, true),
    setting_switch("powerup_slowmotion", &coptions::slowmotion, true),
    setting_switch("show_fps", &coptions::fps, false),
    setting_switch("pause_if_inactive", &coptions::pause_inactive, false),
    setting_words("video", &coptions::video, CHOICE_WINDOW, VIDEO_WORDS),
    setting_words("fullscreen_scale", &coptions::fullscreen_scale, FULLSCREEN_SHARP, SCALE_WORDS),
    setting_switch("stereo", &coptions::stereo, false),
    setting_name("player_name", &coptions::name),
    setting_number("input_delay", &coptions::delay, 2, 0, NET_MAX_DELAY),
    SETTING_KEY("key_left", ACT_LEFT),
    SETTING_KEY("key_right", ACT_RIGHT),
    SETTING_KEY("key_jump", ACT_JUMP),
    SETTING_KEY("key_reload", ACT_RELOAD),
    SETTING_KEY("key_fire", ACT_FIRE),
    SETTING_KEY("key_grenade", ACT_GRENADE),
    SETTING_KEY("key_pause", ACT_PAUSE),
    SETTING_KEY("key_scores", ACT_SCORES),
    SETTING_KEY("key_weapon1", ACT_WEAPON1),
    SETTING_KEY("key_weapon2", ACT_WEAPON1 + 1),
    SETTING_KEY("key_weapon3", ACT_WEAPON1 + 2),
    SETTING_KEY("key_weapon4", ACT_WEAPON1 + 3),
    SETTING_KEY("key_weapon5", ACT_WEAPON1 + 4),
    SETTING_KEY("key_weapon6", ACT_WEAPON1 + 5),
    SETTING_KEY("key_weapon7", ACT_WEAPON1 + 6),
    SETTING_KEY("key_weapon8", ACT_WEAPON8),
    SETTING_KEY("key_next_weapon", ACT_NEXT_WEAPON),
    SETTING_KEY("key_prev_weapon", ACT_PREV_WEAPON),
};
const int SETTING_COUNT = sizeof(SETTINGS) / sizeof(SETTINGS[0]);

const int MAX_FILE_BYTES = 64 * 1024; // far more than any real settings file
const int MAX_COMPLAINTS = 10;        // bad lines named one by one, then only counted
const int MAX_SHOWN_TEXT = 40;        // bad values are quoted up to this length

static const char *const HEADER =
    "# KRAG settings, saved when the options screen is left.\n"
    "# One \"key = value\" per line; lines starting with # are ignored.\n"
    "# A bad value falls back to its default; delete the file to start afresh.\n";

// The file as it was read or last written. A save rewrites only the lines of the
// settings that changed since, so the player's comments, keys this game does not know
// (a newer version's settings) and values this run could not use (a map that is gone
// today) stay as they were; nothing changed, nothing is written.
static struct csettings_file {
    bool exists = false;            // something is at the path (maybe unreadable)
    bool read = false;              // its text is in lines
    std::vector<std::string> lines; // without their newlines
    std::vector<std::string> values; // every setting as of the last load or save
} file;

static std::vector<std::string> current_values() {
    std::vector<std::string> v((size_t)SETTING_COUNT);
    for (int i = 0; i < SETTING_COUNT; i++)
        v[(size_t)i] = setting_text(SETTINGS[i], options);
    return v;
}

std::string usable_name(const std::string &raw) {
    std::string name;
    for (char c : raw)
        if (c >= 32 && c < 127) name += c;
    size_t a = name.find_first_not_of(' ');
    if (a == std::string::npos) return "PLAYER";
    name = name.substr(a, NET_NAME_MAX);
    return name.substr(0, name.find_last_not_of(' ') + 1);
}

std::string default_player_name() {
    const passwd *pw = getpwuid(getuid());
    const char *login = pw && pw->pw_name ? pw->pw_name : getenv("USER");
    return usable_name(login ? login : "");
}

const csetting *find_setting(const char *key) {
    for (int i = 0; i < SETTING_COUNT; i++)
        if (strcmp(SETTINGS[i].key, key) == 0) return &SETTINGS[i];
    return nullptr;
}

int setting_get(const csetting &s, const coptions &o) {
    if (s.number) return o.*s.number;
    if (s.flag) return o.*s.flag ? 1 : 0;
    return s.elsewhere ? *s.elsewhere : 0;
}

void setting_set(const csetting &s, coptions &o, int value) {
    if (s.number)
        o.*s.number = value;
    else if (s.flag)
        o.*s.flag = value != 0;
    else if (s.elsewhere)
        *s.elsewhere = value;
}

static void set_default(const csetting &s, coptions &o) {
    if (s.text)
        o.*s.text = default_player_name();
    else
        setting_set(s, o, s.def);
}

void settings_defaults(coptions &o) {
    for (int i = 0; i < SETTING_COUNT; i++)
        if (SETTINGS[i].number || SETTINGS[i].flag || SETTINGS[i].text) set_default(SETTINGS[i], o);
}

void settings_reset() {
    for (int i = 0; i < SETTING_COUNT; i++)
        set_default(SETTINGS[i], options);
}

static std::string value_text(const csetting &s, int v) {
    if (s.format) return s.format(v);
    if (s.flag) return v ? "yes" : "no";
    if (s.words) {
        for (const csetting_word *w = s.words; w->word; w++)
            if (w->value == v) return w->word;
        return "";
    }
    return std::to_string(v);
}

std::string setting_text(const csetting &s, const coptions &o) {
    if (s.text) return o.*s.text;
    return value_text(s, setting_get(s, o));
}

const char *setting_parse_text(const csetting &s, const std::string &text, coptions &o) {
    if (usable_name(text) != text) return "is not 1 to 15 printable characters";
    o.*s.text = text;
    return nullptr;
}

const char *setting_parse(const csetting &s, const char *text, int &value) {
    if (s.parse) return s.parse(text, value);
    if (s.flag) {
        static const char *const on[] = {"yes", "1", "true", "on"};
        static const char *const off[] = {"no", "0", "false", "off"};
        for (int i = 0; i < 4; i++) {
            if (strcasecmp(text, on[i]) == 0) return value = 1, nullptr;
            if (strcasecmp(text, off[i]) == 0) return value = 0, nullptr;
        }
        return "is not yes or no";
    }
    if (s.words) {
        for (const csetting_word *w = s.words; w->word; w++)
            if (strcasecmp(text, w->word) == 0) return value = w->value, nullptr;
        return "is not one of";
    }
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (!*text || *end || errno == ERANGE) return "is not a whole number";
    if (v < s.lo || v > s.hi) return "is out of range";
    value = (int)v;
    return nullptr;
}

// What a refused value is told about the accepted ones: " (1-25)", " HARD, MEDIUM, EASY".
static std::string accepted(const csetting &s) {
    if (s.parse || s.flag || s.text) return "";
    if (s.words) {
        std::string all;
        for (const csetting_word *w = s.words; w->word; w++)
            all += std::string(all.empty() ? " " : ", ") + w->word;
        return all;
    }
    return " (" + std::to_string(s.lo) + "-" + std::to_string(s.hi) + ")";
}

// Text from the file shortened for a message (say() shows its control bytes).
static std::string shown(const std::string &text) {
    if (text.size() <= (size_t)MAX_SHOWN_TEXT) return text;
    return text.substr(0, MAX_SHOWN_TEXT) + "...";
}

static std::string trim(const std::string &s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::string settings_path() { return xdg_path("XDG_CONFIG_HOME", ".config", "krag/settings.cfg"); }

// Reads the whole file; false with a message when it cannot be used as a settings file.
static bool read_file(const std::string &path, std::string &text, bool &missing) {
    missing = false;
    std::string why;
    if (!read_regular_file(path.c_str(), MAX_FILE_BYTES, text, why)) {
        if (why == "not found") {
            missing = true;
        } else if (why == "is a directory" || why == "not a regular file") {
            say("krag: %s is not a file; using the default settings", path.c_str());
        } else if (why.compare(0, 12, "larger than ") == 0) {
            say("krag: %s is too large for a settings file; using the default settings",
                path.c_str());
        } else {
            say("krag: cannot read %s: %s; using the default settings", path.c_str(), why.c_str());
        }
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        say("krag: %s is not a text file; using the default settings", path.c_str());
        return false;
    }
    return true;
}

// The setting that holds an action's binding.
static int binding_setting(int action) {
    for (int i = 0; i < SETTING_COUNT; i++)
        if (SETTINGS[i].elsewhere == &input.binding[action]) return i;
    return -1;
}

// A key the file gives to two actions is never left doing both: the one given later
// (or not given at all) is named and goes back to its default, or to nothing when
// that key is taken too.
template <class F> static void undouble_bindings(const int *line_of, F complain) {
    for (int a = 0; a < ACT_COUNT; a++) {
        int b;
        while ((b = input.shares_binding(a)) >= 0) {
            int sa = binding_setting(a), sb = binding_setting(b);
            if (sa < 0 || sb < 0) return;
            int loser = a;
            if (line_of[sa] != 0 && (line_of[sb] == 0 || line_of[sb] > line_of[sa])) loser = b;
            int keeper = loser == a ? b : a;
            const char *lkey = SETTINGS[binding_setting(loser)].key;
            const char *kkey = SETTINGS[binding_setting(keeper)].key;
            int line = std::max(line_of[sa], line_of[sb]);
            std::string key = format_binding(input.binding[loser]);
            input.binding[loser] = default_binding(loser);
            for (int k = 0; k < ACT_COUNT; k++)
                if (k != loser && input.binding[k] == input.binding[loser])
                    input.binding[loser] = BIND_NONE;
            std::string now = format_binding(input.binding[loser]);
            if (line_of[binding_setting(loser)] == 0)
                complain(line, std::string(kkey) + " = " + key + " takes the key of " + lkey +
                                   ", which is now " + now);
            else
                complain(line, std::string(lkey) + " = " + key + " is already the key of " + kkey +
                                   "; using " + now);
        }
    }
}

// Splits a line of the file: false for a blank line or a comment; key empty when the
// line has no '='.
static bool split_line(const std::string &raw, std::string &key, std::string &value) {
    std::string l = trim(raw);
    key.clear();
    value.clear();
    if (l.empty() || l[0] == '#') return false;
    size_t eq = l.find('=');
    if (eq == std::string::npos) return true;
    key = trim(l.substr(0, eq));
    value = trim(l.substr(eq + 1));
    return true;
}

static std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

static void settings_read(const std::string &path);
static void settings_parse(const std::string &path, const std::string &text);

void settings_load(const std::string &path) {
    file = csettings_file();
    settings_read(path);
    file.values = current_values();
}

static void settings_read(const std::string &path) {
    if (path.empty()) return;
    // Leftovers of a game killed while saving.
    remove_stale_temporaries(folder_of(path), [](const std::string &base) {
        return base == "settings.cfg";
    });
    std::string text;
    bool missing;
    if (!read_file(path, text, missing)) {
        // A file we could not read is left alone unless the player changes something.
        file.exists = !missing;
        return;
    }
    settings_parse(path, text);
}

static void settings_parse(const std::string &path, const std::string &text) {
    file.exists = file.read = true;
    file.lines = split_lines(text);

    int complaints = 0;
    auto complain = [&](int line, const std::string &what) {
        if (++complaints <= MAX_COMPLAINTS)
            say("krag: %s:%d: %s", path.c_str(), line, what.c_str());
    };

    int line_of[SETTING_COUNT] = {}; // where each setting was last given, 0: not given
    for (int line = 1; line <= (int)file.lines.size(); line++) {
        std::string key, value;
        if (!split_line(file.lines[(size_t)line - 1], key, value)) continue;
        if (key.empty()) {
            complain(line, "\"" + shown(trim(file.lines[(size_t)line - 1])) +
                               "\" is not a \"key = value\" line; ignored");
            continue;
        }
        const csetting *s = find_setting(key.c_str());
        if (!s) {
            complain(line, "unknown setting \"" + shown(key) + "\"; ignored");
            continue;
        }
        int v = 0;
        const char *why = s->text ? setting_parse_text(*s, value, options)
                                  : setting_parse(*s, value.c_str(), v);
        if (why) {
            std::string msg = key + " = " + shown(value) + " " + why + accepted(*s);
            set_default(*s, options);
            std::string def = setting_text(*s, options);
            msg += "; using the default" + (def.empty() ? std::string() : " " + def);
            complain(line, msg);
        } else if (!s->text) {
            setting_set(*s, options, v);
        }
        line_of[s - SETTINGS] = line;
    }
    undouble_bindings(line_of, complain);
    if (complaints > MAX_COMPLAINTS)
        say("krag: %s: %d more bad lines ignored", path.c_str(),
                complaints - MAX_COMPLAINTS);
}

void settings_load() { settings_load(settings_path()); }

void settings_load_text(const std::string &name, const std::string &text) {
    file = csettings_file();
    settings_parse(name, text);
    file.values = current_values();
}

// A value is written only as plain text on its own line.
static bool writable(const std::string &value) {
    for (char c : value)
        if ((unsigned char)c < 32 || c == 127) return false;
    return true;
}

static std::string setting_line(int i) {
    std::string value = setting_text(SETTINGS[i], options);
    return writable(value) ? std::string(SETTINGS[i].key) + " = " + value : std::string();
}

std::string settings_file_text() {
    std::string text = HEADER;
    for (int i = 0; i < SETTING_COUNT; i++) {
        std::string line = setting_line(i);
        if (!line.empty()) text += line + "\n";
    }
    return text;
}

// The file read at start-up with the lines of the changed settings rewritten (every
// line that gives one) and those it did not give added at the end.
static std::string edited_text(const std::vector<std::string> &now) {
    std::vector<bool> given((size_t)SETTING_COUNT);
    std::string text;
    for (const std::string &raw : file.lines) {
        std::string key, value, line = raw;
        const csetting *s = nullptr;
        if (split_line(raw, key, value) && (s = find_setting(key.c_str()))) {
            size_t i = (size_t)(s - SETTINGS);
            given[i] = true;
            std::string fresh = setting_line((int)i);
            if (now[i] != file.values[i] && !fresh.empty()) line = fresh;
        }
        text += line + "\n";
    }
    for (int i = 0; i < SETTING_COUNT; i++) {
        std::string fresh = setting_line(i);
        if (!given[(size_t)i] && now[(size_t)i] != file.values[(size_t)i] && !fresh.empty())
            text += fresh + "\n";
    }
    return text;
}

bool settings_save(const std::string &path) {
    if (path.empty()) return false;
    std::vector<std::string> now = current_values();
    bool changed = file.values.size() != now.size() || file.values != now;
    if (file.exists && !changed) return true;
    std::string text = file.read ? edited_text(now) : settings_file_text();

    std::string dir = folder_of(path), why;
    cfile_writer out;
    if (!make_private_folders(dir, why) || !out.open(path, why)) {
        say("krag: cannot save the settings in %s: %s", dir.c_str(), why.c_str());
        return false;
    }
    if (!out.write(text, why) || !out.commit(path, true, why)) {
        out.discard();
        say("krag: cannot save the settings to %s: %s", path.c_str(), why.c_str());
        return false;
    }
    out.close();
    file.exists = file.read = true;
    file.lines = split_lines(text);
    file.values = now;
    return true;
}

bool settings_save() { return settings_save(settings_path()); }
