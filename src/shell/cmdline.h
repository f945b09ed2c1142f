#ifndef KRAG_SHELL_CMDLINE_H
#define KRAG_SHELL_CMDLINE_H

// krag's command line. Each option is one entry of the table OPTIONS in cmdline.cpp
// (name, argument, help line, what it does); --help prints the table.
#include <string>

struct ccommand_line {
    int video;        // this run's video mode (a CHOICE_ code of shell/menu.h); 0: the saved one
    std::string data; // --data DIR; empty: search for the data
    std::string replay; // --replay FILE (absolute); empty: play as usual
    std::string map;    // --map FILE (absolute): play one match on it, then exit
    int bots = -1, game_type = -1, skill = -1; // for --map; -1: the saved setting
    bool tiled_extension = false; // --tiled-extension: install the Tiled extension
    // Network matches: --host offers one (--headless: without a display or a player of
    // its own), --join HOST[:PORT] joins one; the match settings as for --map plus
    // --kills, --delay and --players; --port for the host's UDP port; a headless host
    // stops after --matches N matches (0: never).
    bool host = false, headless = false;
    std::string join;
    int port = -1;                             // -1: the default port
    int kills = -1, delay = -1, players = -1;  // -1: the saved setting (players: 6)
    int matches = 0;
};

extern ccommand_line command_line;

// Reads the arguments into command_line (starting from a clean one). Returns -1 when
// the game should start, else the exit status: 0 after --help or --version (printed on
// stdout), 2 after a bad argument (with the usage on stderr).
int parse_command_line(int argc, char **argv);

// The usage text, as --help prints it.
std::string usage_text();

#endif
