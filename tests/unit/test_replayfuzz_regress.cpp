// Every replay seed and every input the replay fuzzer ever crashed on, read again.
// Seeds named ok-*.krr read as finished, unfinished-*.krr as unfinished, bad-*.krr are
// refused with a reason. Crash inputs may go either way but never crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "match/replayfile.h"
#include "support.h"

namespace {

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
