#ifndef KRAG_NET_TRANSPORT_H
#define KRAG_NET_TRANSPORT_H

// Packets between this machine and its peers over ENet. A host listens and takes up to
// NET_MAX_PLAYERS - 1 joiners (plus one spare, so that one more can be told the match
// is full); a joiner has the host as its only peer (peer 0). Two channels: the session's
// control messages go reliably, inputs unreliably and sequenced. ENet's limits are set
// tightly (peers, channels, packet and waiting-data sizes), and the host refuses an
// address that tries to connect too often. Optionally a lossy link delays, drops and
// doubles packets both ways inside the process, for tests and scripts.
#include <cstdint>
#include <string>
#include <vector>

#include "net/lossy.h"
#include "net/wire.h"

struct _ENetHost;

enum { NET_EV_CONNECT = 1, NET_EV_DISCONNECT, NET_EV_PACKET };

struct cnet_event {
    int kind;
    int peer; // host: the joiner's index, 0 to NET_PEERS - 1; joiner: 0, the host
    std::string bytes;
};

const int NET_PEERS = 6;                // a host's joiners: five players and one to refuse
const int NET_CONNECTS_PER_SECOND = 4;  // from one address; more are cut off at once
const int NET_TIMEOUT_MS = 5000;        // a peer silent this long is gone
const size_t NET_WAITING_BYTES = 64u << 10;
const int NET_OFFERS_PER_SECOND = 20;   // LAN discovery answers a host gives at most

class cnet_transport {
  public:
    ~cnet_transport() { close(); }
    bool listen(int port, std::string &err);                        // port 0: any free port
    bool connect(const std::string &address, int port, std::string &err); // starts connecting
    int port() const; // the port listened on
    void send(int peer, const std::string &bytes, bool reliable);
    bool poll(cnet_event &out); // the next event, without waiting; false when none
    void flush();               // sends what is queued now instead of at the next poll
    void drop(int peer);        // disconnects one peer (after what was sent reliably)
    void close();               // ends every connection at once
    int round_trip_ms(int peer) const;
    int connected() const; // peers connected now
    long bytes_sent() const { return sent; }
    // Lossy link for both directions (seeded); call before listening or connecting.
    void use_link(const clink_settings &s, uint32_t seed);
    // A host answers LAN discovery on its own port with this (nonce aside).
    void offer(const cnet_offer &o) { my_offer = o, offering = true; }
    // Answers a raw packet that is a discovery question; false for any other packet.
    bool answer_discovery(const uint8_t *p, size_t n);

  private:
    _ENetHost *enet = nullptr;
    bool lossy = false;
    clossy_link out_link, in_link; // endpoint 0 is this machine, peer p is p + 1
    long sent = 0;
    cnet_offer my_offer;
    bool offering = false;
    uint32_t offers_since = 0; // ms when the counting second began
    int offers = 0;
    struct cattempt {
        uint32_t address;
        uint32_t since; // ms when the counting second began
        int count;
    };
    cattempt attempts[32] = {};
    bool too_often(uint32_t address, uint32_t now);
    void hand_to_enet(int peer, const std::string &bytes, bool reliable);
};

// Starts ENet once per process; false when it cannot.
bool net_startup();

// Finds hosts: asks by broadcast on the LAN (or one address) and gathers the answers.
struct cnet_found {
    std::string address; // the host's, as text
    cnet_offer offer;
    int ping_ms;
};

class cnet_finder {
  public:
    ~cnet_finder() { stop(); }
    // Sends one question; false when no socket could be opened.
    bool ask(int port, const std::string &address = "255.255.255.255");
    void poll(); // takes the answers that have come, without waiting
    void stop();
    std::vector<cnet_found> found; // one entry per host

  private:
    intptr_t sock = -1;
    uint32_t nonce = 0, asked_at = 0;
};

#endif
