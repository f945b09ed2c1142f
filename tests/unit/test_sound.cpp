// The synthesised samples in wav/, as the game's loader sees them.

#include <allegro.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>

#include <gtest/gtest.h>
#include <string>

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
    return load_sample(("wav/" + name + ".wav").c_str());
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

TEST(sound, every_sample_loads_as_16_bit_mono_normalised_without_clipping)
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
            // about -1 dBFS: loud, but never at full scale
            EXPECT_GT(peak(s), 26000) << file;
            EXPECT_LT(peak(s), 32000) << file;
            if (file != "flamethrower") {
                EXPECT_LT(abs(at(s, 0)), 600) << file << " starts with a click";
                EXPECT_LT(abs(at(s, s->len - 1)), 600) << file << " ends with a click";
            }
            destroy_sample(s);
        }
    }
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
