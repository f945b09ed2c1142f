#ifndef KRAG_SHELL_SOUND_H
#define KRAG_SHELL_SOUND_H

#include <allegro.h>
#include <string>
#include <vector>

// The one place that talks to the sound card. Volumes of the voices we start are
// remembered here, so fading works the same with or without a sound driver.

void sound_enable(bool on); // true once a digital driver is installed
bool sound_enabled();

// Same meaning as the library's play_sample / voice_* calls.
int sound_play(SAMPLE *sample, int volume, int pan, int freq, int loop);
int sound_get_volume(int voice);
void sound_set_volume(int voice, int volume);
void sound_stop(int voice);
void sound_set_pan(int voice, int pan);
// Holds every playing voice where it is (true) or lets them all go on (false).
void sound_pause(bool on);
bool sound_paused();

// Why a WAV held in memory should not reach the library's loader, empty when it may:
// plain PCM, 8 or 16 bits, one or two channels, a frequency, a format chunk of a sane
// size and a data chunk that the file holds whole.
std::string wav_problem(const unsigned char *data, size_t size);
// Reads, checks and loads a WAV; null with `why` filled otherwise.
SAMPLE *load_checked_wav(const char *path, std::string &why);

// Test seam: every sound_play call is logged while recording is on.
struct sound_event {
    SAMPLE *sample;
    int volume;
    int loop;
    int pan;
};
void sound_record(bool on);
const std::vector<sound_event> &sound_log();
void sound_log_clear();

#endif
