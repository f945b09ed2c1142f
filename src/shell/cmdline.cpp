#include "shell/cmdline.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "match/replay.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "shell/say.h"
#include "shell/settings.h"

#ifndef KRAG_VERSION
#define KRAG_VERSION "unknown"
#endif

ccommand_line command_line;

// What an option does; returns -1 to go on, or an exit status.
typedef int (*option_fn)(const char *value);

struct coption {
    const char *name;
    const char *arg; // the value's name when the option takes one, else nullptr
    const char *help;
    option_fn apply;
};

static int show_help(const char *) {
    fputs(usage_text().c_str(), stdout);
    return 0;
}

static int show_version(const char *) {
    printf("krag %s\n", KRAG_VERSION);
    return 0;
}

// A match setting given on the command line, read as the settings file reads it.
static int match_setting(const char *key, const char *option, const char *text, int &out) {
    const char *why = setting_parse(*find_setting(key), text, out);
    if (!why) return -1;
    say("krag: %s %s: %s", option, text, why);
    return 2;
}

// A whole number in a range.
static int number_option(const char *option, const char *text, int lo, int hi, int &out) {
    char *end;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (*end || end == text || errno || v < lo || v > hi) {
        say("krag: %s %s: not a number from %d to %d", option, text, lo, hi);
        return 2;
    }
    out = (int)v;
    return -1;
}

static const coption OPTIONS[] = {
    {"--window", nullptr, "play this run in a 640x480 window",
     [](const char *) { return command_line.video = CHOICE_WINDOW, -1; }},
    {"--scaled", nullptr, "play this run in a double-size 1280x960 window",
     [](const char *) { return command_line.video = CHOICE_SCALED, -1; }},
    {"--fullscreen", nullptr, "play this run full screen at 640x480",
     [](const char *) { return command_line.video = CHOICE_FULLSCREEN, -1; }},
    {"--data", "DIR", "take the game data (bmp/, wav/, krm/) from DIR",
     [](const char *v) { return command_line.data = v, -1; }},
    {"--replay", "FILE",
     "watch a recorded match (Space or P pauses, F: speed, N: a tick,\n"
     "                  Tab: scores, arrows: 10 s back or forward, Esc leaves)",
     [](const char *v) { return command_line.replay = absolute_path(v), -1; }},
    {"--map", "FILE", "play one match on this map file, then exit (Esc leaves);\n"
     "                  with --replay: the map file the replay needs",
     [](const char *v) { return command_line.map = absolute_path(v), -1; }},
    {"--bots", "N", "with --map: this many bots (1-5)",
     [](const char *v) { return match_setting("bots", "--bots", v, command_line.bots); }},
    {"--type", "T", "with --map: DEATHMATCH, TEAMMATCH, RPG-ARENA or INSTAGIB",
     [](const char *v) { return match_setting("game_type", "--type", v, command_line.game_type); }},
    {"--skill", "S", "with --map: the bots' skill, HARD, MEDIUM or EASY",
     [](const char *v) { return match_setting("skill", "--skill", v, command_line.skill); }},
    {"--host", nullptr, "offer a network match (see --headless, --port, --players)",
     [](const char *) { return command_line.host = true, -1; }},
    {"--join", "HOST[:PORT]", "join the network match offered at this address",
     [](const char *v) { return command_line.join = v, -1; }},
    {"--headless", nullptr,
     "with --host: no window, no sound and no player of its own; serves\n"
     "                  match after match, logging to stderr",
     [](const char *) { return command_line.headless = true, -1; }},
    {"--port", "N", "with --host: the UDP port (24680 when not given)",
     [](const char *v) { return number_option("--port", v, 1, 65535, command_line.port); }},
    {"--players", "N", "with --host: human players, 2-6 (6 when not given)",
     [](const char *v) { return number_option("--players", v, 2, 6, command_line.players); }},
    {"--kills", "N", "with --map or --host: the kill limit (1-25)",
     [](const char *v) { return match_setting("kill_limit", "--kills", v, command_line.kills); }},
    {"--delay", "N", "with --host: ticks of input delay (0-4)",
     [](const char *v) { return number_option("--delay", v, 0, 4, command_line.delay); }},
    {"--matches", "N", "with --host --headless: stop after N matches",
     [](const char *v) { return number_option("--matches", v, 1, 1000000, command_line.matches); }},
    {"--tiled-extension", nullptr, "put the map format for the Tiled editor in its extensions folder",
     [](const char *) { return command_line.tiled_extension = true, -1; }},
    {"--help", nullptr, "show this help and exit", show_help},
    {"--version", nullptr, "show the version and exit", show_version},
};
const int OPTION_COUNT = sizeof(OPTIONS) / sizeof(OPTIONS[0]);

std::string usage_text() {
    std::string text = "usage: krag [OPTION]...\n"
                       "A side-view action shooter: you against one to five bots.\n\n";
    for (const coption &o : OPTIONS) {
        std::string left = std::string("  ") + o.name + (o.arg ? std::string(" ") + o.arg : "");
        left.resize(left.size() < 18 ? 18 : left.size() + 1, ' ');
        text += left + o.help + "\n";
    }
    text += "\nControls, as they come (OPTIONS, then CONTROLS, gives any action another key):\n";
    for (int a = 0; a < ACT_COUNT; a++) {
        std::string left = std::string("  ") + action_name(a);
        left.resize(18, ' ');
        int b = default_binding(a);
        const char *name = binding_name(b);
        std::string key = b == BIND_NONE ? "no key" : name ? name : "?";
        if (b == BIND_MOUSE) key += " (left button)";
        if (b == BIND_MOUSE + 1) key += " (right button)";
        text += left + key + "\n";
    }
    text += "  AIM             the mouse\n"
            "  LEAVE           ESCAPE (a match, the credits, the options or controls screen)\n"
            "A gamepad: left stick or d-pad walks, A jumps, the right stick aims, the right\n"
            "trigger or X fires, B throws a grenade, Y reloads, the shoulder buttons step\n"
            "the weapon choice, Back shows the scores, Start pauses.\n";
    text += "\nThe video options last for this run only; the options screen's choice is\n"
            "saved. Settings: $XDG_CONFIG_HOME/krag/settings.cfg (~/.config/krag/).\n"
            "Your own maps: $XDG_DATA_HOME/krag/krm/ (~/.local/share/krag/krm/).\n"
            "Every match is recorded in $XDG_DATA_HOME/krag/replays/.\n"
            "KRAG_DATA=DIR names the data folder as --data does.\n";
    return text;
}

static int bad_argument(const char *what, const char *arg) {
    say("krag: %s: %s", what, arg);
    fputs(usage_text().c_str(), stderr);
    return 2;
}

int parse_command_line(int argc, char **argv) {
    command_line = ccommand_line();
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        const coption *found = nullptr;
        const char *value = nullptr;
        for (const coption &o : OPTIONS) {
            size_t n = strlen(o.name);
            if (strcmp(arg, o.name) == 0) {
                found = &o;
            } else if (o.arg && strncmp(arg, o.name, n) == 0 && arg[n] == '=') {
                found = &o; // --data=DIR
                value = arg + n + 1;
            }
            if (found) break;
        }
        if (!found) return bad_argument("unknown argument", arg);
        if (found->arg && !value) {
            if (i + 1 >= argc) return bad_argument("missing value", found->name);
            value = argv[++i];
        }
        if (found->arg && !*value) return bad_argument("empty value", found->name);
        int status = found->apply(value);
        if (status >= 0) return status;
    }
    const ccommand_line &c = command_line;
    bool match_options = c.bots >= 0 || c.game_type >= 0 || c.skill >= 0 || c.kills >= 0;
    if (!c.join.empty() && (!c.map.empty() || match_options))
        return bad_argument("the host chooses the match", "--join");
    if (match_options && c.map.empty() && !c.host)
        return bad_argument("only with --map or --host", "--bots, --type, --skill, --kills");
    bool host_options = c.port >= 0 || c.players >= 0 || c.delay >= 0 || c.headless;
    if (host_options && !c.host) return bad_argument("only with --host", "--port, --players, --delay, --headless");
    if (c.matches && !c.headless) return bad_argument("only with --host --headless", "--matches");
    if (c.host && !c.join.empty()) return bad_argument("not both", "--host, --join");
    return -1;
}
