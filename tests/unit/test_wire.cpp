// The network wire format: every message survives a round trip, and the decoder refuses
// what a broken or hostile peer could send, each with a reason.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/wire.h"
#include "support.h"

namespace {

std::string bytes(const cpacker &p) { return std::string((const char *)p.data(), p.size()); }

std::string encoded(const cnet_msg &m) {
    cpacker p;
    EXPECT_TRUE(net_encode(m, p)) << "type " << m.type;
    return bytes(p);
}

bool decodes(const std::string &s, cnet_msg &m, std::string &err) {
    return net_decode((const uint8_t *)s.data(), s.size(), m, err);
}

cnet_settings offered() {
    return {1, 3, 2, 25, 4, 31, 2, 6, 0xdeadbeef, "wilds.krm", 0x12345678, 17000};
}

// One message of every type, with values at the edges of their ranges.
std::vector<cnet_msg> samples() {
    std::vector<cnet_msg> v;
    cnet_msg m{};
    m.type = PKT_HELLO, m.hello = {NET_PROTOCOL, "1.0.0", 0x0123456789abcdefULL, "Ann ~ Lee 12345"};
    v.push_back(m);
    m.type = PKT_WELCOME, m.welcome = {5, offered()};
    v.push_back(m);
    m.type = PKT_REFUSE, m.reason = "different game version: host 1.0.1, you 1.0.0";
    v.push_back(m);
    m.type = PKT_MAP_REQUEST;
    v.push_back(m);
    m.type = PKT_MAP_CHUNK, m.chunk.offset = 16000, m.chunk.total = 17024, m.chunk.size = 1024;
    for (int i = 0; i < 1024; i++)
        m.chunk.bytes[i] = i * 7;
    v.push_back(m);
    m.type = PKT_READY;
    v.push_back(m);
    m.type = PKT_START, m.countdown = 300;
    v.push_back(m);
    m.type = PKT_INPUTS;
    cnet_inputs &in = m.inputs;
    in.now = NET_MAX_TICK - 1, in.echo = 3, in.nacks = 2, in.acks[0] = {5, 0}, in.acks[1] = {0, NET_MAX_TICK};
    in.nblocks = NET_MAX_PLAYERS;
    for (int s = 0; s < NET_MAX_PLAYERS; s++) {
        cnet_block &b = in.blocks[s];
        b.slot = NET_MAX_PLAYERS - 1 - s, b.first = 1000 * s, b.count = s == 0 ? NET_MAX_BURST : s;
        for (int k = 0; k < b.count; k++)
            b.in[k] = {(k / 3) % 2 ? (1u << NET_ACTION_BITS) - 1 : 0u, k % 5 ? NET_AIM_MIN : NET_AIM_MAX,
                       NET_AIM_MAX - k, k % NET_BUTTON_MASK};
    }
    v.push_back(m);
    m.type = PKT_HASH, m.tick = 50, m.hash = ~0ULL;
    v.push_back(m);
    m.type = PKT_NAMES, m.names.count = 3, m.names.human[0] = true, m.names.name[0] = "host";
    m.names.human[1] = false, m.names.name[1] = "", m.names.human[2] = true, m.names.name[2] = "x";
    v.push_back(m);
    m.type = PKT_LEAVE, m.tick = 12345, m.slot = 4;
    v.push_back(m);
    m.type = PKT_OUT_OF_STEP, m.tick = 0;
    v.push_back(m);
    m.type = PKT_PAUSE, m.tick = 77, m.paused = true;
    v.push_back(m);
    return v;
}

TEST(wire, EveryMessageReadsBackAsWritten) {
    std::vector<cnet_msg> all = samples();
    ASSERT_EQ((int)all.size(), PKT_LAST);
    for (const cnet_msg &m : all) {
        std::string s = encoded(m), err;
        ASSERT_LE(s.size(), NET_MAX_PACKET);
        cnet_msg back{};
        ASSERT_TRUE(decodes(s, back, err)) << "type " << m.type << ": " << err;
        EXPECT_EQ(encoded(back), s) << "type " << m.type;
    }
    cnet_msg back{};
    std::string err;
    ASSERT_TRUE(decodes(encoded(all[PKT_INPUTS - 1]), back, err));
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        for (int k = 0; k < back.inputs.blocks[s].count; k++)
            EXPECT_TRUE(back.inputs.blocks[s].in[k] == all[PKT_INPUTS - 1].inputs.blocks[s].in[k]);
    ASSERT_TRUE(decodes(encoded(all[PKT_WELCOME - 1]), back, err));
    EXPECT_EQ(back.welcome.settings.map, "wilds.krm");
    EXPECT_EQ(back.welcome.settings.seed, 0xdeadbeef);
}

// Any message cut short, or with a byte too many, is refused: no field is read past
// the end and no leftover is ignored.
TEST(wire, RefusesEveryCutAndEveryExtraByte) {
    for (const cnet_msg &m : samples()) {
        std::string s = encoded(m), err;
        cnet_msg back{};
        for (size_t n = 0; n < s.size(); n++) {
            err.clear();
            EXPECT_FALSE(decodes(s.substr(0, n), back, err)) << "type " << m.type << " cut to " << n;
            EXPECT_FALSE(err.empty());
        }
        EXPECT_FALSE(decodes(s + '\0', back, err)) << "type " << m.type;
    }
}

// A valid message with one thing changed the way a hostile peer would, and the reason.
TEST(wire, RefusesOutOfRangeFields) {
    struct ccase {
        const char *what;
        std::vector<uint8_t> bytes;
    };
    const ccase cases[] = {
        {"unknown type", {0}},
        {"unknown type", {PKT_LAST + 1}},
        {"protocol", {PKT_HELLO, NET_PROTOCOL + 1, 1, '1', 0, 0, 0, 0, 0, 0, 0, 0, 1, 'a'}},
        {"name with a control character", {PKT_HELLO, NET_PROTOCOL, 1, '1', 0, 0, 0, 0, 0, 0, 0, 0, 2, 'a', '\n'}},
        {"empty name", {PKT_HELLO, NET_PROTOCOL, 1, '1', 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"name of 16", {PKT_HELLO, NET_PROTOCOL, 1, '1', 0, 0, 0, 0, 0, 0, 0, 0, 16, 'a', 'a', 'a', 'a',
                        'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a'}},
        {"slot 6", {PKT_WELCOME, 6, 0, 0, 0, 1, 2, 0, 0, 2, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 1, 0, 0, 0}},
        {"blood 3", {PKT_WELCOME, 0, 0, 0, 0, 1, 3, 0, 0, 2, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 1, 0, 0, 0}},
        {"delay 5", {PKT_WELCOME, 0, 0, 0, 0, 1, 2, 0, 5, 2, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 1, 0, 0, 0}},
        {"one player", {PKT_WELCOME, 0, 0, 0, 0, 1, 2, 0, 0, 1, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 1, 0, 0, 0}},
        {"map of 64 KB + 1", {PKT_WELCOME, 0, 0, 0, 0, 1, 2, 0, 0, 2, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 1, 0, 1, 0}},
        {"empty map", {PKT_WELCOME, 0, 0, 0, 0, 1, 2, 0, 0, 2, 0, 0, 0, 0, 1, 'm', 0, 0, 0, 0, 0, 0, 0, 0}},
        {"chunk past the map", {PKT_MAP_CHUNK, 0xff, 0, 0, 0, 0, 1, 0, 0, 2, 0, 'a', 'b'}},
        {"chunk at the end", {PKT_MAP_CHUNK, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 'a'}},
        {"chunk of 1025", {PKT_MAP_CHUNK, 0, 0, 0, 0, 0, 0, 1, 0, 1, 4}},
        {"countdown", {PKT_START, 0xe9, 3}},
        {"slot 6 in an ack", {PKT_INPUTS, 0, 0, 1, 6, 0, 0}},
        {"one slot acked twice", {PKT_INPUTS, 0, 0, 2, 1, 0, 1, 5, 0}},
        {"seven acks", {PKT_INPUTS, 0, 0, 7}},
        {"slot 6 in a block", {PKT_INPUTS, 0, 0, 0, 1, 6, 0, 1, 0}},
        {"no ticks in a block", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 0}},
        {"33 ticks in a block", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 33, 0xf8, 0}},
        {"a run past its block", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 2, 0x10}},
        {"one slot in two blocks", {PKT_INPUTS, 0, 0, 0, 2, 3, 0, 1, 0, 3, 9, 1, 0}},
        {"tick past the last", {PKT_INPUTS, 0, 0, 0, 1, 0, 0xfd, 0xff, 0xff, 0x0f, 2, 0, 0}},
        {"unknown action bit", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 1, 1, 0x80, 0x80, 0x10}},
        {"unknown button bit", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 1, 2, 8}},
        {"aim far outside", {PKT_INPUTS, 0, 0, 0, 1, 0, 0, 1, 4, 0x80, 0x80, 0x01, 0}},
        {"overlong number", {PKT_HASH, 0x80, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"number of six bytes", {PKT_HASH, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"slot 6 leaves", {PKT_LEAVE, 5, 6}},
        {"pause flag 2", {PKT_PAUSE, 5, 2}},
        {"no slots named", {PKT_NAMES, 0}},
        {"a slot neither human nor bot", {PKT_NAMES, 1, 2}},
        {"a human without a name", {PKT_NAMES, 1, 1, 0}},
    };
    for (const ccase &c : cases) {
        cnet_msg back{};
        std::string err;
        EXPECT_FALSE(net_decode(c.bytes.data(), c.bytes.size(), back, err)) << c.what;
        // Refused for the field itself, not because the case was typed short or long.
        EXPECT_TRUE(!err.empty() && err.find("cut short") == std::string::npos &&
                    err.find("longer than its message") == std::string::npos)
            << c.what << ": " << err;
    }
    // Oversized packets are refused before a byte is read.
    std::vector<uint8_t> big(NET_MAX_PACKET + 1, 0);
    big[0] = PKT_READY;
    cnet_msg back{};
    std::string err;
    EXPECT_FALSE(net_decode(big.data(), big.size(), back, err));
    // The encoder will not write what the decoder refuses.
    std::vector<cnet_msg> all = samples();
    cnet_msg m = all[PKT_INPUTS - 1];
    m.inputs.blocks[0].in[3].aim_x = NET_AIM_MAX + 1;
    cpacker p;
    EXPECT_FALSE(net_encode(m, p));
    m = all[PKT_WELCOME - 1];
    m.welcome.settings.map = "../../.bashrc/is-too-long";
    EXPECT_FALSE(net_encode(m, p));
}

TEST(wire, DiscoveryAnswersAreNeverLongerThanTheRequest) {
    uint8_t ask[NET_DISCOVER_BYTES];
    net_discover_request(0xa1b2c3d4, ask);
    uint32_t nonce = 0;
    ASSERT_TRUE(net_read_discover_request(ask, sizeof ask, nonce));
    EXPECT_EQ(nonce, 0xa1b2c3d4u);
    EXPECT_FALSE(net_read_discover_request(ask, sizeof ask - 1, nonce)); // a short probe gets nothing
    cnet_offer o = {nonce, 6, 6, 65535, "longest.krm", std::string(NET_NAME_MAX, 'W')};
    o.map = std::string(NET_MAP_NAME_MAX, 'm');
    cpacker p;
    ASSERT_TRUE(net_discover_answer(o, p));
    EXPECT_LE(p.size(), NET_DISCOVER_BYTES);
    cnet_offer back;
    ASSERT_TRUE(net_read_discover_answer(p.data(), p.size(), back));
    EXPECT_EQ(back.nonce, nonce);
    EXPECT_EQ(back.map, o.map);
    EXPECT_EQ(back.name, o.name);
    EXPECT_EQ(back.port, 65535);
}

// Seeds named ok-* decode and bad-* are refused; inputs the fuzzer once crashed on are
// read again without crashing.
TEST(wire, FuzzSeedsAndCrashesReadAsExpected) {
    std::vector<std::string> seeds = files_in(fuzz_dir() + "net-corpus");
    ASSERT_GE(seeds.size(), (size_t)PKT_LAST);
    std::vector<std::string> crashes = files_in(fuzz_dir() + "net-crashes");
    for (const std::string &name : seeds)
        crashes.push_back("../net-corpus/" + name);
    for (const std::string &name : crashes) {
        FILE *f = fopen((fuzz_dir() + "net-crashes/" + name).c_str(), "rb");
        ASSERT_TRUE(f) << name;
        std::vector<uint8_t> buf(4096);
        size_t n = fread(buf.data(), 1, buf.size(), f);
        fclose(f);
        cnet_msg m{};
        std::string err;
        bool ok = net_decode(buf.data(), n, m, err);
        if (name.find("/ok-") != std::string::npos) {
            EXPECT_TRUE(ok) << name << ": " << err;
        }
        if (name.find("/bad-") != std::string::npos || !ok) {
            EXPECT_FALSE(ok || err.empty()) << name;
        }
    }
}

} // namespace
