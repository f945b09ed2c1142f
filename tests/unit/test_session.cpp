// Whole network matches between 2 to 6 machines in one process, over the seeded lossy
// link, on a small stand-in world that is as touchy as the real one: every input
// matters and a tick depends on everything before it. Every machine must end at the
// same tick with the same world, and that world must be the one a straight run of the
// inputs the players really gave produces.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "net/lossy.h"
#include "net/session.h"

namespace {

struct ctoy_state {
    uint32_t rng;
    int32_t pos[NET_MAX_PLAYERS], hits[NET_MAX_PLAYERS];
    long ticks;
};

const long TOY_LONGEST = 1500; // ticks, when no one reaches the hit limit first
const int TOY_HITS = 40;

struct ctoy {
    ctoy_state live{1, {0, 120, 240, 360, 480, 600}, {}, 0}, saved[ROLLBACK_SAVES];

    static void save(void *c, int slot) { ((ctoy *)c)->saved[slot] = ((ctoy *)c)->live; }
    static void restore(void *c, int slot) { ((ctoy *)c)->live = ((ctoy *)c)->saved[slot]; }
    static uint64_t hash(void *c) {
        const ctoy_state &w = ((ctoy *)c)->live;
        uint64_t h = 1469598103934665603ULL ^ w.rng ^ (uint64_t)w.ticks << 32;
        for (int s = 0; s < NET_MAX_PLAYERS; s++)
            h = (h ^ (uint32_t)w.pos[s] ^ (uint64_t)w.hits[s] << 40) * 1099511628211ULL;
        return h;
    }
    static void tick(void *c, const cnet_input *in, const bool *human) {
        ctoy_state &w = ((ctoy *)c)->live;
        for (int s = 0; s < NET_MAX_PLAYERS; s++) {
            w.rng = w.rng * 1103515245u + 12345u;
            if (human[s]) {
                int dx = (int)(in[s].actions & 1) - (int)(in[s].actions >> 1 & 1);
                w.pos[s] += dx * 3 + (in[s].aim_x - w.pos[s]) / 64;
            } else {
                w.pos[s] += (int)(w.rng >> 16) % 7 - 3;
            }
            bool fires = human[s] ? in[s].buttons & 1 : (w.rng >> 8) % 5 == 0;
            for (int t = 0; fires && t < NET_MAX_PLAYERS; t++)
                if (t != s && std::abs(w.pos[t] - w.pos[s]) < 6) w.hits[s]++;
        }
        w.ticks++;
    }
    static bool decided(void *c) {
        const ctoy_state &w = ((ctoy *)c)->live;
        for (int s = 0; s < NET_MAX_PLAYERS; s++)
            if (w.hits[s] >= TOY_HITS) return true;
        return w.ticks >= TOY_LONGEST;
    }
    cnet_model door() { return {this, save, restore, hash, tick, decided}; }
};

// What a player does: holds keys and aims for a while, then changes.
cnet_input scripted(int slot, long tick) {
    uint32_t h = (uint32_t)(slot * 7919 + tick / 17) * 2654435761u;
    return {h >> 28 & 3, (int)((tick / 9 * 37 + slot * 100) % 640), 0, (int)((tick / 13 + slot) % 3 == 0)};
}

cnet_settings toy_settings(int players, int delay) {
    return {0, 0, 1, 10, 2, 31, delay, players, 7, "toy.krm", 0, 1};
}

const cnet_hello ME = {NET_PROTOCOL, "1.0.0", 0x5151, "ann"};

// A host (endpoint 0) and its joiners (endpoints 1...) over one lossy link, stepped in
// frames of 10 ms. A joiner's connection is endpoint e, the host's peer e - 1.
struct cnetwork {
    clossy_link link;
    std::vector<csession> peers;
    std::vector<ctoy> worlds;
    std::vector<bool> up; // still connected
    long now_ms = 0;
    // What each slot's player really gave, tick by tick, as its own machine knew it.
    std::vector<cnet_input> given[NET_MAX_PLAYERS];

    cnetwork(int machines, bool headless, clink_settings s, uint32_t seed)
        : peers(machines), worlds(machines), up(machines, true) {
        link.setup(s, seed);
        peers[0].host(toy_settings(machines - headless, 2), headless ? "" : "host", ME);
        for (int j = 1; j < machines; j++) {
            cnet_hello me = ME;
            me.name = "joiner" + std::to_string(j);
            peers[j].join(me);
            peers[0].connected(j - 1);
            peers[j].connected(0);
        }
        for (int m = 0; m < machines; m++)
            peers[m].attach(worlds[m].door());
    }

    void deliver(int from, int to, const std::string &bytes) {
        // Machines the test made up by hand are not on the link.
        if (from >= (int)up.size() || to >= (int)up.size() || !up[from] || !up[to]) return;
        csession &s = peers[to];
        int peer = to == 0 ? from - 1 : 0;
        if (bytes.empty()) // the sender hangs up after this
            s.disconnected(peer);
        else
            s.received(peer, bytes);
    }

    void step() {
        cparcel p;
        while (link.take(now_ms, p))
            deliver(p.from, p.to, p.bytes);
        for (int m = 0; m < (int)peers.size(); m++) {
            csession &s = peers[m];
            if (!up[m]) continue;
            if (m > 0 && s.state() == SESSION_LOBBY && s.map_wanted()) s.map_ready();
            if (m == 0 && s.state() == SESSION_LOBBY && s.joined() == (int)peers.size() - (s.slot() < 0) &&
                s.all_ready())
                s.start();
            int me = s.slot();
            long t = s.state() == SESSION_PLAYING ? s.match().now() + s.settings().delay : 0;
            s.frame(me >= 0 ? scripted(me, t) : cnet_input{0, 0, 0, 0});
            if (me >= 0 && s.state() >= SESSION_PLAYING)
                while ((long)given[me].size() < s.match().known(me))
                    given[me].push_back(s.match().input(me, given[me].size()));
            for (cnet_outgoing &o : s.outbox)
                link.send(now_ms, m, m == 0 ? o.peer + 1 : 0, o.bytes, o.reliable);
            s.outbox.clear();
        }
        now_ms += 10;
    }

    // Plays until every machine still up has settled; false after two simulated minutes.
    bool play() {
        for (int f = 0; f < 12000; f++) {
            bool all = true;
            for (int m = 0; m < (int)peers.size(); m++)
                all = all && (!up[m] || peers[m].settled());
            if (all) return true;
            step();
        }
        return false;
    }

    // The world a straight run of the given inputs reaches by `end`.
    uint64_t straight(long end, const csession &ref) {
        ctoy w;
        for (long t = 0; t < end; t++) {
            cnet_input in[NET_MAX_PLAYERS] = {};
            bool human[NET_MAX_PLAYERS];
            for (int s = 0; s < NET_MAX_PLAYERS; s++) {
                human[s] = ref.match().human_at(s, t);
                if (human[s]) in[s] = t < (long)given[s].size() ? given[s][t] : given[s].back();
            }
            ctoy::tick(&w, in, human);
        }
        return ctoy::hash(&w);
    }
};

void expect_same_match(cnetwork &net, const char *what) {
    const csession &host = net.peers[0];
    ASSERT_GT(host.end_tick(), 0) << what << ": " << host.status();
    for (int m = 0; m < (int)net.peers.size(); m++) {
        if (!net.up[m]) continue;
        const csession &s = net.peers[m];
        EXPECT_EQ(s.out_of_step(), -1) << what << " machine " << m;
        EXPECT_EQ(s.end_tick(), host.end_tick()) << what << " machine " << m;
        EXPECT_EQ(ctoy::hash(&net.worlds[m]), ctoy::hash(&net.worlds[0])) << what << " machine " << m;
    }
    EXPECT_EQ(net.straight(host.end_tick(), host), ctoy::hash(&net.worlds[0])) << what;
}

TEST(session, MatchesEndAlikeOnEveryMachineOverBadLinks) {
    const int rtts[] = {0, 50, 150, 300};
    const int losses[] = {0, 2, 10};
    for (int machines : {2, 3, 6})
        for (int rtt : rtts)
            for (int loss : losses) {
                std::string what = std::to_string(machines) + " machines, " + std::to_string(rtt) +
                                   " ms, " + std::to_string(loss) + " % lost";
                cnetwork net(machines, false, {rtt / 2, rtt / 10, loss, loss / 2}, 99 + rtt + loss);
                ASSERT_TRUE(net.play()) << what << ": " << net.peers[0].status();
                expect_same_match(net, what.c_str());
                long rollbacks = 0;
                for (const csession &s : net.peers)
                    rollbacks += s.match().stats().rollbacks;
                if (rtt >= 50) {
                    EXPECT_GT(rollbacks, 0) << what << ": predictions were never wrong?";
                }
            }
}

TEST(session, AHostWithoutAPlayerServesAMatch) {
    cnetwork net(4, true, {40, 10, 5, 2}, 5);
    ASSERT_TRUE(net.play()) << net.peers[0].status();
    EXPECT_EQ(net.peers[0].slot(), -1);
    EXPECT_EQ(net.peers[0].match().human_at(0, 0), true); // the first joiner took slot 0
    expect_same_match(net, "headless host");
}

// A joiner that vanishes mid-match becomes a bot at one tick on every machine, and the
// match goes on to the same end for everyone left.
TEST(session, AJoinerThatDropsTurnsBotAtTheSameTickEverywhere) {
    cnetwork net(3, false, {30, 10, 2, 1}, 11);
    for (int f = 0; f < 3000 && (net.peers[2].state() != SESSION_PLAYING || net.peers[2].match().now() < 300); f++)
        net.step();
    ASSERT_EQ(net.peers[2].match().now(), 300);
    net.up[2] = false;
    net.peers[0].disconnected(1); // the host's transport times it out
    ASSERT_TRUE(net.play()) << net.peers[0].status();
    const int slot = 2;
    long turned = -1;
    for (long t = 0; t < 100000 && turned < 0; t++)
        if (!net.peers[0].match().human_at(slot, t)) turned = t;
    EXPECT_GT(turned, 250);
    EXPECT_FALSE(net.peers[1].match().human_at(slot, turned));
    EXPECT_TRUE(net.peers[1].match().human_at(slot, turned - 1));
    expect_same_match(net, "after a drop");
}

// What the host said to a peer last, if it was a refusal.
std::string refusal(const csession &host, int peer) {
    std::string why;
    for (const cnet_outgoing &o : host.outbox) {
        cnet_msg m{};
        std::string err;
        if (o.peer == peer && net_decode((const uint8_t *)o.bytes.data(), o.bytes.size(), m, err) &&
            m.type == PKT_REFUSE)
            why = m.reason;
    }
    return why;
}

std::string packet(const cnet_msg &m) {
    cpacker p;
    EXPECT_TRUE(net_encode(m, p));
    return std::string((const char *)p.data(), p.size());
}

TEST(session, TheHostRefusesWhatAJoinerMayNotDo) {
    cnetwork net(3, false, {20, 5, 0, 0}, 3);
    net.peers[0].outbox.clear();
    cnet_msg hello{};
    hello.type = PKT_HELLO;
    hello.hello = ME;
    hello.hello.version = "0.9";
    net.peers[0].connected(3);
    net.peers[0].received(3, packet(hello));
    EXPECT_EQ(refusal(net.peers[0], 3), "different game version: host 1.0.0, you 0.9");
    hello.hello.version = "1.0.0", hello.hello.fingerprint = 0x77;
    net.peers[0].connected(4);
    net.peers[0].received(4, packet(hello));
    EXPECT_EQ(refusal(net.peers[0], 4),
              "different game version: host 1.0.0 (simulation 0000000000005151), you 1.0.0 "
              "(simulation 0000000000000077)");
    for (int f = 0; f < 3000 && net.peers[2].state() != SESSION_PLAYING; f++)
        net.step();
    ASSERT_EQ(net.peers[2].state(), SESSION_PLAYING);
    hello.hello.fingerprint = ME.fingerprint;
    net.peers[0].connected(5);
    net.peers[0].received(5, packet(hello));
    EXPECT_EQ(refusal(net.peers[0], 5), "the match has already started");

    // Joiner 1 (slot 1, the host's peer 0) sends inputs for slot 2: it is cut off, its
    // slot plays itself from one tick on everywhere, the others play on to the end.
    for (int f = 0; f < 100; f++)
        net.step();
    cnet_msg in{};
    in.type = PKT_INPUTS;
    in.inputs.nblocks = 1;
    in.inputs.blocks[0] = {2, net.peers[0].match().known(2), 1, {{1, 5, 5, 1}}};
    net.peers[0].received(0, packet(in));
    EXPECT_EQ(refusal(net.peers[0], 0), "disconnected: sent inputs for another player");
    net.up[1] = false;
    EXPECT_FALSE(net.peers[0].match().human_at(1, net.peers[0].match().known(1)));
    // Garbage and host-only messages from the other joiner cut it off too, without harm.
    net.peers[0].received(1, std::string("\x08\xff\xff", 3));
    EXPECT_EQ(refusal(net.peers[0], 1).rfind("disconnected: ", 0), 0u);
    net.up[2] = false;
    ASSERT_TRUE(net.play());
    EXPECT_GT(net.peers[0].end_tick(), 0);
}

// A joiner that stops sending holds the others at the prediction window, and they say
// whom they wait for.
TEST(session, WaitsPastTheWindowAndSaysForWhom) {
    cnetwork net(2, false, {10, 0, 0, 0}, 8);
    for (int f = 0; f < 3000 && net.peers[1].state() != SESSION_PLAYING; f++)
        net.step();
    for (int f = 0; f < 100; f++)
        net.step();
    net.up[1] = false; // silent, not yet timed out
    for (int f = 0; f < 100; f++)
        net.step();
    const crollback &g = net.peers[0].match();
    EXPECT_EQ(g.now(), g.known(1) + ROLLBACK_WINDOW);
    EXPECT_EQ(net.peers[0].status(), "WAITING FOR joiner1");
}

} // namespace
