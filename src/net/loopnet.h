#ifndef KRAG_NET_LOOPNET_H
#define KRAG_NET_LOOPNET_H

// A whole network match inside one process: a host (machine 0) and its joiners over
// the seeded lossy link, stepped in frames of 10 ms of simulated time, every human
// playing a scripted part. For tests and for the network figures; no sockets, no root.
#include <functional>
#include <string>
#include <vector>

#include "net/lossy.h"
#include "net/session.h"

// What each machine's player does at a tick.
typedef std::function<cnet_input(int slot, long tick)> cnet_script;

class cloopnet {
  public:
    clossy_link link;
    std::vector<csession> machines;
    std::vector<bool> up; // false: cut off from the link (crashed, unplugged)
    long now_ms = 0;
    // What each slot's player really gave, tick by tick, as its own machine knew it.
    std::vector<cnet_input> given[NET_MAX_PLAYERS];
    // Called before and after each machine's frame (a shared world is swapped in and out).
    std::function<void(int machine)> before_frame, after_frame;
    // Sees every packet a machine sends before the link does, and may change it.
    std::function<void(int from, std::string &bytes)> tamper;

    // count machines; headless: the host has no player. Each machine plays through its
    // own door.
    cloopnet(int count, bool headless, const cnet_settings &s, const clink_settings &link_settings,
             uint32_t seed, const std::vector<cnet_model> &doors, cnet_script script);
    void step(); // one frame of every machine
    // Frames until every machine still up has settled; false after `frames`.
    bool play(long frames = 12000);

  private:
    cnet_script script;
    void deliver(int from, int to, const std::string &bytes);
};

#endif
