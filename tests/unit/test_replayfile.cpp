// The replay file format: what is written reads back tick for tick, it stays small,
// and every kind of broken file is refused with a reason or read as unfinished.
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "match/replayfile.h"

namespace {

creplay_header sample_header() {
    creplay_header h;
    h.version = 1;
    h.game_version = "1.0";
    h.settings = creplay_settings{2, 5, 0, 25, 8, 2, 1, 0, true, false, true, false, true};
    h.map = "dunes.krm";
    h.map_checksum = 0xdeadbeef;
    h.seed = 4000000000u;
    return h;
}

ctick_input tick_input(unsigned actions, int x, int y, int buttons) {
    return ctick_input{actions, x, y, buttons, false};
}

// A little of everything: long still runs, tiny and large pointer moves, key changes,
// a pointer far off the screen, and every action bit.
std::vector<ctick_input> varied_ticks() {
    std::vector<ctick_input> v;
    ctick_input in = tick_input(0, 320, 240, 0);
    for (int t = 0; t < 5000; t++) {
        if (t % 7 == 0) in.x += (t % 3) - 1;
        if (t % 11 == 0) in.y -= 3;
        if (t % 97 == 0) in.x = (t * 37) % 640;
        if (t % 131 == 0) in.actions ^= 1u << (t % ACT_COUNT);
        if (t % 173 == 0) in.buttons = t % 8;
        if (t == 2000) in.actions = 0xffffffffu;
        if (t == 2100) in.x = -3000;
        if (t >= 3000 && t < 4500) in = tick_input(0, 10, 10, 0); // 1500 still ticks
        v.push_back(in);
    }
    return v;
}

std::string write(const creplay_header &h, const std::vector<ctick_input> &ticks, bool trailer,
                  const std::string &line = "ticks=5000 winner=-1") {
    std::string out;
    EXPECT_TRUE(creplay_writer::header(h, out));
    creplay_writer w;
    for (const ctick_input &in : ticks) {
        w.tick(in, out);
        if (w.ticks() % REPLAY_CHECK_TICKS == 0) w.checksum((uint32_t)w.ticks() * 7u, out);
    }
    if (trailer) w.trailer(line, out);
    return out;
}

bool read(const std::string &bytes, creplay &r, std::string &err) {
    return read_replay((const uint8_t *)bytes.data(), bytes.size(), r, err);
}

std::vector<ctick_input> ticks_of(const creplay &r) {
    std::vector<ctick_input> v;
    creplay_cursor c(&r);
    while (!c.done())
        v.push_back(c.next());
    return v;
}

void expect_same(const std::vector<ctick_input> &a, const std::vector<ctick_input> &b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i++) {
        ASSERT_EQ(a[i].actions, b[i].actions) << "tick " << i;
        ASSERT_EQ(a[i].x, b[i].x) << "tick " << i;
        ASSERT_EQ(a[i].y, b[i].y) << "tick " << i;
        ASSERT_EQ(a[i].buttons, b[i].buttons) << "tick " << i;
    }
}

TEST(ReplayFile, EveryTickHeaderChecksumAndTrailerReadBack) {
    std::vector<ctick_input> ticks = varied_ticks();
    creplay r;
    std::string err;
    ASSERT_TRUE(read(write(sample_header(), ticks, true), r, err)) << err;
    const creplay_header &h = r.header;
    EXPECT_EQ("1.0", h.game_version);
    EXPECT_EQ("dunes.krm", h.map);
    EXPECT_EQ(0xdeadbeefu, h.map_checksum);
    EXPECT_EQ(4000000000u, h.seed);
    EXPECT_EQ(2, h.settings.gametype);
    EXPECT_EQ(5, h.settings.bots);
    EXPECT_EQ(8, h.settings.blood);
    EXPECT_TRUE(h.settings.health && h.settings.firerate && h.settings.slowmotion);
    EXPECT_FALSE(h.settings.grenades || h.settings.heatseek);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(5000, r.ticks);
    EXPECT_EQ(5000, r.trailer_ticks);
    EXPECT_EQ("ticks=5000 winner=-1", r.result);
    ASSERT_EQ(50u, r.checks.size());
    EXPECT_EQ(100, r.checks[0].tick);
    EXPECT_EQ(700u, r.checks[0].sum);
    EXPECT_EQ(5000, r.checks.back().tick);
    expect_same(ticks, ticks_of(r));
}

TEST(ReplayFile, TenMinutesOfAimingStayUnder100KB) {
    // The pointer moves on every tick, now and then in a fast sweep; keys change often.
    std::vector<ctick_input> ticks;
    ctick_input in = tick_input(0, 320, 240, 0);
    for (int t = 0; t < 60000; t++) {
        int sweep = (t / 200) % 5 == 0 ? 9 : 2;
        in.x = 320 + (int)(250 * ((t * sweep) % 1000 < 500 ? 1 : -1) * 0.001 * ((t * sweep) % 500));
        in.y = 240 + (t / 3) % 7 - 3;
        if (t % 60 == 0) in.actions ^= 1u << ((t / 60) % 6);
        in.buttons = (in.actions >> ACT_FIRE) & 1;
        ticks.push_back(in);
    }
    std::string bytes = write(sample_header(), ticks, true);
    EXPECT_LT(bytes.size(), 100u * 1024);
    creplay r;
    std::string err;
    ASSERT_TRUE(read(bytes, r, err)) << err;
    expect_same(ticks, ticks_of(r));
}

TEST(ReplayFile, AFileCutAnywhereInTheBodyIsUnfinishedWithItsWholeTicks) {
    std::vector<ctick_input> ticks = varied_ticks();
    std::string whole = write(sample_header(), ticks, true);
    std::string head;
    creplay_writer::header(sample_header(), head);
    long last = -1;
    for (size_t n = head.size(); n < whole.size(); n++) {
        creplay r;
        std::string err;
        ASSERT_TRUE(read(whole.substr(0, n), r, err)) << n << ": " << err;
        ASSERT_FALSE(r.finished) << n;
        ASSERT_GE(r.ticks, last) << n; // more bytes never mean fewer ticks
        last = r.ticks;
        std::vector<ctick_input> got = ticks_of(r);
        std::vector<ctick_input> want(ticks.begin(), ticks.begin() + r.ticks);
        expect_same(want, got);
    }
    EXPECT_EQ(5000, last);
}

TEST(ReplayFile, ACutHeaderOrAForeignFileIsRefused) {
    std::string whole = write(sample_header(), varied_ticks(), true);
    std::string head;
    creplay_writer::header(sample_header(), head);
    for (size_t n = 0; n < head.size(); n++) {
        creplay r;
        std::string err;
        EXPECT_FALSE(read(whole.substr(0, n), r, err)) << n;
        EXPECT_FALSE(err.empty()) << n;
    }
    creplay r;
    std::string err;
    std::string foreign = whole;
    foreign[0] = 'P';
    EXPECT_FALSE(read(foreign, r, err));
    EXPECT_NE(std::string::npos, err.find("magic")) << err;
}

TEST(ReplayFile, ANewerFormatIsRefusedByVersion) {
    std::string bytes = write(sample_header(), varied_ticks(), true);
    bytes[4] = REPLAY_VERSION + 1;
    creplay r;
    std::string err;
    EXPECT_FALSE(read(bytes, r, err));
    EXPECT_NE(std::string::npos, err.find("newer")) << err;
}

TEST(ReplayFile, SettingsOutOfRangeAreRefused) {
    struct bad_setting {
        int creplay_settings::*field;
        int value;
        const char *name;
    };
    const bad_setting cases[] = {
        {&creplay_settings::gametype, 4, "game type"}, {&creplay_settings::bots, 0, "bots"},
        {&creplay_settings::bots, 6, "bots"},          {&creplay_settings::skill, 3, "skill"},
        {&creplay_settings::kills, 0, "kills"},        {&creplay_settings::kills, 26, "kills"},
        {&creplay_settings::blood, 3, "blood"},        {&creplay_settings::hair, 3, "hair"},
        {&creplay_settings::shirt, 255, "shirt"},      {&creplay_settings::pants, 3, "pants"},
    };
    for (const bad_setting &c : cases) {
        creplay_header h = sample_header();
        h.settings.*c.field = c.value;
        creplay r;
        std::string err;
        EXPECT_FALSE(read(write(h, varied_ticks(), true), r, err)) << c.name << " " << c.value;
        EXPECT_NE(std::string::npos, err.find(c.name)) << err;
    }
    creplay_header h = sample_header();
    h.map = "../../etc/passwd";
    creplay r;
    std::string err;
    EXPECT_FALSE(read(write(h, varied_ticks(), true), r, err));
}

TEST(ReplayFile, ATrailerThatDisagreesWithTheBodyIsRefused) {
    std::vector<ctick_input> ticks = varied_ticks();
    std::string bytes = write(sample_header(), ticks, false);
    // A trailer counting more ticks than the body holds.
    std::string longer = bytes;
    longer += '\x07';
    longer += "\xf0\x2e"; // varint 6000
    longer += '\x01';
    longer += 'x';
    creplay r;
    std::string err;
    EXPECT_FALSE(read(longer, r, err));
    EXPECT_NE(std::string::npos, err.find("6000")) << err;

    std::string extra = write(sample_header(), ticks, true) + "junk";
    EXPECT_FALSE(read(extra, r, err));
    EXPECT_NE(std::string::npos, err.find("after the trailer")) << err;
}

// A version 2 header: slots 1 and 2 of 0-3 human, slot 2 followed.
creplay_header header2() {
    creplay_header h = sample_header();
    h.version = 2;
    h.settings.bots = 3;
    h.humans = 0b110;
    h.local = 2;
    h.players[1] = creplay_player{true, 2, 0, 1, "ann"};
    h.players[2] = creplay_player{false, 0, 0, 0, ""};
    return h;
}

// Every kind of malformed record or out-of-range field, in either version, is refused
// with a reason that names it.
TEST(ReplayFile, MalformedRecordsAndFieldsAreRefusedWithTheirReason) {
    using bytes = std::string;
    struct bad {
        int version;
        void (*change)(creplay_header &); // to the header, written without its checks
        bytes body;
        const char *reason;
    };
    auto none = [](creplay_header &) {};
    const bad cases[] = {
        {1, none, bytes("\xff", 1), "unknown record"},
        {1, none, bytes("\x00\x00", 2), "impossible length"},
        {1, none, bytes("\x18\x08", 2), "unknown mouse buttons"},
        {1, none, bytes("\x12\xfe\xff\x07\x00", 5), "off any screen"},
        {1, none, bytes("\x03\x05\x00\x00\x00\x00", 6), "labelled tick 5"},
        {1, none, bytes("\x14\xff\xff\xff\xff\xff\xff\xff\xff\xff\x7f", 11), "32 bits"},
        {2, none, bytes("\x04\x80", 2), "slots 0x01, not all human"},    // slot 0 is a bot
        {2, none, bytes("\x0b\x03", 2), "slot 3 turns bot but is no human"},
        {2, none, bytes("\x0b\x02\x10\x80", 4), "slots 0x04, not all human"}, // after leaving
        {2, none, bytes("\x0b\x09", 2), "slot 9 turns bot"},
        {2, none, bytes("\x08\x30", 2), "slot 1's change byte 0x30 is malformed"},
        {2, none, bytes("\x08\xff", 2), "one-byte aim move is out of range"},
        {2, none, bytes("\x08\x02\xfe\xff\x07\x00", 6), "off any screen"},
        {2, none, bytes("\x01\x00", 2), "impossible length"},
        {2, none, bytes("\x09\x03\x01\x00\x00\x00\x00\x00\x00\x00\x00", 11), "labelled tick 1"},
        {2, none, bytes("\x02", 1), "unknown record 0x02"},
        {2, [](creplay_header &h) { h.humans = 0b10010; }, "", "human slots 0x12 are not all among the match's 4"},
        {2, [](creplay_header &h) { h.local = 3; }, "", "followed slot 3 is not a human slot"},
        {2, [](creplay_header &h) { h.players[1].name = "a\tb"; }, "", "slot 1's name"},
        {2, [](creplay_header &h) { h.players[2].name = "sixteen letters!"; }, "", "slot 2's name"},
        {2, [](creplay_header &h) { h.players[1].hair = 3; }, "", "slot 1's outfit 28 is out of range"},
    };
    for (const bad &c : cases) {
        creplay_header h = c.version == 1 ? sample_header() : header2();
        std::string head;
        ASSERT_TRUE(creplay_writer::header(h, head));
        c.change(h);
        if (c.version == 2) { // the writer's checks bypassed: the reader must catch it
            creplay_header first = h;
            first.version = 1;
            std::string v1;
            creplay_writer::header(first, v1);
            head.resize(v1.size()); // the fields both versions share
            head += (char)h.humans;
            head += (char)h.local;
            for (int i = 0; i < MAX_PLAYERS; i++)
                if ((h.humans >> i) & 1) {
                    const creplay_player &p = h.players[i];
                    head += (char)(p.dressed ? p.hair * 9 + p.shirt * 3 + p.pants : REPLAY_NO_OUTFIT);
                    head += (char)p.name.size();
                    head += p.name;
                }
        }
        creplay r;
        std::string err;
        EXPECT_FALSE(read(head + c.body, r, err)) << c.reason;
        EXPECT_NE(std::string::npos, err.find(c.reason)) << c.reason << ": " << err;
    }
}

} // namespace

namespace {

// The list's view of a file: its first and last bytes only.
bool summary(const std::string &bytes, creplay_summary &s, std::string &err) {
    size_t head = std::min(bytes.size(), REPLAY_HEADER_MAX);
    size_t tail = std::min(bytes.size(), REPLAY_TAIL_MAX);
    const uint8_t *p = (const uint8_t *)bytes.data();
    return read_replay_summary(p, head, p + bytes.size() - tail, tail, bytes.size(), s, err);
}

} // namespace

// Wherever a file ends (the game killed mid-write, or a trailer in place), what the list
// reads from its two ends agrees with reading it whole.
TEST(ReplayFile, TheSummaryFromBothEndsAgreesWithTheWholeRead) {
    creplay_header h = sample_header();
    std::string full = write(h, varied_ticks(), true, "ticks=5000 winner=0 kills=3,1");
    std::string head;
    creplay_writer::header(h, head);
    int on_checksum = 0;
    for (size_t n = head.size(); n <= full.size(); n += n + 1500 < full.size() ? 97 : 1) {
        std::string bytes = full.substr(0, n), err;
        creplay whole;
        creplay_summary s;
        ASSERT_TRUE(read(bytes, whole, err)) << n << ": " << err;
        ASSERT_TRUE(summary(bytes, s, err)) << n << ": " << err;
        ASSERT_EQ(whole.finished, s.finished) << n;
        EXPECT_EQ(h.map, s.header.map);
        if (s.finished) {
            EXPECT_EQ(whole.result, s.result);
        }
        if (s.ticks >= 0) {
            EXPECT_EQ(whole.ticks, s.ticks) << n;
            on_checksum += !s.finished && n > head.size();
        }
    }
    EXPECT_GE(on_checksum, 3); // files that end on a checksum, as the game leaves them
}
