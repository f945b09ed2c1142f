// krag-sim --join HOST[:PORT]: a headless joiner for tests and scripts.
#include "sim_join.h"

#include <cstdio>

#include "match/sim.h"
#include "net/netmatch.h"
#include "shell/say.h"
#include "shell/shell.h"

int join_main(const std::string &address, bool restless, const clink_settings *link, unsigned seed) {
    install_quit_signals();
    cnetmatch net;
    if (link) net.use_link(*link, seed);
    std::string why, said;
    if (!net.join(address, "sim", why)) {
        say("krag-sim: %s", why.c_str());
        return 1;
    }
    long next = 0;
    bool playing = false;
    while (!net.done() && !quit_requested()) {
        net_pace(next);
        int slot = net.local_slot();
        // The control for the tick it will be used at (after the input delay).
        long at = net.tick() + net.settings().delay;
        net.frame(restless && slot >= 0 ? scripted_control(seed, at, slot) : ccontrol{});
        if (net.state() == NETMATCH_PLAYING && !playing) {
            playing = true;
            say("krag-sim: playing slot %d", slot + 1);
        }
        if (net.status() != said) {
            said = net.status();
            if (!said.empty()) say("krag-sim: %s", said.c_str());
        }
    }
    bool decided = net.end_tick() >= 0 && net.out_of_step() < 0;
    if (!net.result().empty()) printf("%s\n", net.result().c_str());
    fflush(stdout);
    net.leave();
    return decided ? 0 : 1;
}
