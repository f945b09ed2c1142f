// Rendering recipes into sample buffers.

#include "sound.h"

#include <math.h>

static const float PI = 3.14159265358979f;
static const float NYQUIST_GUARD = 0.45f * SOUND_RATE; // keep cut-offs below this

// xorshift32: our own generator so every build makes the same noise.
struct crandom {
    unsigned state;

    void seed(unsigned s) { state = s ? s : 0x9e3779b9u; }
    unsigned next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float uniform() { return (next() >> 8) * (1.0f / 8388608.0f) - 1.0f; } // -1..1
    float unit() { return (next() >> 8) * (1.0f / 16777216.0f); }          // 0..1
};

static float clamp_cutoff(float hz)
{
    if (hz < 5)
        return 5;
    return hz > NYQUIST_GUARD ? NYQUIST_GUARD : hz;
}

// One-pole low-pass; the high-pass is the input minus this.
struct conepole {
    float y;
    float run(float x, float hz)
    {
        float a = 1.0f - expf(-2.0f * PI * clamp_cutoff(hz) / SOUND_RATE);
        y += a * (x - y);
        return y;
    }
};

// Trapezoidal state-variable band-pass, unity gain at the centre, stable at any cut-off.
struct cbandpass {
    float ic1, ic2;
    float run(float x, float hz, float q)
    {
        float g = tanf(PI * clamp_cutoff(hz) / SOUND_RATE);
        float k = 1.0f / q;
        float a1 = 1.0f / (1.0f + g * (g + k));
        float a2 = g * a1;
        float a3 = g * a2;
        float v3 = x - ic2;
        float v1 = a1 * ic1 + a2 * v3;
        float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        return k * v1;
    }
};

// Smooths the jumps of square and saw waves so high pitches do not alias as badly.
static float poly_blep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0;
}

// Envelope level `t` seconds into a voice of `len` seconds.
static float envelope(const clayer &l, float t)
{
    float level;
    if (l.attack > 0 && t < l.attack)
        level = t / l.attack;
    else if (l.decay > 0)
        level = l.sustain + (1.0f - l.sustain) * expf(-(t - l.attack) / l.decay);
    else
        level = 1;
    float left = l.len - t;
    if (l.release > 0 && left < l.release)
        level *= left > 0 ? left / l.release : 0;
    return level;
}

// Renders one sounding of a layer into `buf` from sample `start`.
static void render_voice(const clayer &l, crandom &rng, float gain, int start,
                         std::vector<float> &buf)
{
    int n = (int)(l.len * SOUND_RATE);
    float phase = 0;
    float held = rng.uniform();
    conepole lp = {0}, hp = {0};
    cbandpass bp = {0, 0};
    float drive_norm = l.drive > 0 ? 1.0f / tanhf(1.0f + l.drive) : 1;

    for (int i = 0; i < n; i++) {
        int at = start + i;
        if (at >= (int)buf.size())
            break;
        float t = (float)i / SOUND_RATE;
        float hz = l.freq.set ? l.freq.at(t, l.len) : 0;
        if (l.vibrato_depth > 0)
            hz *= powf(2.0f, l.vibrato_depth / 12.0f * sinf(2 * PI * l.vibrato_rate * t));
        float dt = hz / SOUND_RATE;
        if (dt > 0.5f)
            dt = 0.5f;

        float x = 0;
        switch (l.wave) {
        case WAVE_SINE:
            x = sinf(2 * PI * phase);
            break;
        case WAVE_SQUARE: {
            x = phase < l.duty ? 1.0f : -1.0f;
            x += poly_blep(phase, dt);
            float fall = phase - l.duty;
            if (fall < 0)
                fall += 1;
            x -= poly_blep(fall, dt);
            x -= 2 * l.duty - 1; // no DC offset for uneven duty cycles
            break;
        }
        case WAVE_SAW:
            x = 2 * phase - 1 - poly_blep(phase, dt);
            break;
        case WAVE_TRIANGLE:
            x = phase < 0.5f ? 4 * phase - 1 : 3 - 4 * phase;
            break;
        case WAVE_NOISE:
            if (!l.freq.set)
                x = rng.uniform();
            else
                x = held;
            break;
        case WAVE_DUST:
            x = rng.unit() < l.density / SOUND_RATE ? rng.uniform() : 0;
            break;
        }
        phase += dt;
        if (phase >= 1) {
            phase -= 1;
            held = rng.uniform();
        }

        if (l.lowpass.set)
            x = lp.run(x, l.lowpass.at(t, l.len));
        if (l.highpass.set)
            x -= hp.run(x, l.highpass.at(t, l.len));
        if (l.bandpass.set)
            x = bp.run(x, l.bandpass.at(t, l.len), l.q);
        if (l.drive > 0)
            x = tanhf(x * (1.0f + l.drive)) * drive_norm;
        float level = envelope(l, t);
        if (l.tremolo_depth > 0)
            level *= 1.0f - l.tremolo_depth * 0.5f * (1.0f - cosf(2 * PI * l.tremolo_rate * t));
        buf[at] += x * level * gain;
    }
}

// A feedback delay whose repeats get darker, like a shot answering off distant walls.
static void echo(const clayer &l, std::vector<float> &buf)
{
    int d = (int)(l.echo_delay * SOUND_RATE);
    if (d < 1 || l.echo_feedback <= 0)
        return;
    conepole damp = {0};
    for (size_t i = d; i < buf.size(); i++)
        buf[i] += l.echo_feedback * damp.run(buf[i - d], l.echo_damp);
}

void synth_normalise(std::vector<float> &buf, float peak_db)
{
    float peak = 0;
    for (size_t i = 0; i < buf.size(); i++)
        if (fabsf(buf[i]) > peak)
            peak = fabsf(buf[i]);
    if (peak <= 0)
        return;
    float scale = powf(10.0f, peak_db / 20.0f) / peak;
    for (size_t i = 0; i < buf.size(); i++)
        buf[i] *= scale;
}

// RMS of the window of `w` samples starting at every sample (silence past the end),
// by a running sum.
static void window_rms(const std::vector<float> &buf, int w, std::vector<float> &out)
{
    int n = (int)buf.size();
    out.assign(n, 0.0f);
    if (n == 0 || w < 1)
        return;
    double sum = 0;
    for (int i = 0; i < w && i < n; i++)
        sum += (double)buf[i] * buf[i];
    for (int i = 0; i < n; i++) {
        out[i] = (float)sqrt((sum > 0 ? sum : 0) / w);
        sum -= (double)buf[i] * buf[i];
        if (i + w < n)
            sum += (double)buf[i + w] * buf[i + w];
    }
}

float synth_short_term_db(const std::vector<float> &buf)
{
    std::vector<float> rms;
    window_rms(buf, (int)(SHORT_TERM_SECONDS * SOUND_RATE), rms);
    float top = 0;
    for (float v : rms)
        top = v > top ? v : top;
    return 20 * log10f(top + 1e-9f);
}

void synth_trim_tail(std::vector<float> &buf, float fade)
{
    // A 50 ms window rides over the zero crossings of a low rumble and over the odd
    // crackle late in a tail.
    std::vector<float> rms;
    int w = SOUND_RATE / 20;
    window_rms(buf, w, rms);
    float peak = 0;
    for (float v : buf)
        peak = fabsf(v) > peak ? fabsf(v) : peak;
    float floor = peak * powf(10.0f, TAIL_DB / 20.0f);
    int last = (int)rms.size() - 1;
    while (last > 0 && rms[last] < floor)
        last--;
    int n = last + w < (int)buf.size() ? last + w : (int)buf.size();
    buf.resize(n);
    int outn = (int)(fade * SOUND_RATE);
    for (int j = 0; j < outn && j < n; j++)
        buf[n - 1 - j] *= (float)j / outn;
}

bool synth_level(std::vector<float> &buf, float level_db, float ceiling_db)
{
    float now = synth_short_term_db(buf);
    float peak = 0;
    for (float v : buf)
        peak = fabsf(v) > peak ? fabsf(v) : peak;
    if (peak <= 0)
        return false;
    float scale = powf(10.0f, (level_db - now) / 20.0f);
    if (peak * scale > powf(10.0f, ceiling_db / 20.0f) * 1.0001f)
        return false;
    for (float &v : buf)
        v *= scale;
    return true;
}

static float auto_length(const crecipe &r)
{
    float end = 0;
    for (int i = 0; i < r.num_layers; i++) {
        const clayer &l = r.layers[i];
        float e = l.at + (l.repeat - 1) * (l.interval + l.jitter) + l.len;
        if (e > end)
            end = e;
    }
    return end;
}

void synth_render(const crecipe &r, std::vector<float> &out)
{
    float length = r.length > 0 ? r.length : auto_length(r);
    int n = (int)(length * SOUND_RATE + 0.5f);
    // A loop is rendered a crossfade longer; the overhang is blended into its start.
    int fade = (int)(r.loop * SOUND_RATE);
    if (fade > n / 2)
        fade = n / 2;
    std::vector<float> mix(n + fade, 0.0f), layer;

    for (int i = 0; i < r.num_layers; i++) {
        const clayer &l = r.layers[i];
        crandom rng;
        rng.seed(l.seed);
        layer.assign(mix.size(), 0.0f);
        float g = l.gain;
        for (int k = 0; k < l.repeat; k++) {
            float at = l.at + k * l.interval + (k > 0 ? l.jitter * rng.unit() : 0);
            render_voice(l, rng, g, (int)(at * SOUND_RATE), layer);
            g *= l.repeat_gain;
        }
        echo(l, layer);
        for (size_t j = 0; j < mix.size(); j++)
            mix[j] += layer[j];
    }

    out.assign(mix.begin(), mix.begin() + n);
    if (fade > 0) {
        // Equal-power crossfade: sample n-1 is followed by mix[n] in the render,
        // and the loop's first sample is exactly mix[n], so the seam is continuous.
        for (int j = 0; j < fade; j++) {
            float w = (float)j / fade;
            out[j] = mix[j] * sqrtf(w) + mix[n + j] * sqrtf(1.0f - w);
        }
    } else {
        int in = (int)(r.fade_in * SOUND_RATE);
        int outn = (int)(r.fade_out * SOUND_RATE);
        for (int j = 0; j < in && j < n; j++)
            out[j] *= (float)j / in;
        for (int j = 0; j < outn && j < n; j++)
            out[n - 1 - j] *= (float)j / outn;
    }
    synth_normalise(out, r.peak_db);
}

void synth_slow_third(const std::vector<float> &in, std::vector<float> &out)
{
    int n = (int)in.size();
    out.assign(n * 3, 0.0f);
    if (n == 0)
        return;
    for (int j = 0; j < n * 3; j++) {
        int i = j / 3;
        float f = (j % 3) / 3.0f;
        float p0 = in[i > 0 ? i - 1 : 0];
        float p1 = in[i];
        float p2 = in[i + 1 < n ? i + 1 : n - 1];
        float p3 = in[i + 2 < n ? i + 2 : n - 1];
        // Catmull-Rom through the four neighbours
        out[j] = p1 + 0.5f * f * (p2 - p0 + f * (2 * p0 - 5 * p1 + 4 * p2 - p3 +
                                                 f * (3 * (p1 - p2) + p3 - p0)));
    }
}
