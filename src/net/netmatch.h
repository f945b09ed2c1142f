#ifndef KRAG_NET_NETMATCH_H
#define KRAG_NET_NETMATCH_H

// One network match as a program plays it: the window, the headless host and
// `krag-sim --join` all drive this and nothing below it. It owns the ENet driver, the
// session, the game's world behind the rollback door, the map transfer and the
// replay, and says what the screen should show.
//
// Use:
//     cnetmatch net;
//     if (!net.host(settings, port, name, err)) ...   // or net.join("host:port", name, err)
//     every 10 ms of real time:
//         net.frame(control);       // this machine's human, aim in world pixels
//         draw the world (game.draw(): the camera follows game.local), then
//         net.status(), net.countdown(), names, kills, ...
//     net.over() -> net.result(); net.done() -> the program may leave (net.leave()).
//
// Between host()/join() and leave(), the world (the global pools, players and game) is
// this match's; leave() gives the player's own settings back.
#include <string>

#include "match/control.h"
#include "match/replay.h"
#include "net/driver.h"
#include "net/networld.h"

enum {
    NETMATCH_IDLE,       // nothing started, or left
    NETMATCH_CONNECTING, // joiner: reaching the host, introducing, fetching the map
    NETMATCH_LOBBY,      // host: taking joiners; joiner: welcome, waiting for the start
    NETMATCH_COUNTDOWN,  // the match starts on every machine when countdown() reaches 0
    NETMATCH_PLAYING,
    NETMATCH_OVER // decided, out of step, refused, or the host left: see status()
};

class cnetmatch {
  public:
    ~cnetmatch() { leave(); }

    // Offers a match on UDP `port` (0: any free port; see port()). settings.map names
    // a map of the map list (the shipped maps and the player's own); its bytes,
    // checksum and size are filled in here, and a seed is drawn when settings.seed is
    // 0. name: the host's player, or empty for a host without one (headless). False,
    // with why, when the port or the map cannot be used or a setting is out of range.
    bool host(const cnet_settings &settings, int port, const std::string &name, std::string &why);
    // Joins the host at "HOST", "HOST:PORT" or "[V6]:PORT" as `name`. False, with why,
    // for an address that cannot be used; a host that does not answer ends the match
    // with a status saying so.
    bool join(const std::string &address, const std::string &name, std::string &why);
    // A seeded lossy link for this machine's packets (tests, krag-sim --link); before
    // host() or join().
    void use_link(const clink_settings &link, uint32_t seed);

    // Host: starts the countdown for everyone who joined and has the map. False while
    // nobody has joined or the match is not in the lobby.
    bool start();
    // Host: whether every offered slot is taken and every joiner has the map.
    bool full() const;

    // Every 10 ms of real time: takes packets, runs this frame's ticks with the local
    // human's control, sends. The view follows the local slot (game.local).
    void frame(const ccontrol &local);

    // The P key. The host's press pauses (or resumes) the match for everyone; a
    // joiner's only says that the host pauses (status() shows it for a moment).
    void press_pause();
    bool paused() const;

    // Leaves the match: tells the host (a joiner's slot turns bot on every machine) or
    // the joiners (a host's leaving ends their match), closes the connections, gives
    // the settings back. The replay is kept.
    void leave();

    int state() const;
    // One line for the screen: "WAITING FOR ann", "PAUSED BY bob", "OUT OF STEP at tick
    // 1450", "the host left the match", "STARTING IN 2", a refusal's reason... Empty
    // while nothing needs saying.
    std::string status() const;
    int countdown() const;  // whole seconds left, while counting down
    bool is_host() const { return hosting; }
    int port() const;       // the port a host listens on
    int local_slot() const; // this machine's slot, -1 for a host without a player
    // Each slot's player name while a human plays it, else empty (a bot).
    std::string name(int slot) const;
    bool human(int slot) const;
    int players() const;        // humans in the match (or in the lobby)
    long tick() const;          // ticks run so far (this machine's present)
    const cnet_settings &settings() const;

    // The next kill of a confirmed tick (every machine agrees on it); false when none
    // is waiting. Kills are handed out once each, in order.
    bool take_kill(cnet_kill &out);

    bool over() const { return state() == NETMATCH_OVER; }
    // Over, and every peer has what it needs to finish the same match: leaving now
    // changes nothing for anyone.
    bool done() const;
    // Decided: the tick after which the match was decided; -1 while it is not.
    long end_tick() const;
    long out_of_step() const; // the tick whose hashes differed, or -1
    // Once over: krag-sim's result line for this match plus " hash=HEX" (the world's
    // hash where it ended); empty before the match started.
    std::string result() const { return final_line; }
    // The replay file written for this match (empty when none could be written).
    const std::string &replay_file() const { return replay_path; }

    // Figures and the parts below, for tests and tools.
    cnet_driver &driver() { return net; }
    const csession &session() const { return net.session; }
    cnetworld &world() { return play; }

  private:
    cnet_driver net;
    cnetworld play;
    bool hosting = false, started = false, link_set = false, connected_once = false;
    clink_settings link = {0, 0, 0, 0};
    uint32_t link_seed = 0;
    std::string address, map_path, temp_dir, final_line, replay_path, note;
    long note_until = 0; // frames the note stays
    size_t kills_handed = 0;
    long frames = 0;
    bool map_checked = false;

    crecorder rec;
    long recorded = 0; // ticks in the replay
    std::string starters[NET_MAX_PLAYERS]; // names of the humans not yet seen leaving
    void record_confirmed();
    void see_departures();
    void fresh(); // leaves what went before and forgets it
    void lobby_map();
    bool setup_world();
    void finish_match();
};

// This build as a joiner introduces itself and as a host expects it: the protocol, the
// game's version and the simulation's fingerprint, with the player's name.
cnet_hello net_hello(const std::string &name);

// The match the options describe (game type, bots, skill, kill limit, blood, power-ups,
// the chosen map) for `players` humans with `delay` ticks of input delay.
cnet_settings net_settings_from_options(int players, int delay);

// A player name as the network carries it: printable ASCII, at most NET_NAME_MAX
// characters; "PLAYER" when nothing usable is left.
std::string net_player_name(const std::string &wanted);

// Sleeps until the next 10 ms frame of a headless loop is due; `next_ms` keeps the
// schedule (0 to begin). A late loop catches up by at most a few frames.
void net_pace(long &next_ms);

#endif
