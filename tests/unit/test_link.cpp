// The lossy link inside the process and the ENet transport on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "net/driver.h"
#include "net/lossy.h"
#include "net/transport.h"
#include "net/wire.h"

namespace {

TEST(link, DelaysLosesDoublesAndReordersOnlyWhatIsUnreliable) {
    clossy_link link;
    link.setup({50, 30, 10, 5}, 1234);
    for (int i = 0; i < 2000; i++) {
        link.send(i, 0, 1, "u" + std::to_string(i), false);
        link.send(i, 1, 0, "r" + std::to_string(i), true);
    }
    cparcel p;
    long unreliable = 0, doubled = 0, overtaken = 0, last_u = -1, last_r = -1;
    std::set<std::string> seen;
    for (long now = 0; now < 3000; now++)
        while (link.take(now, p)) {
            long sent = atol(p.bytes.c_str() + 1);
            EXPECT_GE(now - sent, 50) << "arrived before the delay";
            EXPECT_LE(p.due_ms, now);
            if (p.reliable) {
                EXPECT_EQ(sent, last_r + 1) << "a reliable packet lost or out of order";
                last_r = sent;
                continue;
            }
            unreliable++;
            if (!seen.insert(p.bytes).second) doubled++;
            if (sent < last_u) overtaken++;
            last_u = std::max(last_u, sent);
        }
    EXPECT_EQ(last_r, 1999);
    EXPECT_EQ(link.waiting(), 0u);
    long arrived = (long)seen.size();
    EXPECT_NEAR(arrived, 1800, 80) << "about a tenth is lost";
    EXPECT_EQ(arrived + link.lost(), 2000);
    EXPECT_GT(doubled, 40);
    EXPECT_GT(overtaken, 100) << "jitter lets packets overtake";

    clink_settings s;
    EXPECT_TRUE(parse_link("75:10:2", s));
    EXPECT_EQ(s.delay_ms, 75);
    EXPECT_EQ(s.loss_pct, 2);
    for (const char *bad : {"", "75", "75:10", "75:10:2:1", "75:10:101", "-1:0:0", "a:b:c", "75:10:2x"})
        EXPECT_FALSE(parse_link(bad, s)) << bad;
}

TEST(transport, LoopbackCarriesBothChannelsAndKeepsItsLimits) {
    cnet_transport host, a;
    std::string err;
    ASSERT_TRUE(host.listen(0, err)) << err;
    ASSERT_GT(host.port(), 0);
    ASSERT_TRUE(a.connect("127.0.0.1", host.port(), err)) << err;
    std::vector<cnet_event> at_host, at_a;
    auto pump = [&](long ms, auto done) {
        for (long i = 0; i < ms && !done(); i++) {
            cnet_event ev;
            while (host.poll(ev))
                at_host.push_back(ev);
            while (a.poll(ev))
                at_a.push_back(ev);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    };
    ASSERT_TRUE(pump(5000, [&] { return !at_host.empty() && !at_a.empty(); }));
    EXPECT_EQ(at_host[0].kind, NET_EV_CONNECT);
    EXPECT_EQ(at_a[0].kind, NET_EV_CONNECT);
    int joiner = at_host[0].peer;

    // Reliable and unreliable both arrive; a packet over the size limit never does.
    a.send(0, std::string(NET_MAX_PACKET + 1, 'x'), true);
    a.send(0, "reliable", true);
    a.send(0, "inputs", false);
    host.send(joiner, "welcome", true);
    ASSERT_TRUE(pump(5000, [&] { return at_host.size() >= 3 && at_a.size() >= 2; }));
    EXPECT_EQ(at_host[1].bytes, "reliable");
    EXPECT_EQ(at_host[2].bytes, "inputs");
    EXPECT_EQ(at_a[1].bytes, "welcome");
    pump(100, [] { return false; });
    for (const cnet_event &ev : at_host)
        EXPECT_LE(ev.bytes.size(), NET_MAX_PACKET);

    // An address that connects too often in one second is cut off (a.connect above may
    // still count in the same second). Attempts cut off are retried by their senders
    // later, so only the first moments are counted.
    std::vector<cnet_transport *> extra;
    for (int i = 0; i < NET_CONNECTS_PER_SECOND + 2; i++) {
        extra.push_back(new cnet_transport);
        ASSERT_TRUE(extra.back()->connect("127.0.0.1", host.port(), err));
    }
    size_t before = at_host.size();
    auto connects = [&] {
        int n = 0;
        for (size_t i = before; i < at_host.size(); i++)
            n += at_host[i].kind == NET_EV_CONNECT;
        return n;
    };
    auto serve_extra = [&] {
        cnet_event ev;
        for (cnet_transport *t : extra)
            while (t->poll(ev)) {
            }
    };
    ASSERT_TRUE(pump(5000, [&] { return serve_extra(), connects() >= NET_CONNECTS_PER_SECOND - 1; }));
    pump(200, [&] { return serve_extra(), false; });
    EXPECT_LE(connects(), NET_CONNECTS_PER_SECOND);
    for (cnet_transport *t : extra)
        delete t;

    // A joiner that leaves is seen to leave.
    before = at_host.size();
    a.close();
    ASSERT_TRUE(pump(5000, [&] {
        for (size_t i = before; i < at_host.size(); i++)
            if (at_host[i].kind == NET_EV_DISCONNECT && at_host[i].peer == joiner) return true;
        return false;
    }));
}

// A host answers a discovery question on its session port with its offer, never with
// more bytes than were asked with, and says nothing to anything else.
TEST(transport, HostsAnswerDiscoveryWithoutAmplifying) {
    cnet_transport host;
    std::string err;
    ASSERT_TRUE(host.listen(0, err)) << err;
    host.offer({0, 2, 6, host.port(), "arena.krm", "ann"});
    cnet_finder finder;
    ASSERT_TRUE(finder.ask(host.port(), "127.0.0.1"));
    cnet_event ev;
    for (int i = 0; i < 5000 && finder.found.empty(); i++) {
        while (host.poll(ev)) {
        }
        finder.poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(finder.found.size(), 1u);
    EXPECT_EQ(finder.found[0].address, "127.0.0.1");
    EXPECT_EQ(finder.found[0].offer.map, "arena.krm");
    EXPECT_EQ(finder.found[0].offer.players, 2);
    EXPECT_EQ(finder.found[0].offer.port, host.port());
    // A question one byte short gets no answer: only full-size questions are answered.
    uint8_t q[NET_DISCOVER_BYTES];
    net_discover_request(1, q);
    EXPECT_TRUE(host.answer_discovery(q, sizeof q));
    EXPECT_FALSE(host.answer_discovery(q, sizeof q - 1));
}

TEST(link, AddressesWithAndWithoutPorts) {
    std::string host;
    int port;
    ASSERT_TRUE(parse_address("example.org", host, port));
    EXPECT_EQ(host, "example.org");
    EXPECT_EQ(port, NET_DEFAULT_PORT);
    ASSERT_TRUE(parse_address("10.0.0.2:7777", host, port));
    EXPECT_EQ(host + " " + std::to_string(port), "10.0.0.2 7777");
    ASSERT_TRUE(parse_address("[::1]:65535", host, port));
    EXPECT_EQ(host + " " + std::to_string(port), "::1 65535");
    ASSERT_TRUE(parse_address("fe80::1", host, port));
    EXPECT_EQ(host, "fe80::1");
    for (const char *bad : {"", ":7777", "h:", "h:0", "h:65536", "h:-1", "h:12a", "h: 12", "[::1", "[::1]x"})
        EXPECT_FALSE(parse_address(bad, host, port)) << bad;
}

} // namespace
