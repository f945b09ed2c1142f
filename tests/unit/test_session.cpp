// Whole network matches between 2 to 6 machines in one process, over the seeded lossy
// link, on a small stand-in world that is as touchy as the real one: every input
// matters and a tick depends on everything before it. Every machine must end at the
// same tick with the same world, and that world must be the one a straight run of the
// inputs the players really gave produces.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "net/driver.h"
#include "net/lossy.h"
#include "net/loopnet.h"
#include "net/standin.h"
#include "net/session.h"

namespace {

cnet_settings toy_settings(int players, int delay) {
    return {0, 0, 1, 10, 2, 31, delay, players, 7, "toy.krm", 0, 1};
}

const cnet_hello ME = {NET_PROTOCOL, "1.0.0", 0x5151, "ann"};

std::vector<cnet_model> doors(std::vector<cstandin> &worlds) {
    std::vector<cnet_model> d;
    for (cstandin &w : worlds)
        d.push_back(w.door());
    return d;
}

// Machines on the lossy link, each with its own stand-in world.
struct cnetwork {
    std::vector<cstandin> worlds;
    cloopnet loop;

    cnetwork(int machines, bool headless, clink_settings s, uint32_t seed)
        : worlds(machines), loop(machines, headless, toy_settings(machines - headless, 2), s, seed,
                                 doors(worlds), standin_script) {}

    // The world a straight run of the given inputs reaches by `end`.
    uint64_t straight(long end, const csession &ref) {
        cstandin w;
        for (long t = 0; t < end; t++) {
            cnet_input in[NET_MAX_PLAYERS] = {};
            bool human[NET_MAX_PLAYERS];
            for (int s = 0; s < NET_MAX_PLAYERS; s++) {
                human[s] = ref.match().human_at(s, t);
                if (human[s]) in[s] = t < (long)loop.given[s].size() ? loop.given[s][t] : loop.given[s].back();
            }
            w.tick(in, human);
        }
        return w.hash();
    }
};

void expect_same_match(cnetwork &net, const char *what) {
    const csession &host = net.loop.machines[0];
    ASSERT_GT(host.end_tick(), 0) << what << ": " << host.status();
    for (int m = 0; m < (int)net.loop.machines.size(); m++) {
        if (!net.loop.up[m]) continue;
        const csession &s = net.loop.machines[m];
        EXPECT_EQ(s.out_of_step(), -1) << what << " machine " << m;
        EXPECT_EQ(s.end_tick(), host.end_tick()) << what << " machine " << m;
        EXPECT_EQ(net.worlds[m].hash(), net.worlds[0].hash()) << what << " machine " << m;
    }
    EXPECT_EQ(net.straight(host.end_tick(), host), net.worlds[0].hash()) << what;
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
                ASSERT_TRUE(net.loop.play()) << what << ": " << net.loop.machines[0].status();
                expect_same_match(net, what.c_str());
                long rollbacks = 0;
                for (const csession &s : net.loop.machines)
                    rollbacks += s.match().stats().rollbacks;
                if (rtt >= 50) {
                    EXPECT_GT(rollbacks, 0) << what << ": predictions were never wrong?";
                }
            }
}

TEST(session, AHostWithoutAPlayerServesAMatch) {
    cnetwork net(4, true, {40, 10, 5, 2}, 5);
    ASSERT_TRUE(net.loop.play()) << net.loop.machines[0].status();
    EXPECT_EQ(net.loop.machines[0].slot(), -1);
    EXPECT_EQ(net.loop.machines[0].match().human_at(0, 0), true); // the first joiner took slot 0
    expect_same_match(net, "headless host");
}

// A joiner that vanishes mid-match becomes a bot at one tick on every machine, and the
// match goes on to the same end for everyone left.
TEST(session, AJoinerThatDropsTurnsBotAtTheSameTickEverywhere) {
    cnetwork net(3, false, {30, 10, 2, 1}, 11);
    for (int f = 0; f < 3000 && (net.loop.machines[2].state() != SESSION_PLAYING || net.loop.machines[2].match().now() < 300); f++)
        net.loop.step();
    ASSERT_EQ(net.loop.machines[2].match().now(), 300);
    net.loop.up[2] = false;
    net.loop.machines[0].disconnected(1); // the host's transport times it out
    ASSERT_TRUE(net.loop.play()) << net.loop.machines[0].status();
    const int slot = 2;
    long turned = -1;
    for (long t = 0; t < 100000 && turned < 0; t++)
        if (!net.loop.machines[0].match().human_at(slot, t)) turned = t;
    EXPECT_GT(turned, 250);
    EXPECT_FALSE(net.loop.machines[1].match().human_at(slot, turned));
    EXPECT_TRUE(net.loop.machines[1].match().human_at(slot, turned - 1));
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
    net.loop.machines[0].outbox.clear();
    cnet_msg hello{};
    hello.type = PKT_HELLO;
    hello.hello = ME;
    hello.hello.version = "0.9";
    net.loop.machines[0].connected(3);
    net.loop.machines[0].received(3, packet(hello));
    EXPECT_EQ(refusal(net.loop.machines[0], 3), "different game version: host loop, you 0.9");
    hello.hello.version = "loop", hello.hello.fingerprint = 0x77;
    net.loop.machines[0].connected(4);
    net.loop.machines[0].received(4, packet(hello));
    EXPECT_EQ(refusal(net.loop.machines[0], 4),
              "different game version: host loop (simulation 000000000000100f), you loop "
              "(simulation 0000000000000077)");
    for (int f = 0; f < 3000 && net.loop.machines[2].state() != SESSION_PLAYING; f++)
        net.loop.step();
    ASSERT_EQ(net.loop.machines[2].state(), SESSION_PLAYING);
    hello.hello.fingerprint = 0x100f;
    net.loop.machines[0].connected(5);
    net.loop.machines[0].received(5, packet(hello));
    EXPECT_EQ(refusal(net.loop.machines[0], 5), "the match has already started");

    // Joiner 1 (slot 1, the host's peer 0) sends inputs for slot 2: it is cut off, its
    // slot plays itself from one tick on everywhere, the others play on to the end.
    for (int f = 0; f < 100; f++)
        net.loop.step();
    cnet_msg in{};
    in.type = PKT_INPUTS;
    in.inputs.nblocks = 1;
    in.inputs.blocks[0] = {2, net.loop.machines[0].match().known(2), 1, {{1, 5, 5, 1}}};
    net.loop.machines[0].received(0, packet(in));
    EXPECT_EQ(refusal(net.loop.machines[0], 0), "disconnected: sent inputs for another player");
    net.loop.up[1] = false;
    EXPECT_FALSE(net.loop.machines[0].match().human_at(1, net.loop.machines[0].match().known(1)));
    // Garbage and host-only messages from the other joiner cut it off too, without harm.
    net.loop.machines[0].received(1, std::string("\x08\xff\xff", 3));
    EXPECT_EQ(refusal(net.loop.machines[0], 1).rfind("disconnected: ", 0), 0u);
    net.loop.up[2] = false;
    ASSERT_TRUE(net.loop.play());
    EXPECT_GT(net.loop.machines[0].end_tick(), 0);
}

// A joiner whose packets are mangled in flight (bytes flipped, cut short, lengthened,
// some of them still well formed) harms no one: the host cuts it off or plays its
// mangled inputs, and either the others end alike or everyone is told OUT OF STEP.
TEST(session, MangledPacketsFromAJoinerHarmNoOne) {
    for (uint32_t seed = 1; seed <= 12; seed++) {
        cnetwork net(3, false, {20, 10, 2, 1}, seed);
        uint32_t r = seed;
        net.loop.tamper = [&](int from, std::string &b) {
            r = r * 1103515245u + 12345u;
            if (from != 1 || net.loop.machines[1].state() != SESSION_PLAYING || (r >> 16) % 4) return;
            int how = (r >> 8) % 3, at = (r >> 4) % b.size();
            if (how == 0) b[at] ^= 1 << (r >> 24) % 8;
            if (how == 1) b.resize(at + 1 < (int)b.size() ? at + 1 : 1); // empty means hanging up
            if (how == 2) b += std::string(1 + (r >> 20) % 40, (char)(r >> 12));
        };
        ASSERT_TRUE(net.loop.play()) << "seed " << seed;
        const csession &host = net.loop.machines[0], &other = net.loop.machines[2];
        EXPECT_EQ(other.out_of_step(), host.out_of_step()) << "seed " << seed;
        if (host.out_of_step() < 0) {
            EXPECT_EQ(other.end_tick(), host.end_tick()) << "seed " << seed;
            EXPECT_EQ(net.worlds[2].hash(), net.worlds[0].hash()) << "seed " << seed;
        }
    }
}

// A joiner that stops sending holds the others at the prediction window, and they say
// whom they wait for.
TEST(session, WaitsPastTheWindowAndSaysForWhom) {
    cnetwork net(2, false, {10, 0, 0, 0}, 8);
    for (int f = 0; f < 3000 && net.loop.machines[1].state() != SESSION_PLAYING; f++)
        net.loop.step();
    for (int f = 0; f < 100; f++)
        net.loop.step();
    net.loop.up[1] = false; // silent, not yet timed out
    for (int f = 0; f < 100; f++)
        net.loop.step();
    const crollback &g = net.loop.machines[0].match();
    EXPECT_EQ(g.now(), g.known(1) + ROLLBACK_WINDOW);
    EXPECT_EQ(net.loop.machines[0].status(), "WAITING FOR joiner1");
}

// Only the host pauses, and then nobody's match moves until it resumes; the match then
// ends alike as ever.
TEST(session, TheHostPausesEveryone) {
    cnetwork net(3, false, {40, 10, 2, 1}, 12);
    cloopnet &loop = net.loop;
    for (int f = 0; f < 3000 && loop.machines[2].match().now() < 200; f++)
        loop.step();
    EXPECT_FALSE(loop.machines[1].pause(true));
    ASSERT_TRUE(loop.machines[0].pause(true));
    for (int f = 0; f < 30; f++) // the word reaches everyone
        loop.step();
    long at[3];
    for (int m = 0; m < 3; m++) {
        EXPECT_TRUE(loop.machines[m].paused()) << "machine " << m;
        at[m] = loop.machines[m].match().now();
    }
    for (int f = 0; f < 500; f++)
        loop.step();
    for (int m = 0; m < 3; m++)
        EXPECT_EQ(loop.machines[m].match().now(), at[m]) << "machine " << m;
    ASSERT_TRUE(loop.machines[0].pause(false));
    ASSERT_TRUE(loop.play());
    expect_same_match(net, "after a pause");
    for (const csession &s : loop.machines)
        EXPECT_EQ(s.figures().waited, 0) << "a pause cost waiting";
}

// The same over real ENet sockets on loopback: a host and two joiners play, a fourth
// machine finds the match full, and one joiner quitting mid-match leaves the other two
// with the same end.
TEST(session, PlaysOverENetOnLoopback) {
    cnet_driver m[4];
    cstandin worlds[4];
    std::string err;
    ASSERT_TRUE(m[0].host(0, toy_settings(3, 2), "host", ME, err)) << err;
    for (int j = 1; j < 3; j++)
        ASSERT_TRUE(m[j].join("127.0.0.1", m[0].transport.port(), ME, err)) << err;
    for (cnet_driver &d : m)
        d.session.attach(worlds[&d - m].door());
    bool quit = false;
    for (long f = 0; f < 200000; f++) {
        bool settled = true;
        for (int i = 0; i < 4; i++) {
            csession &s = m[i].session;
            // The fourth knocks once the other two are in, and the host starts once it
            // has been turned away.
            if (i == 3 && s.state() == SESSION_IDLE && m[0].session.joined() == 3) {
                ASSERT_TRUE(m[3].join("127.0.0.1", m[0].transport.port(), ME, err)) << err;
            }
            if (i == 3 && (s.state() == SESSION_OVER || s.state() == SESSION_IDLE)) continue;
            if (i == 2 && quit) continue;
            m[i].pump();
            if (i > 0 && s.state() == SESSION_LOBBY && s.map_wanted()) s.map_ready();
            if (i == 0 && s.state() == SESSION_LOBBY && s.joined() == 3 && s.all_ready() &&
                m[3].session.state() == SESSION_OVER)
                s.start();
            long t = s.state() == SESSION_PLAYING ? s.match().now() : 0;
            s.frame(s.slot() >= 0 ? standin_script(s.slot(), t) : cnet_input{0, 0, 0, 0});
            m[i].pump();
            settled = settled && (s.settled() || i >= 2 + !quit);
        }
        if (!quit && m[2].session.state() == SESSION_PLAYING && m[2].session.match().now() > 200) {
            m[2].transport.close();
            quit = true;
        }
        if (settled && quit) break;
    }
    EXPECT_EQ(m[3].session.status(), "the match is full");
    ASSERT_TRUE(quit);
    ASSERT_GT(m[0].session.end_tick(), 0) << m[0].session.status();
    EXPECT_EQ(m[1].session.end_tick(), m[0].session.end_tick());
    EXPECT_EQ(worlds[1].hash(), worlds[0].hash());
    EXPECT_FALSE(m[1].session.match().human_at(m[2].session.slot(), m[0].session.end_tick()));
}

} // namespace
