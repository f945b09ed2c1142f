// Every replay seed and every input the replay fuzzer ever crashed on, read again.
// Seeds named ok-*.krr read as finished, unfinished-*.krr as unfinished, bad-*.krr are
// refused with a reason. Crash inputs may go either way but never crash.
#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <vector>

#include "match/replayfile.h"

namespace {

std::string fuzz_dir() {
    std::string here = __FILE__; // .../tests/unit/test_replayfuzz_regress.cpp
    return here.substr(0, here.rfind("/unit/")) + "/fuzz/";
}

std::vector<std::string> files_in(const std::string &dir) {
    std::vector<std::string> v;
    DIR *d = opendir(dir.c_str());
    if (!d) return v;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') v.push_back(e->d_name);
    closedir(d);
    return v;
}

bool starts(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

TEST(replayfuzz_regress, SeedsReadAsTheirNamesSay) {
    std::vector<std::string> seeds = files_in(fuzz_dir() + "replay-corpus");
    ASSERT_GE(seeds.size(), 8u);
    for (const std::string &name : seeds) {
        creplay r;
        std::string err;
        bool ok = read_replay_file(fuzz_dir() + "replay-corpus/" + name, r, err);
        if (starts(name, "ok-")) {
            EXPECT_TRUE(ok && r.finished) << name << ": " << err;
        } else if (starts(name, "unfinished-")) {
            EXPECT_TRUE(ok && !r.finished) << name << ": " << err;
        } else {
            ASSERT_TRUE(starts(name, "bad-")) << name << ": seeds are ok-, unfinished- or bad-";
            EXPECT_FALSE(ok) << name;
            EXPECT_FALSE(err.empty()) << name;
        }
    }
}

TEST(replayfuzz_regress, CrashInputsNoLongerCrash) {
    for (const std::string &name : files_in(fuzz_dir() + "replay-crashes")) {
        creplay r;
        std::string err;
        if (!read_replay_file(fuzz_dir() + "replay-crashes/" + name, r, err)) {
            EXPECT_FALSE(err.empty()) << name;
        }
    }
}

} // namespace
