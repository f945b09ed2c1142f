// krag-sound RECIPES OUT: synthesises every sample of the game from the recipes
// in RECIPES (name.snd) into OUT (name.wav, plus name_sm.wav slowed to a third
// for the slow-motion finale unless the recipe says `slowmo no`).

#include "sound.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

// The samples the game loads; a missing recipe for one of them is an error.
static const char *const GAME_SOUNDS[] = {
    "blood", "box", "explosion", "flamethrower", "grenade_launcher", "gun", "laser_rifle",
    "machine_gun", "minigun", "rocket_launcher", "shell", "shotgun", "sniper_rifle",
};
static const int NUM_GAME_SOUNDS = sizeof(GAME_SOUNDS) / sizeof(GAME_SOUNDS[0]);

static void put16(FILE *f, int v)
{
    fputc(v & 0xff, f);
    fputc((v >> 8) & 0xff, f);
}

static void put32(FILE *f, unsigned v)
{
    put16(f, v & 0xffff);
    put16(f, v >> 16);
}

bool wav_write(const char *path, const std::vector<float> &buf, int rate)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return false;
    unsigned bytes = (unsigned)buf.size() * 2;
    fwrite("RIFF", 1, 4, f);
    put32(f, 36 + bytes);
    fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);       // fmt chunk size
    put16(f, 1);        // PCM
    put16(f, 1);        // mono
    put32(f, rate);
    put32(f, rate * 2); // bytes per second
    put16(f, 2);        // bytes per frame
    put16(f, 16);       // bits per sample
    fwrite("data", 1, 4, f);
    put32(f, bytes);
    for (size_t i = 0; i < buf.size(); i++) {
        float v = buf[i] * 32767.0f;
        v = v > 32767 ? 32767 : (v < -32767 ? -32767 : v);
        put16(f, (int)lrintf(v));
    }
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
}

static void report(const char *file, const std::vector<float> &buf)
{
    double sum = 0;
    float peak = 0;
    for (size_t i = 0; i < buf.size(); i++) {
        sum += buf[i] * buf[i];
        peak = fabsf(buf[i]) > peak ? fabsf(buf[i]) : peak;
    }
    double rms = buf.empty() ? 0 : sqrt(sum / buf.size());
    printf("%-24s %6.3f s  peak %6.1f dB  short-term %6.1f dB  rms %6.1f dB\n", file,
           (double)buf.size() / SOUND_RATE, 20 * log10(peak + 1e-9), synth_short_term_db(buf),
           20 * log10(rms + 1e-9));
}

static bool write(const char *dir, const char *name, const char *suffix,
                  const std::vector<float> &buf)
{
    char path[1024];
    snprintf(path, sizeof(path), "%s/%s%s.wav", dir, name, suffix);
    if (!wav_write(path, buf, SOUND_RATE)) {
        fprintf(stderr, "%s: cannot write\n", path);
        return false;
    }
    char file[128];
    snprintf(file, sizeof(file), "%s%s.wav", name, suffix);
    report(file, buf);
    return true;
}

static float peak_db(const std::vector<float> &buf)
{
    float peak = 0;
    for (float v : buf)
        peak = fabsf(v) > peak ? fabsf(v) : peak;
    return 20 * log10f(peak + 1e-9f);
}

// Brings a sound to its recipe's level (the render is already at its peak when the
// recipe states none).
static bool level(const crecipe &recipe, const char *path, std::vector<float> &buf)
{
    if (!recipe.level_set || synth_level(buf, recipe.level_db, recipe.peak_db))
        return true;
    fprintf(stderr,
            "%s: level %.1f dB would take the peak past %.1f dB (its loudest 20 ms are %.1f dB "
            "under its peak); lower the level or soften the attack\n",
            path, recipe.level_db, recipe.peak_db, peak_db(buf) - synth_short_term_db(buf));
    return false;
}

static bool make(const char *recipes, const char *out, const char *name)
{
    char path[1024];
    snprintf(path, sizeof(path), "%s/%s.snd", recipes, name);
    static crecipe recipe; // large; one at a time
    if (!recipe.load(path, name))
        return false;
    std::vector<float> normal, slow;
    synth_render(recipe, normal);
    if (recipe.loop <= 0)
        synth_trim_tail(normal, recipe.fade_out);
    if (!level(recipe, path, normal) || !write(out, name, "", normal))
        return false;
    if (!recipe.slowmo)
        return true;
    // The slow version is the levelled sound stretched, and as loud.
    synth_slow_third(normal, slow);
    if (recipe.level_set) {
        if (!level(recipe, path, slow))
            return false;
    } else {
        synth_normalise(slow, recipe.peak_db); // interpolation may overshoot a little
    }
    return write(out, name, "_sm", slow);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: krag-sound RECIPE_DIR OUT_DIR\n");
        return 2;
    }
    int failed = 0;
    for (int i = 0; i < NUM_GAME_SOUNDS; i++)
        if (!make(argv[1], argv[2], GAME_SOUNDS[i]))
            failed++;
    if (failed) {
        fprintf(stderr, "krag-sound: %d sound(s) failed\n", failed);
        return 1;
    }
    return 0;
}
