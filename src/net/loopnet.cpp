#include "net/loopnet.h"

// Machine m is endpoint m on the link; on the host a joiner's connection is peer m - 1.
cloopnet::cloopnet(int count, bool headless, const cnet_settings &s, const clink_settings &ls,
                   uint32_t seed, const std::vector<cnet_model> &doors, cnet_script play_script)
    : machines(count), up(count, true), script(play_script) {
    link.setup(ls, seed);
    const cnet_hello me = {NET_PROTOCOL, "loop", 0x100f, "host"};
    machines[0].host(s, headless ? "" : "host", me);
    for (int j = 1; j < count; j++) {
        cnet_hello joiner = me;
        joiner.name = "joiner" + std::to_string(j);
        machines[j].join(joiner);
        machines[j].set_round_trip(2 * ls.delay_ms + ls.jitter_ms);
        machines[0].connected(j - 1);
        machines[j].connected(0);
    }
    for (int m = 0; m < count; m++)
        machines[m].attach(doors[m]);
}

void cloopnet::deliver(int from, int to, const std::string &bytes) {
    // Machines a test made up by hand are not on the link.
    if (from >= (int)up.size() || to >= (int)up.size() || !up[from] || !up[to]) return;
    csession &s = machines[to];
    int peer = to == 0 ? from - 1 : 0;
    if (bytes.empty()) // the sender hangs up after this
        s.disconnected(peer);
    else
        s.received(peer, bytes);
}

void cloopnet::step() {
    cparcel p;
    while (link.take(now_ms, p))
        deliver(p.from, p.to, p.bytes);
    for (int m = 0; m < (int)machines.size(); m++) {
        csession &s = machines[m];
        if (!up[m]) continue;
        if (m > 0 && s.state() == SESSION_LOBBY && s.map_wanted()) s.map_ready();
        if (m == 0 && s.state() == SESSION_LOBBY && s.all_ready() &&
            s.joined() == (int)machines.size() - (s.slot() < 0))
            s.start();
        int me = s.slot();
        long t = s.state() == SESSION_PLAYING ? s.match().now() + s.settings().delay : 0;
        if (before_frame) before_frame(m);
        s.frame(me >= 0 ? script(me, t) : cnet_input{0, 0, 0, 0});
        if (after_frame) after_frame(m);
        if (me >= 0 && s.state() >= SESSION_PLAYING)
            while ((long)given[me].size() < s.match().known(me))
                given[me].push_back(s.match().input(me, given[me].size()));
        for (cnet_outgoing &o : s.outbox) {
            if (tamper && !o.bytes.empty()) tamper(m, o.bytes);
            link.send(now_ms, m, m == 0 ? o.peer + 1 : 0, o.bytes, o.reliable);
        }
        s.outbox.clear();
    }
    now_ms += 10;
}

bool cloopnet::play(long frames) {
    for (long f = 0; f < frames; f++) {
        bool all = true;
        for (int m = 0; m < (int)machines.size(); m++)
            all = all && (!up[m] || machines[m].settled());
        if (all) return true;
        step();
    }
    return false;
}
