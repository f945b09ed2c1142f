// Reading sound recipes: one directive per line, `#` starts a comment.
//
//   length 0.35          peak -1          fade 0.01 (out)    fadein 0.001
//   loop 0.25            slowmo no        seed 12
//   layer noise          (sine, square, saw, triangle, noise, dust)
//     at 0.0  len 0.2  gain 0.8
//     freq 900 -> 120 in 0.05 [lin]    a sweep; `freq 440` holds still
//     attack 0.001  decay 0.04  sustain 0  release 0.005
//     lowpass 3000 -> 400   highpass 1500   bandpass 800 -> 2000 q 4
//     drive 2   vibrato 30 0.5   tremolo 9 0.3   duty 0.3   density 80
//     repeat 3 0.03 0.7   jitter 0.01   echo 0.12 0.5 2500   seed 5

#include "sound.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const int MAX_TOKENS = 16;

void csweep::constant(float v)
{
    from = to = v;
    time = 0;
    linear = false;
    set = true;
}

float csweep::at(float t, float len) const
{
    float span = time > 0 ? time : len;
    if (span <= 0 || t >= span)
        return to;
    if (t <= 0)
        return from;
    float k = t / span;
    if (linear || from <= 0 || to <= 0)
        return from + (to - from) * k;
    return from * powf(to / from, k);
}

void clayer::defaults(int wave_kind, unsigned sound_seed, int index)
{
    memset(this, 0, sizeof(*this));
    wave = wave_kind;
    gain = 1;
    duty = 0.5f;
    density = 50;
    attack = 0.001f;
    release = 0.003f;
    q = 1;
    repeat = 1;
    repeat_gain = 1;
    echo_damp = 3000;
    seed = sound_seed * 7919u + (unsigned)index * 104729u + 1u;
}

// A small cursor over the tokens of one line, reporting errors with the line.
struct cline {
    const char *path;
    int number;
    char *tok[MAX_TOKENS];
    int count;
    int pos;
    bool ok;

    void fail(const char *msg)
    {
        if (ok)
            fprintf(stderr, "%s:%d: %s\n", path, number, msg);
        ok = false;
    }
    bool more() const { return pos < count; }
    bool peek(const char *word) const { return pos < count && strcmp(tok[pos], word) == 0; }
    float num()
    {
        if (pos >= count) {
            fail("number expected");
            return 0;
        }
        char *end;
        float v = strtof(tok[pos], &end);
        if (*end != '\0' || !isfinite(v))
            fail("not a number");
        pos++;
        return v;
    }
    // v | v -> w | v -> w in t, each optionally followed by `lin`
    csweep sweep()
    {
        csweep s;
        s.constant(num());
        if (peek("->")) {
            pos++;
            s.to = num();
            if (peek("in")) {
                pos++;
                s.time = num();
            }
        }
        if (peek("lin")) {
            pos++;
            s.linear = true;
        }
        return s;
    }
};

static bool wave_kind(const char *word, int *kind)
{
    static const char *names[] = {"sine", "square", "saw", "triangle", "noise", "dust"};
    for (int i = 0; i < 6; i++)
        if (strcmp(word, names[i]) == 0) {
            *kind = i;
            return true;
        }
    return false;
}

// Applies one `key values...` line to the recipe's header or its current layer.
static void apply(cline &ln, crecipe &r)
{
    const char *key = ln.tok[ln.pos++];
    clayer *l = r.num_layers > 0 ? &r.layers[r.num_layers - 1] : NULL;

    if (strcmp(key, "layer") == 0) {
        int kind = 0;
        if (!ln.more() || !wave_kind(ln.tok[ln.pos++], &kind))
            return ln.fail("layer needs a wave: sine, square, saw, triangle, noise or dust");
        if (r.num_layers >= MAX_LAYERS)
            return ln.fail("too many layers");
        r.layers[r.num_layers].defaults(kind, r.seed, r.num_layers);
        r.num_layers++;
        return;
    }
    if (strcmp(key, "length") == 0) { r.length = ln.num(); return; }
    if (strcmp(key, "peak") == 0) { r.peak_db = ln.num(); return; }
    if (strcmp(key, "level") == 0) {
        r.level_db = ln.num();
        r.level_set = true;
        return;
    }
    if (strcmp(key, "fade") == 0) { r.fade_out = ln.num(); return; }
    if (strcmp(key, "fadein") == 0) { r.fade_in = ln.num(); return; }
    if (strcmp(key, "loop") == 0) { r.loop = ln.num(); return; }
    if (strcmp(key, "slowmo") == 0) {
        if (ln.peek("yes") || ln.peek("no"))
            r.slowmo = strcmp(ln.tok[ln.pos++], "yes") == 0;
        else
            ln.fail("slowmo takes yes or no");
        return;
    }
    if (strcmp(key, "seed") == 0 && !l) { r.seed = (unsigned)ln.num(); return; }

    if (!l)
        return ln.fail("unknown header directive (layer settings need a `layer` line first)");

    if (strcmp(key, "at") == 0) l->at = ln.num();
    else if (strcmp(key, "len") == 0) l->len = ln.num();
    else if (strcmp(key, "gain") == 0) l->gain = ln.num();
    else if (strcmp(key, "freq") == 0) l->freq = ln.sweep();
    else if (strcmp(key, "duty") == 0) l->duty = ln.num();
    else if (strcmp(key, "density") == 0) l->density = ln.num();
    else if (strcmp(key, "attack") == 0) l->attack = ln.num();
    else if (strcmp(key, "decay") == 0) l->decay = ln.num();
    else if (strcmp(key, "sustain") == 0) l->sustain = ln.num();
    else if (strcmp(key, "release") == 0) l->release = ln.num();
    else if (strcmp(key, "lowpass") == 0) l->lowpass = ln.sweep();
    else if (strcmp(key, "highpass") == 0) l->highpass = ln.sweep();
    else if (strcmp(key, "bandpass") == 0) {
        l->bandpass = ln.sweep();
        if (ln.peek("q")) {
            ln.pos++;
            l->q = ln.num();
        }
    }
    else if (strcmp(key, "q") == 0) l->q = ln.num();
    else if (strcmp(key, "drive") == 0) l->drive = ln.num();
    else if (strcmp(key, "vibrato") == 0) {
        l->vibrato_rate = ln.num();
        l->vibrato_depth = ln.num();
    } else if (strcmp(key, "tremolo") == 0) {
        l->tremolo_rate = ln.num();
        l->tremolo_depth = ln.num();
    } else if (strcmp(key, "repeat") == 0) {
        l->repeat = (int)ln.num();
        l->interval = ln.num();
        if (ln.more())
            l->repeat_gain = ln.num();
    } else if (strcmp(key, "jitter") == 0) l->jitter = ln.num();
    else if (strcmp(key, "echo") == 0) {
        l->echo_delay = ln.num();
        l->echo_feedback = ln.num();
        if (ln.more())
            l->echo_damp = ln.num();
    } else if (strcmp(key, "seed") == 0) l->seed = (unsigned)ln.num();
    else
        ln.fail("unknown layer directive");
}

// Catches values that would make the synthesiser misbehave rather than sound odd.
static void check_layer(cline &ln, const clayer &l)
{
    if (l.len <= 0)
        ln.fail("layer has no `len`");
    else if (l.at < 0 || l.gain < 0 || l.attack < 0 || l.decay < 0 || l.release < 0)
        ln.fail("negative time or gain in layer");
    else if (l.repeat < 1 || l.repeat > 64 || l.interval < 0 || l.jitter < 0)
        ln.fail("repeat must be 1..64 with a non-negative interval");
    else if (l.q <= 0 || l.duty <= 0 || l.duty >= 1 || l.density < 0)
        ln.fail("q must be above 0 and duty between 0 and 1");
    else if (l.echo_delay < 0 || l.echo_feedback < 0 || l.echo_feedback >= 1)
        ln.fail("echo feedback must be in 0..1");
    else if (l.wave != WAVE_NOISE && l.wave != WAVE_DUST && !l.freq.set)
        ln.fail("oscillator layer needs a `freq`");
}

bool crecipe::load(const char *path, const char *sound_name)
{
    memset(this, 0, sizeof(*this));
    snprintf(name, sizeof(name), "%s", sound_name);
    peak_db = -1;
    fade_in = 0.001f;
    fade_out = 0.01f;
    slowmo = true;

    FILE *f = fopen(path, "r");
    if (!f) {
        fprintf(stderr, "%s: cannot open\n", path);
        return false;
    }
    cline ln;
    ln.path = path;
    ln.number = 0;
    ln.ok = true;
    char text[512];
    int layer_line = 0;
    while (ln.ok && fgets(text, sizeof(text), f)) {
        ln.number++;
        char *hash = strchr(text, '#');
        if (hash)
            *hash = '\0';
        ln.count = 0;
        ln.pos = 0;
        for (char *t = strtok(text, " \t\r\n"); t; t = strtok(NULL, " \t\r\n")) {
            if (ln.count == MAX_TOKENS) {
                ln.fail("line too long");
                break;
            }
            ln.tok[ln.count++] = t;
        }
        if (ln.count == 0 || !ln.ok)
            continue;
        if (strcmp(ln.tok[0], "layer") == 0 && num_layers > 0) {
            int here = ln.number;
            ln.number = layer_line;
            check_layer(ln, layers[num_layers - 1]);
            ln.number = here;
        }
        if (strcmp(ln.tok[0], "layer") == 0)
            layer_line = ln.number;
        apply(ln, *this);
        if (ln.ok && ln.more())
            ln.fail("unexpected words at the end of the line");
    }
    fclose(f);
    if (ln.ok && num_layers > 0) {
        ln.number = layer_line;
        check_layer(ln, layers[num_layers - 1]);
    }
    if (ln.ok && num_layers == 0) {
        ln.number = 0;
        ln.fail("recipe has no layers");
    }
    if (ln.ok && (length < 0 || loop < 0 || fade_in < 0 || fade_out < 0 || peak_db > 0))
        ln.fail("length, loop and fades must not be negative, peak not above 0 dBFS");
    if (ln.ok && loop > 0 && length <= 0)
        ln.fail("a looping sound needs an explicit `length`");
    return ln.ok;
}
