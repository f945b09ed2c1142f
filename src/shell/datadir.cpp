#include "shell/datadir.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <errno.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/say.h"

std::string executable_dir() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    path[n] = 0;
    std::string p = path;
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : p.substr(0, slash);
}

static bool is_dir(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_data_dir(const std::string &dir) {
    return is_dir(dir + "/bmp") && is_dir(dir + "/wav") && is_dir(dir + "/krm");
}

std::vector<std::string> data_dir_candidates(const std::string &override_dir) {
    if (!override_dir.empty()) return {override_dir};
    const char *env = getenv("KRAG_DATA");
    if (env && env[0]) return {env};
    std::string exe = executable_dir();
    if (exe.empty()) return {};
    std::string installed =
        std::filesystem::path(exe + "/../share/games/krag").lexically_normal().string();
    if (installed.size() > 1 && installed.back() == '/') installed.pop_back();
    return {installed, exe};
}

std::string find_data_dir(const std::string &override_dir) {
    for (const std::string &dir : data_dir_candidates(override_dir)) {
        if (!is_data_dir(dir)) continue;
        char full[PATH_MAX];
        return realpath(dir.c_str(), full) ? full : dir;
    }
    return "";
}

bool enter_data_dir(const char *program, const std::string &override_dir) {
    std::string dir = find_data_dir(override_dir);
    if (!dir.empty() && chdir(dir.c_str()) == 0) return true;
    say("%s: cannot find the game data (the folders bmp/, wav/ and krm/); looked in:",
            program);
    for (const std::string &d : data_dir_candidates(override_dir))
        say("%s:   %s", program, d.c_str());
    if (data_dir_candidates(override_dir).empty())
        say("%s:   (nowhere: /proc/self/exe cannot be read)", program);
    say("%s: name the data folder with %sKRAG_DATA=DIR", program,
            strcmp(program, "krag") == 0 ? "--data DIR or " : "");
    return false;
}

std::string xdg_path(const char *variable, const char *fallback, const char *rest) {
    const char *base = getenv(variable);
    if (base && base[0] == '/') return std::string(base) + "/" + rest;
    const char *home = getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/" + fallback + "/" + rest;
    // A relative HOME would name a folder inside whatever the working folder is (the
    // data folder, once the game has entered it).
    static bool told = false;
    if (home && home[0] && !told) {
        told = true;
        say("%s: HOME=%s is not a full path; it is treated as unset", program_invocation_short_name,
            home);
    }
    return "";
}

std::string user_map_dir() { return xdg_path("XDG_DATA_HOME", ".local/share", "krag/krm"); }
