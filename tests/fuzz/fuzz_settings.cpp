// libFuzzer target: any text as the settings file. Whatever it says, every setting
// ends up with a value it accepts, no key does two things, the file written back has
// no control byte but its newlines, and reading it back gives the same settings.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "shell/input.h"
#include "shell/options.h"
#include "shell/settings.h"
#include "world/map.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const char *names[] = {"arena.krm", "a b.krm", "\xc3\xbcn.krm", "...krm"};
    for (int i = 0; i < 4; i++)
        strcpy(map.names[i], names[i]);
    map.nm = 4;
    return 0;
}

// Loads text with stderr, where every bad line is named, out of the way; returns the
// settings it gave.
static std::string load_quietly(const std::string &text) {
    int saved = dup(2), null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    settings_reset();
    options = coptions();
    settings_load_text("fuzz", text);
    dup2(saved, 2);
    close(saved);
    close(null);
    std::string values;
    for (int i = 0; i < SETTING_COUNT; i++)
        values += setting_text(SETTINGS[i], options) + "\n";
    return values;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text((const char *)data, size);
    if (text.find('\0') != std::string::npos) return 0; // refused before parsing
    std::string first = load_quietly(text);
    for (int i = 0; i < SETTING_COUNT; i++) {
        coptions o = options;
        if (SETTINGS[i].text) {
            if (setting_parse_text(SETTINGS[i], setting_text(SETTINGS[i], options), o)) abort();
            continue;
        }
        int back = -1, now = setting_get(SETTINGS[i], options);
        if (setting_parse(SETTINGS[i], setting_text(SETTINGS[i], options).c_str(), back) ||
            back != now)
            abort();
    }
    for (int a = 0; a < ACT_COUNT; a++)
        if (input.shares_binding(a) >= 0) abort();
    std::string written = settings_file_text();
    for (char c : written)
        if ((unsigned char)c < 32 && c != '\n') abort();
    if (load_quietly(written) != first) abort();
    return 0;
}
