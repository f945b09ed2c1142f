#ifndef KRAG_SHELL_SETTINGS_H
#define KRAG_SHELL_SETTINGS_H

// The settings file: $XDG_CONFIG_HOME/krag/settings.cfg (~/.config/krag/settings.cfg),
// plain "key = value" lines under a comment header. It is read once at start-up (after
// the map list is built, before the first video mode) and written, atomically, when
// the options screen is left and at a clean shutdown.
//
// Every setting is one entry of the table SETTINGS in settings.cpp: its key, where its
// value lives, its default and the values it accepts. The file reader and writer, the
// defaults of coptions and the tests all work from that table.
//
// Adding a setting is one line in SETTINGS:
//     setting_number("kills", &coptions::kills, 20, 1, 25)      a number in a range
//     setting_switch("health", &coptions::health, true)          yes / no
//     setting_words("skill", &coptions::skill, 1, SKILL_WORDS)   one of a few words
//     setting_custom("map", &coptions::level, 0, parse, format)  your own text form
//     setting_name("player_name", &coptions::name)               a player's name
// A value that lives outside coptions (a key binding, say) takes a plain pointer:
//     setting_custom_at("bind_fire", &input.binding[ACT_FIRE], BIND_MOUSE + 0,
//                       parse_binding, format_binding)
// A custom parse hook turns the text into the value and returns nullptr, or returns
// the reason the text is refused ("is not a key name"); the format hook writes the
// value as text. The key is what appears in the file: lower case, words joined by '_'.
// Keep the table in the order the file should list the settings.
#include <string>

class coptions;

// A word a setting may be written as, and the value it stands for.
struct csetting_word {
    int value;
    const char *word;
};

// Turns the text of a value into the value; nullptr when accepted, else the reason.
typedef const char *(*setting_parse_fn)(const char *text, int &value);
// The value as it is written to the file.
typedef std::string (*setting_format_fn)(int value);

struct csetting {
    const char *key;
    int coptions::*number;      // an int member of coptions, or
    bool coptions::*flag;       // an on/off member of coptions, or
    int *elsewhere;             // an int that lives outside coptions
    int def;                    // default (0 or 1 for an on/off setting)
    int lo, hi;                 // accepted range of a plain number
    const csetting_word *words; // written as one of these words, ended by {0, nullptr}
    setting_parse_fn parse;     // custom text form (both hooks set), or nullptr
    setting_format_fn format;
    std::string coptions::*text; // a line of text (the player's name), or nullptr
};

constexpr csetting setting_number(const char *key, int coptions::*m, int def, int lo, int hi) {
    return csetting{key, m, nullptr, nullptr, def, lo, hi, nullptr, nullptr, nullptr, nullptr};
}
constexpr csetting setting_switch(const char *key, bool coptions::*m, bool def) {
    return csetting{key, nullptr, m, nullptr, def ? 1 : 0, 0, 1, nullptr, nullptr, nullptr, nullptr};
}
constexpr csetting setting_words(const char *key, int coptions::*m, int def,
                                 const csetting_word *words) {
    return csetting{key, m, nullptr, nullptr, def, 0, 0, words, nullptr, nullptr, nullptr};
}
constexpr csetting setting_words_at(const char *key, int *p, int def, const csetting_word *words) {
    return csetting{key, nullptr, nullptr, p, def, 0, 0, words, nullptr, nullptr, nullptr};
}
constexpr csetting setting_custom(const char *key, int coptions::*m, int def,
                                  setting_parse_fn parse, setting_format_fn format) {
    return csetting{key, m, nullptr, nullptr, def, 0, 0, nullptr, parse, format, nullptr};
}
constexpr csetting setting_custom_at(const char *key, int *p, int def, setting_parse_fn parse,
                                     setting_format_fn format) {
    return csetting{key, nullptr, nullptr, p, def, 0, 0, nullptr, parse, format, nullptr};
}

// A player's name: printable ASCII, spaces at either end dropped, cut to NET_NAME_MAX
// characters; what is left empty becomes "PLAYER". Default: the login name so made.
constexpr csetting setting_name(const char *key, std::string coptions::*m) {
    return csetting{key, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, m};
}
std::string usable_name(const std::string &raw);
std::string default_player_name(); // from the login name

extern const csetting SETTINGS[];
extern const int SETTING_COUNT;

// The entry with this key, or nullptr.
const csetting *find_setting(const char *key);

// Reads and writes a setting's value (in `o` for a member of coptions); a text setting
// is read and written by setting_text() and setting_parse_text().
int setting_get(const csetting &s, const coptions &o);
void setting_set(const csetting &s, coptions &o, int value);

// Puts the defaults of the table into o (members of coptions only).
void settings_defaults(coptions &o);
// Every setting, also those outside coptions, back to its default.
void settings_reset();

// A setting's value as written in the file.
std::string setting_text(const csetting &s, const coptions &o);
// Reads a value in the file's form into value; nullptr when accepted, else the reason.
const char *setting_parse(const csetting &s, const char *text, int &value);
// The same for a text setting: sets it in `o` when accepted.
const char *setting_parse_text(const csetting &s, const std::string &text, coptions &o);

// The settings file's path: $XDG_CONFIG_HOME/krag/settings.cfg, else
// $HOME/.config/krag/settings.cfg; empty when neither variable is usable.
std::string settings_path();

// Reads the file into the settings (options and the rest). A missing file leaves the
// defaults; every bad line or value is named on stderr as PATH:LINE and only that
// setting keeps its default. Never fails.
void settings_load(const std::string &path);
void settings_load();
// The same for the text of a file already in memory, named `name` in messages.
void settings_load_text(const std::string &name, const std::string &text);

// The whole file as it would be written now.
std::string settings_file_text();

// Writes the file atomically (temporary file beside it, then rename), creating the
// folder when needed; skips the write when the file already holds exactly this.
// A failure is one line on stderr; returns false then.
bool settings_save(const std::string &path);
bool settings_save();

#endif
