#include "net/netmatch.h"

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "match/game.h"
#include "match/replayfile.h"
#include "match/scoreboard.h"
#include "match/sim.h"
#include "shell/datadir.h"
#include "shell/files.h"
#include "shell/say.h"
#include "world/map.h"
#include "world/mapname.h"

#ifndef KRAG_VERSION
#define KRAG_VERSION "unknown"
#endif

const int NOTE_FRAMES = 200; // how long a passing note stays on screen

cnet_hello net_hello(const std::string &name) {
    return {NET_PROTOCOL, KRAG_VERSION, sim_fingerprint(), net_player_name(name)};
}

std::string net_player_name(const std::string &wanted) {
    std::string name;
    for (unsigned char c : wanted)
        if (c >= 0x20 && c <= 0x7e && (int)name.size() < NET_NAME_MAX) name += (char)c;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name[0] == ' ') name.erase(0, 1);
    return name.empty() ? "PLAYER" : name;
}

cnet_settings net_settings_from_options(int players, int delay) {
    cnet_settings s = {};
    s.gametype = options.gametype;
    s.bots = std::clamp(options.bots, 0, NET_MAX_PLAYERS - 1);
    s.skill = options.skill;
    s.kills = options.kills;
    s.blood = options.blood;
    s.powerups = (options.health ? 1 : 0) | (options.grenades ? 2 : 0) | (options.firerate ? 4 : 0) |
                 (options.heatseek ? 8 : 0) | (options.slowmotion ? 16 : 0);
    s.delay = std::clamp(delay, 0, NET_MAX_DELAY);
    s.players = std::clamp(players, 2, NET_MAX_PLAYERS);
    int level = options.get_level();
    if (level >= 0 && level < map.get_nm()) s.map = map.names[level];
    return s;
}

void net_pace(long &next_ms) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long ms = now.tv_sec * 1000L + now.tv_nsec / 1000000L;
    if (next_ms == 0 || ms - next_ms > 50) next_ms = ms; // a long stall is not made up
    next_ms += 10;
    long wait = next_ms - ms;
    if (wait > 0) {
        timespec d = {0, wait * 1000000L};
        nanosleep(&d, nullptr);
    }
}

// ---- starting ----

void cnetmatch::use_link(const clink_settings &l, uint32_t seed) {
    link = l, link_seed = seed, link_set = true;
}

bool cnetmatch::host(const cnet_settings &given, int port, const std::string &name, std::string &why) {
    fresh();
    cnet_settings s = given;
    int level = map.find(s.map.c_str());
    if (level < 0) return why = "the map " + s.map + " is not in the map list", false;
    std::string bytes;
    if (!read_regular_file(map.path(level).c_str(), NET_MAP_MAX_BYTES, bytes, why)) return false;
    s.map_bytes = bytes.size();
    s.map_checksum = fnv1a(bytes.data(), bytes.size());
    if (s.seed == 0) s.seed = ((uint32_t)time(nullptr) * 2654435761u ^ (uint32_t)getpid()) | 1;
    if (!net_settings_ok(s)) return why = "a match setting is out of range", false;
    if (link_set) net.transport.use_link(link, link_seed);
    if (!net.host(port, s, name.empty() ? "" : net_player_name(name), net_hello(name.empty() ? "host" : name), why))
        return false;
    net.session.set_map(bytes);
    map_path = map.path(level);
    hosting = true;
    return true;
}

bool cnetmatch::join(const std::string &where, const std::string &name, std::string &why) {
    fresh();
    std::string host_name;
    int port;
    if (!parse_address(where, host_name, port)) return why = "not an address: " + where, false;
    if (link_set) net.transport.use_link(link, link_seed);
    if (!net.join(host_name, port, net_hello(name), why)) return false;
    address = where;
    hosting = false;
    return true;
}

bool cnetmatch::start() { return hosting && net.session.start(); }

bool cnetmatch::full() const {
    const csession &s = net.session;
    return hosting && s.state() == SESSION_LOBBY && s.joined() >= s.settings().players && s.all_ready();
}

// ---- the map a joiner plays ----

// A map the host sent, kept in the player's map folder under its own name when that
// name is free there and in the list. A different map of the same name is never
// replaced: the host's is then played from a private temporary folder and not kept.
static std::string keep_map(const std::string &name, const std::string &bytes, std::string &temp_dir) {
    std::string dir = user_map_dir(), why;
    if (!dir.empty() && map.find(name.c_str()) < 0 && make_private_folders(dir, why)) {
        std::string target = dir + "/" + name;
        cfile_writer out;
        if (out.open(target, why) && out.write(bytes, why) && out.commit(target, false, why)) {
            say("krag: the host's map is kept as %s", target.c_str());
            return target;
        }
        say("krag: the host's map cannot be kept as %s: %s", target.c_str(), why.c_str());
    } else if (map.find(name.c_str()) >= 0) {
        say("krag: the host's %s differs from the one here; it is played without being kept",
            name.c_str());
    }
    char tmpl[] = "/tmp/krag-map-XXXXXX";
    if (!mkdtemp(tmpl)) return "";
    temp_dir = tmpl;
    std::string path = temp_dir + "/" + name;
    return write_file_atomically(path, bytes, why) ? path : "";
}

void cnetmatch::lobby_map() {
    csession &s = net.session;
    if (s.state() != SESSION_LOBBY || !s.map_wanted()) return;
    const cnet_settings &set = s.settings();
    if (!map_checked) {
        map_checked = true;
        int level = map.find(set.map.c_str());
        std::string bytes, why;
        if (level >= 0 && read_regular_file(map.path(level).c_str(), NET_MAP_MAX_BYTES, bytes, why) &&
            bytes.size() == set.map_bytes && fnv1a(bytes.data(), bytes.size()) == set.map_checksum) {
            map_path = map.path(level);
            s.map_ready();
        } else {
            s.request_map();
        }
        return;
    }
    std::string bytes;
    if (!s.map_arrived(bytes)) return;
    map_path = keep_map(set.map, bytes, temp_dir);
    if (map_path.empty()) {
        note = "the host's map cannot be stored";
        leave();
        return;
    }
    s.map_ready();
}

bool cnetmatch::setup_world() {
    std::string why;
    const csession &s = net.session;
    if (!play.setup(s.settings(), map_path, s.humans(), s.slot(), why)) {
        say("krag: %s", why.c_str());
        note = why;
        return false;
    }
    net.session.attach(play.door());
    started = true;
    for (int i = 0; i < NET_MAX_PLAYERS; i++) {
        starters[i] = s.names().human[i] ? s.names().name[i] : std::string();
        scoreboard_name(i, starters[i]);
    }
    recorded = 0;
    if (rec.open_in(replay_dir(), s.settings().seed)) replay_path = rec.path;
    return true;
}

static ccontrol game_control(const cnet_input &in) { return {in.actions, in.buttons, in.aim_x, in.aim_y}; }

// Every human's inputs of the ticks every machine agrees on go into the replay, in
// order, with the slots that turn bot and this machine's confirmed hashes.
void cnetmatch::record_confirmed() {
    const csession &s = net.session;
    const crollback &m = s.match();
    long upto = std::min(m.confirmed(), m.now());
    if (s.end_tick() >= 0) upto = std::min(upto, s.end_tick());
    for (; recorded < upto; recorded++) {
        long t = recorded;
        uint64_t hash;
        if (t > 0 && t % HASH_EVERY == 0) {
            if (!s.hash_at(t, hash)) return; // comes with a later frame
            rec.check(hash);
        }
        ccontrol in[MAX_PLAYERS] = {};
        for (int i = 0; i < NET_MAX_PLAYERS && i < MAX_PLAYERS; i++) {
            if (m.leaves_at(i) == t && s.humans() >> i & 1) rec.leave(i);
            if (m.human_at(i, t)) in[i] = game_control(m.input(i, t));
        }
        rec.tick(in);
    }
}

// A player who left: said once on the log and for a while on the screen.
void cnetmatch::see_departures() {
    const crollback &m = net.session.match();
    for (int i = 0; i < NET_MAX_PLAYERS; i++) {
        // Not before the match reaches the tick: a joiner hanging up after the end
        // leaves a match that never gets there.
        if (starters[i].empty() || m.leaves_at(i) >= m.now()) continue;
        say("krag: %s left; a bot plays slot %d from tick %ld", starters[i].c_str(), i + 1, m.leaves_at(i));
        note = starters[i] + " LEFT; A BOT PLAYS ON", note_until = frames + NOTE_FRAMES;
        starters[i].clear();
    }
}

// ---- every frame ----

static cnet_input wire_input(const ccontrol &c) {
    return {c.actions & ((1u << NET_ACTION_BITS) - 1), std::clamp(c.aim_x, NET_AIM_MIN, NET_AIM_MAX),
            std::clamp(c.aim_y, NET_AIM_MIN, NET_AIM_MAX), c.buttons & NET_BUTTON_MASK};
}

void cnetmatch::frame(const ccontrol &local) {
    if (net.session.state() == SESSION_IDLE) return;
    frames++;
    net.pump();
    if (!hosting) lobby_map();
    if (net.session.state() == SESSION_IDLE) return; // left on the way
    if (net.session.state() >= SESSION_LOBBY && !hosting) connected_once = true;
    if (net.session.state() == SESSION_COUNTDOWN && !started && !setup_world()) {
        leave();
        return;
    }
    net.session.frame(wire_input(local));
    if (started) record_confirmed();
    if (started && game.local >= 0) game.follow();
    if (net.session.state() == SESSION_PLAYING) see_departures();
    net.pump();
    if (net.session.state() == SESSION_OVER && started && final_line.empty()) finish_match();
}

// The replay ends where every machine agreed: at the decision, or for a match cut
// short (out of step, the host gone, left) at the last confirmed tick, when the world
// can still go back there; else the file is left unfinished, playable to its last
// checkpoint.
void cnetmatch::finish_match() {
    record_confirmed();
    csession &s = net.session;
    bool there = s.end_tick() >= 0 ? recorded == s.end_tick() : s.match().rewind(recorded);
    final_line = play.result();
    if (there)
        rec.close(play.stats.line());
    else
        rec.abandon();
}

void cnetmatch::press_pause() {
    if (net.session.state() != SESSION_PLAYING) return;
    if (hosting && local_slot() >= 0)
        net.session.pause(!net.session.paused());
    else if (!hosting)
        note = "ONLY THE HOST PAUSES", note_until = frames + NOTE_FRAMES;
}

bool cnetmatch::paused() const { return net.session.paused(); }

void cnetmatch::leave() {
    csession &s = net.session;
    if (s.state() != SESSION_IDLE) {
        if (!hosting && s.state() != SESSION_OVER) {
            cnet_msg m{};
            m.type = PKT_LEAVE;
            m.slot = std::max(s.slot(), 0);
            m.tick = 0;
            cpacker p;
            if (net_encode(m, p)) net.transport.send(0, std::string((const char *)p.data(), p.size()), true);
        }
        net.transport.flush();
        net.transport.close();
        if (started && final_line.empty()) finish_match();
        if (s.state() != SESSION_OVER && note.empty()) note = "you left the match";
    }
    s = csession();
    play.finish();
    if (!temp_dir.empty()) {
        unlink(map_path.c_str());
        rmdir(temp_dir.c_str());
        temp_dir.clear();
    }
    started = map_checked = false;
    kills_handed = 0;
}

void cnetmatch::fresh() {
    leave();
    note.clear(), final_line.clear(), address.clear(), map_path.clear();
    note_until = frames = 0;
    connected_once = false;
}

// ---- what the screens show ----

int cnetmatch::state() const {
    switch (net.session.state()) {
    case SESSION_JOINING:
        return NETMATCH_CONNECTING;
    case SESSION_LOBBY:
        return !hosting && net.session.map_wanted() ? NETMATCH_CONNECTING : NETMATCH_LOBBY;
    case SESSION_COUNTDOWN:
        return NETMATCH_COUNTDOWN;
    case SESSION_PLAYING:
        return NETMATCH_PLAYING;
    case SESSION_OVER:
        return NETMATCH_OVER;
    }
    return note.empty() ? NETMATCH_IDLE : NETMATCH_OVER;
}

std::string cnetmatch::status() const {
    const csession &s = net.session;
    if (!note.empty() && (note_until == 0 || frames < note_until)) return note;
    switch (state()) {
    case NETMATCH_CONNECTING:
        return s.state() == SESSION_JOINING ? "CONNECTING TO " + address : "RECEIVING THE MAP";
    case NETMATCH_LOBBY:
        if (hosting)
            return "WAITING FOR PLAYERS (" + std::to_string(players()) + " OF " +
                   std::to_string(s.settings().players) + ")";
        return "WAITING FOR THE HOST TO START";
    case NETMATCH_COUNTDOWN:
        return "STARTING IN " + std::to_string(countdown());
    case NETMATCH_PLAYING:
        // Only a host with a player pauses, and its player is slot 0.
        if (s.paused()) return "PAUSED BY " + (name(0).empty() ? std::string("THE HOST") : name(0));
        return s.status();
    case NETMATCH_OVER:
        if (!hosting && !connected_once && s.status() == "the host left the match")
            return "no answer from " + address;
        return s.status().empty() ? "the match is over" : s.status();
    }
    return note;
}

int cnetmatch::countdown() const { return (net.session.countdown_left() + 99) / 100; }

int cnetmatch::port() const { return net.transport.port(); }

int cnetmatch::local_slot() const { return net.session.slot(); }

bool cnetmatch::human(int slot) const {
    const csession &s = net.session;
    if (slot < 0 || slot >= NET_MAX_PLAYERS) return false;
    if (s.state() >= SESSION_PLAYING) return s.match().human_at(slot, s.match().now());
    return s.names().human[slot];
}

std::string cnetmatch::name(int slot) const {
    return human(slot) ? net.session.names().name[slot] : std::string();
}

int cnetmatch::players() const {
    int n = 0;
    for (int i = 0; i < NET_MAX_PLAYERS; i++) n += human(i);
    return n;
}

long cnetmatch::tick() const { return net.session.match().now(); }

const cnet_settings &cnetmatch::settings() const { return net.session.settings(); }

bool cnetmatch::take_kill(cnet_kill &out) {
    const csession &s = net.session;
    if (!started || kills_handed >= play.kills.size()) return false;
    long sure = std::min(s.match().confirmed(), s.match().now());
    if (s.end_tick() >= 0) sure = s.end_tick();
    if (play.kills[kills_handed].tick >= sure) return false;
    out = play.kills[kills_handed++];
    return true;
}

bool cnetmatch::done() const {
    return state() == NETMATCH_OVER && (net.session.state() != SESSION_OVER || net.session.settled());
}

long cnetmatch::end_tick() const { return net.session.end_tick(); }

long cnetmatch::out_of_step() const { return net.session.out_of_step(); }
