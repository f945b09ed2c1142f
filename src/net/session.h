#ifndef KRAG_NET_SESSION_H
#define KRAG_NET_SESSION_H

// One machine's side of a network match, host or joiner, in a star: joiners talk only
// to the host, which relays every human's inputs to the others. The session knows
// nothing of sockets or clocks: the caller hands it what arrived (connect, disconnect,
// packet) and calls frame() every 10 ms of real time; it leaves the packets to send in
// its outbox. Everything a peer sends is decoded by the wire format and checked against
// what that peer may do: a joiner may send inputs only for its own slot, never settings,
// names of others or the map; a peer that breaks a rule is disconnected.
#include <cstdint>
#include <string>
#include <vector>

#include "net/rollback.h"
#include "net/wire.h"

enum {
    SESSION_IDLE,      // not started
    SESSION_JOINING,   // joiner: connecting, introduced, loading the map
    SESSION_LOBBY,     // welcome given (joiner) or waiting for joiners (host)
    SESSION_COUNTDOWN, // the match starts when the countdown reaches 0
    SESSION_PLAYING,
    SESSION_OVER // the match ended: decided, out of step, refused, or the host left
};

const int NET_COUNTDOWN_TICKS = 150; // from the host's start to tick 0
const int NET_SEND_EVERY = 2;        // frames between input packets
const int NET_HASH_KEEP = 16;        // hashes kept for comparing, per peer

struct cnet_outgoing {
    int peer;
    bool reliable;
    std::string bytes;
};

struct cnet_figures {
    long frames, waited, stalled, doubled; // frames that could not run / held back / ran two ticks
    long bytes_sent;
};

class csession {
  public:
    // Packets to send; the caller empties it. An empty packet means: disconnect the
    // peer once what was sent before it has gone.
    std::vector<cnet_outgoing> outbox;

    // A host: the match to offer and the host player's name (empty: a host with no
    // player of its own). `me` is this build's version and fingerprint.
    void host(const cnet_settings &s, const std::string &name, const cnet_hello &me);
    void join(const cnet_hello &me); // then connect peer 0 to the host
    // The map file's bytes, which a host sends to joiners that lack it.
    void set_map(const std::string &bytes) { map_file = bytes; }

    void connected(int peer);
    void disconnected(int peer);
    void received(int peer, const std::string &bytes);

    // Host: whether every joiner welcomed so far has the map.
    bool all_ready() const;
    // Host: starts the countdown for everyone who has joined and is ready.
    bool start();
    // Joiner: the map named in the welcome is here (or has arrived), ready to play.
    void map_ready();
    bool map_wanted() const { return want_map; }
    void request_map(); // asks the host for it
    bool map_arrived(std::string &bytes); // the whole map came, checksum right
    // Plays the match through this door once the countdown is over.
    void attach(const cnet_model &m) { model = m, attached = true; }

    // Every 10 ms of real time: counts down, or runs this frame's ticks with the local
    // player's input, exchanges inputs and hashes.
    void frame(const cnet_input &local);

    // Host: pauses or resumes the match for everyone (a reliable message; every
    // machine stops running ticks until the match resumes). False for a joiner or
    // outside play.
    bool pause(bool on);
    bool paused() const { return halted; }
    int countdown_left() const { return countdown; } // ticks, while counting down
    // Joiner: the round trip to the host as the transport measures it. The countdown
    // starts that much later here than on the host, so a joiner shortens it by half.
    void set_round_trip(int ms) { round_trip_ms = ms; }

    int state() const { return st; }
    // Over, and every peer holds the inputs it needs to reach the same end: a machine
    // may leave now without changing anyone's match.
    bool settled() const;
    int slot() const { return my_slot; } // -1 for a host without a player
    const cnet_settings &settings() const { return offer; }
    unsigned humans() const; // slots with a human at the start
    const cnet_names &names() const { return roster; }
    // What the screen says: "WAITING FOR name", "OUT OF STEP at tick N", a refusal...
    const std::string &status() const { return message; }
    long end_tick() const { return ended_at; } // decided after this tick, or -1
    long out_of_step() const { return mismatch; } // tick of differing hashes, or -1
    // This machine's confirmed hash of the world after `tick` ticks, once handed out
    // for comparing (every HASH_EVERY ticks; the last NET_HASH_KEEP kept).
    bool hash_at(long tick, uint64_t &hash) const;
    const crollback &match() const { return game; }
    crollback &match() { return game; }
    const cnet_figures &figures() const { return fig; }
    bool is_host() const { return hosting; }
    int joined() const; // humans in the match, the host's player included

  private:
    struct cpeer {
        bool on;       // connected
        int slot;      // -1 until welcomed
        bool ready;    // has the map, may start
        long acked[NET_MAX_PLAYERS]; // inputs of each slot the peer holds before this tick
        long their_now, their_now_at; // latest `now` from the peer, and our frame then
        long hashes_tick[NET_HASH_KEEP];
        uint64_t hashes[NET_HASH_KEEP];
    };
    cpeer peers[NET_MAX_PLAYERS + 1];
    bool hosting = false;
    int st = SESSION_IDLE;
    int my_slot = -1;
    cnet_hello hello;
    cnet_settings offer;
    cnet_names roster;
    std::string map_file, incoming_map;
    bool want_map = false;
    cnet_model model;
    bool attached = false;
    crollback game;
    int countdown = 0;
    bool halted = false; // paused by the host
    int round_trip_ms = 0;
    unsigned leave_at_start = 0; // slots that left during the countdown
    cnet_input pending_local = {0, 0, 0, 0};
    long frame_no = 0;
    long ended_at = -1, mismatch = -1;
    std::string message;
    cnet_figures fig = {};
    // Joiner's time synchronisation with the host's clock, in ticks.
    long rtt_samples[16] = {};
    int rtt_count = 0;
    // Our own confirmed hashes, by (tick / HASH_EVERY) % NET_HASH_KEEP.
    long my_hash_tick[NET_HASH_KEEP];
    uint64_t my_hash[NET_HASH_KEEP];

    void send(int peer, const cnet_msg &m, bool reliable);
    void to_all(const cnet_msg &m, bool reliable, int except = -1);
    void to_match(const cnet_msg &m);
    void refuse(int peer, const std::string &why);
    void cut(int peer, const char *why); // a peer broke a rule
    void end(const std::string &why);
    void on_host(int peer, const cnet_msg &m);
    void on_joiner(const cnet_msg &m);
    void take_inputs(int peer, const cnet_inputs &in);
    void send_inputs();
    void exchange_hashes();
    void compare(int peer, long tick, uint64_t hash);
    void slot_leaves(int slot);
    void begin_match();
    int ticks_this_frame();
    void run_ticks();
    void update_names();
    std::string slot_name(int slot) const;
};

#endif
