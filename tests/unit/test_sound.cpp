// The synthesised samples in wav/, as the game's loader sees them.

#include <allegro.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "shell/sound.h"

static const char *const SOUNDS[] = {
    "blood", "box", "explosion", "flamethrower", "grenade_launcher", "gun", "laser_rifle",
    "machine_gun", "minigun", "rocket_launcher", "shell", "shotgun", "sniper_rifle",
};

static SAMPLE *load(const std::string &name)
{
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        started = true;
    }
    std::string why;
    return load_checked_wav(("wav/" + name + ".wav").c_str(), why);
}

// The library keeps 16-bit data unsigned, centred on 0x8000.
static int at(const SAMPLE *s, int i)
{
    return ((const unsigned short *)s->data)[i] - 0x8000;
}

static int peak(const SAMPLE *s)
{
    int p = 0;
    for (int i = 0; i < (int)s->len; i++)
        p = abs(at(s, i)) > p ? abs(at(s, i)) : p;
    return p;
}

static double seconds(const SAMPLE *s)
{
    return (double)s->len / s->freq;
}

// Sign changes per second: a rough pitch that halves when a sound is played at half speed.
static double crossings(const SAMPLE *s)
{
    int n = 0;
    for (int i = 1; i < (int)s->len; i++)
        if ((at(s, i - 1) < 0) != (at(s, i) < 0))
            n++;
    return n / seconds(s);
}

static double mean_step(const SAMPLE *s, int from, int to)
{
    double sum = 0;
    for (int i = from + 1; i < to; i++)
        sum += abs(at(s, i) - at(s, i - 1));
    return sum / (to - from - 1);
}

TEST(sound, every_sample_loads_as_16_bit_mono_without_clipping)
{
    for (const char *name : SOUNDS) {
        for (const char *suffix : {"", "_sm"}) {
            std::string file = std::string(name) + suffix;
            if (file == "flamethrower_sm")
                continue;
            SAMPLE *s = load(file);
            ASSERT_TRUE(s) << "wav/" << file << ".wav does not load";
            EXPECT_EQ(16, s->bits) << file;
            EXPECT_EQ(0, s->stereo) << file;
            EXPECT_EQ(22050, s->freq) << file;
            // levelled by their recipes, never at full scale
            EXPECT_GT(peak(s), 3000) << file;
            EXPECT_LT(peak(s), 32000) << file;
            if (file != "flamethrower") {
                EXPECT_LT(abs(at(s, 0)), 600) << file << " starts with a click";
                EXPECT_LT(abs(at(s, s->len - 1)), 600) << file << " ends with a click";
            }
            destroy_sample(s);
        }
    }
}

// RMS of `w` samples from `from` (silence past the end), relative to full scale.
static double window_rms(const SAMPLE *s, int from, int w)
{
    double sum = 0;
    for (int i = from; i < from + w && i < (int)s->len; i++)
        sum += (double)at(s, i) * at(s, i);
    return sqrt(sum / w) / 32768.0;
}

// The loudest 20 ms, dBFS.
static double short_term_db(const SAMPLE *s)
{
    int w = s->freq / 50;
    double top = 0;
    for (int i = 0; i < (int)s->len; i += 11)
        top = std::max(top, window_rms(s, i, w));
    return 20 * log10(top + 1e-9);
}

// The level a recipe states for its sound (dBFS); NAN when it states none.
static double recipe_level(const char *name)
{
    std::string path = std::string(KRAG_SOURCE_DIR) + "/assets/sound/" + name + ".snd";
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return NAN;
    char line[256];
    double level = NAN;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "level %lf", &level) == 1)
            break;
    fclose(f);
    return level;
}

// Loudest first: each tier is above every sound of the next.
static const std::vector<std::vector<const char *>> TIERS = {
    {"explosion", "rocket_launcher"},
    {"shotgun", "sniper_rifle", "grenade_launcher"},
    {"gun", "machine_gun", "minigun", "laser_rifle"},
    {"blood", "shell", "box", "flamethrower"},
};

TEST(sound, each_sound_is_as_loud_as_its_recipe_says_and_the_tiers_keep_their_order)
{
    double quietest_above = 1e9;
    for (size_t t = 0; t < TIERS.size(); t++) {
        double loudest = -1e9, quietest = 1e9;
        for (const char *name : TIERS[t]) {
            double target = recipe_level(name);
            ASSERT_FALSE(std::isnan(target)) << name << ".snd states no level";
            for (const char *suffix : {"", "_sm"}) {
                std::string file = std::string(name) + suffix;
                if (file == "flamethrower_sm")
                    continue;
                SAMPLE *s = load(file);
                ASSERT_TRUE(s) << file;
                double got = short_term_db(s);
                EXPECT_NEAR(target, got, 0.3) << file;
                loudest = std::max(loudest, got);
                quietest = std::min(quietest, got);
                destroy_sample(s);
            }
        }
        if (t > 0) {
            EXPECT_GE(quietest_above - loudest, 2.0) << "tier " << t << " against the one above";
        }
        quietest_above = quietest;
    }
}

TEST(sound, one_shots_end_where_they_fall_below_minus_50_db)
{
    for (const char *name : SOUNDS) {
        if (std::string(name) == "flamethrower")
            continue;
        SAMPLE *s = load(name);
        ASSERT_TRUE(s) << name;
        int w = s->freq / 20; // 50 ms
        double floor = peak(s) / 32768.0 * pow(10, -50 / 20.0);
        int last = 0;
        for (int i = 0; i < (int)s->len; i++)
            if (window_rms(s, i, w) >= floor)
                last = i;
        // nothing after the sound has died away but its last 50 ms window, which the
        // end fade (at most 50 ms) may have pushed under the line
        EXPECT_LE((int)s->len - last, 2 * w) << name;
        destroy_sample(s);
    }
}

// Share of the energy under about 300 Hz: the body of a shot.
static double low_share(const SAMPLE *s)
{
    double a = 1 - exp(-2 * M_PI * 300.0 / s->freq), y = 0, low = 0, all = 0;
    for (int i = 0; i < (int)s->len; i++) {
        y += a * (at(s, i) - y);
        low += y * y;
        all += (double)at(s, i) * at(s, i);
    }
    return low / all;
}

TEST(sound, the_gun_is_deeper_and_longer_than_the_machine_gun)
{
    SAMPLE *gun = load("gun");
    SAMPLE *mg = load("machine_gun");
    ASSERT_TRUE(gun && mg);
    EXPECT_GE(seconds(gun), 1.5 * seconds(mg));
    EXPECT_GE(low_share(gun), 2 * low_share(mg));
    destroy_sample(gun);
    destroy_sample(mg);
}

TEST(sound, slow_motion_versions_are_the_same_sound_at_a_third_of_the_speed)
{
    for (const char *name : SOUNDS) {
        if (std::string(name) == "flamethrower") {
            EXPECT_FALSE(load("flamethrower_sm"));
            continue;
        }
        SAMPLE *normal = load(name);
        SAMPLE *slow = load(std::string(name) + "_sm");
        ASSERT_TRUE(normal && slow) << name;
        EXPECT_NEAR(3.0, (double)slow->len / normal->len, 0.01) << name;
        // stretched, not padded: every wiggle takes three times as long
        EXPECT_NEAR(1.0 / 3, crossings(slow) / crossings(normal), 0.06) << name;
        destroy_sample(normal);
        destroy_sample(slow);
    }
}

TEST(sound, lengths_suit_how_often_each_sound_repeats)
{
    struct {
        const char *name;
        double shortest, longest; // seconds
    } const fits[] = {
        {"minigun", 0.05, 0.12},  // fires every 80 ms at most
        {"machine_gun", 0.1, 0.2}, {"gun", 0.15, 0.6}, {"shotgun", 0.15, 0.6},
        {"rocket_launcher", 0.15, 0.6}, {"grenade_launcher", 0.15, 0.6},
        {"laser_rifle", 0.15, 0.6}, {"shell", 0.04, 0.12}, {"explosion", 1.2, 1.6},
    };
    for (const auto &f : fits) {
        SAMPLE *s = load(f.name);
        ASSERT_TRUE(s) << f.name;
        EXPECT_GE(seconds(s), f.shortest) << f.name;
        EXPECT_LE(seconds(s), f.longest) << f.name;
        destroy_sample(s);
    }
}

TEST(sound, flamethrower_loops_without_a_click_or_a_dip)
{
    SAMPLE *s = load("flamethrower");
    ASSERT_TRUE(s);
    int n = s->len;
    double step = mean_step(s, 0, n);
    EXPECT_LT(abs(at(s, n - 1) - at(s, 0)), 2 * step) << "jump where the loop wraps";
    // no fade at either end: the seam is as loud as the rest
    double whole = 0;
    for (int i = 0; i < n; i++)
        whole += abs(at(s, i));
    whole /= n;
    int edge = 22050 / 400; // 2.5 ms
    double head = 0, tail = 0;
    for (int i = 0; i < edge; i++) {
        head += abs(at(s, i));
        tail += abs(at(s, n - 1 - i));
    }
    EXPECT_GT(head / edge, whole * 0.3);
    EXPECT_GT(tail / edge, whole * 0.3);
    destroy_sample(s);
}

TEST(sound, the_tool_refuses_a_level_that_would_clip)
{
    char dir[] = "/tmp/krag_sound_test_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string src = dir;
    std::string copy = "cp " + std::string(KRAG_SOURCE_DIR) + "/assets/sound/*.snd " + src;
    ASSERT_EQ(0, system(copy.c_str()));
    std::string run = "./krag-sound " + src + " " + src + " >/dev/null 2>&1";
    EXPECT_EQ(0, system(run.c_str()));
    // The explosion's loudest 20 ms at full scale would need peaks far past -1 dBFS.
    std::string louder = "sed -i 's/^level .*/level 0/' " + src + "/explosion.snd";
    ASSERT_EQ(0, system(louder.c_str()));
    EXPECT_NE(0, system(run.c_str()));
    system(("rm -rf " + src).c_str());
}

// A WAV whose header promises what its bytes do not hold never reaches the loader.
TEST(sound, wavs_that_promise_more_than_they_hold_are_refused_with_the_reason)
{
    auto problem = [](uint32_t fmt_len, uint32_t freq, uint32_t data_len) {
        std::string w = "RIFF....WAVEfmt ";
        for (uint32_t v : {fmt_len, 0x10001u, freq, freq * 2, 0x100002u}) // PCM, mono, 16 bits
            w.append((const char *)&v, 4);
        w += "data" + std::string((const char *)&data_len, 4) + std::string(100, '\0');
        return wav_problem((const unsigned char *)w.data(), w.size());
    };
    EXPECT_EQ("", problem(16, 22050, 100));
    EXPECT_EQ("truncated: the data chunk promises 1000000 bytes, 100 are there",
              problem(16, 22050, 1000000));
    EXPECT_EQ("frequency 0 Hz", problem(16, 0, 100));
    EXPECT_EQ("a format chunk of 4000000000 bytes (PCM has 16)", problem(4000000000u, 22050, 100));
}
