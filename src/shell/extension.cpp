#include "shell/extension.h"

#include <cstdio>

#include "shell/datadir.h"
#include "shell/files.h"
#include "shell/say.h"

// A path as a JavaScript string literal.
static std::string js_string(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 32 || c == 127) {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

std::string tiled_extension_text(const std::string &source, const std::string &data,
                                 const std::string &programs) {
    size_t end = source.find('\n');
    std::string rest = end == std::string::npos ? "" : source.substr(end);
    return "var KRAG = { data: " + js_string(data) + ", programs: " + js_string(programs) +
           " }; // written by krag --tiled-extension" + rest;
}

int install_tiled_extension(const std::string &data, const std::string &programs) {
    std::string source_path = data + "/tiled/krag.js";
    std::string source, why;
    if (!read_regular_file(source_path.c_str(), 1 << 20, source, why)) {
        say("krag: %s: %s", source_path.c_str(), why.c_str());
        return 1;
    }
    std::string folder = xdg_path("XDG_CONFIG_HOME", ".config", "tiled/extensions");
    if (folder.empty()) {
        say("krag: neither XDG_CONFIG_HOME nor HOME names a folder for Tiled's extensions");
        return 1;
    }
    std::string target = folder + "/krag.js";
    if (!write_file_atomically(target, tiled_extension_text(source, data, programs), why)) {
        say("krag: cannot write %s: %s", target.c_str(), why.c_str());
        return 1;
    }
    printf("The KRAG map format for Tiled is in %s\n"
           "Start (or restart) Tiled; File > Open reads .krm maps, the Map menu has\n"
           "\"Test-play in KRAG\" and \"Show bot routes\".\n",
           visible(target).c_str());
    return 0;
}
