// krag --host --headless: a dedicated host with no display, no sound and no player of
// its own. It offers the match its settings file describes (or the command line's),
// fills the slots nobody takes with bots, logs to stderr, prints each match's result
// line on stdout and serves match after match.
#include "net/headless.h"

#include <cstdio>
#include <sys/stat.h>

#include "match/sim.h"
#include "net/netmatch.h"
#include "shell/cmdline.h"
#include "shell/datadir.h"
#include "shell/say.h"
#include "shell/settings.h"
#include "shell/shell.h"
#include "world/map.h"

// A lobby that is not full starts this long after its last joiner came, in frames.
const int LOBBY_WAIT_FRAMES = 1000;
// After its end, a match waits this long for joiners to finish and leave, in frames.
const int LEAVING_FRAMES = 300;

// The match to offer: the settings file, then the command line.
static bool offer_from_command_line(cnet_settings &s) {
    const ccommand_line &c = command_line;
    if (c.game_type >= 0) options.gametype = c.game_type;
    if (c.bots >= 0) options.bots = c.bots;
    if (c.skill >= 0) options.skill = c.skill;
    if (c.kills >= 0) options.kills = c.kills;
    if (!c.map.empty()) {
        struct stat st;
        size_t slash = c.map.rfind('/');
        std::string base = slash == std::string::npos ? c.map : c.map.substr(slash + 1);
        int level = stat(c.map.c_str(), &st) == 0 ? map.add_file(c.map) : map.find(base.c_str());
        if (level < 0) {
            say("krag: the map %s cannot be offered", c.map.c_str());
            return false;
        }
        options.level = level;
    }
    s = net_settings_from_options(c.players >= 0 ? c.players : NET_MAX_PLAYERS, c.delay >= 0 ? c.delay : options.delay);
    return true;
}

// One match from the offer to the joiners' leaving; false when the program should stop.
static bool serve_one(cnet_settings s, int port, int &status) {
    cnetmatch net;
    std::string why;
    if (!net.host(s, port, "", why)) {
        say("krag: %s", why.c_str());
        status = 1;
        return false;
    }
    say("krag: offering %s on UDP port %d for %d players", s.map.c_str(), net.port(), s.players);
    std::string said;
    long next = 0, frame = 0, last_change = 0, over_at = -1;
    int seen = 0;
    while (!quit_requested()) {
        net_pace(next);
        frame++;
        net.frame(ccontrol{});
        if (net.status() != said) {
            said = net.status();
            if (!said.empty()) say("krag: %s", said.c_str());
        }
        if (net.state() == NETMATCH_LOBBY) {
            if (net.players() != seen) seen = net.players(), last_change = frame;
            if (net.full() || (seen > 0 && frame - last_change > LOBBY_WAIT_FRAMES && net.session().all_ready()))
                net.start();
        }
        // Everyone left: nobody to play for.
        if (net.state() == NETMATCH_PLAYING && net.players() == 0) {
            say("krag: every player left; the match is abandoned");
            return true;
        }
        if (net.done() && over_at < 0) {
            over_at = frame;
            printf("%s\n", net.result().c_str());
            fflush(stdout);
            if (net.out_of_step() >= 0) status = 1;
        }
        if (over_at >= 0 && (frame - over_at > LEAVING_FRAMES || net.driver().transport.connected() == 0))
            return true;
    }
    return false;
}

int net_host_headless() {
    sim_start_headless();
    install_quit_signals();
    std::string user_maps = user_map_dir();
    map.load(user_maps.empty() ? nullptr : user_maps.c_str());
    if (map.get_nm() == 0) {
        say("krag: no playable map");
        return 1;
    }
    settings_load();
    cnet_settings s;
    if (!offer_from_command_line(s)) return 1;
    int port = command_line.port >= 0 ? command_line.port : NET_DEFAULT_PORT;
    int status = 0;
    for (int played = 0; command_line.matches == 0 || played < command_line.matches; played++) {
        s.seed = 0; // a new seed every match
        if (!serve_one(s, port, status)) break;
    }
    return status;
}
