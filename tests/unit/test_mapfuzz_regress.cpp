// Every seed and every input the fuzzer ever crashed on, fed to the map parser again.
// Seeds named ok-*.krm must be accepted; bad-LINE-*.krm refused at that line. Crash
// inputs may go either way but never crash, and a refusal always says where and why.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"
#include "shell/image.h"
#include "world/mapfile.h"

namespace {

bool parse(const std::string &path, maperror &err) {
    static mapfile mf;
    std::ifstream f(path, std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    std::istringstream in(bytes.str());
    // Tiles are loaded from the real bmp/ of the build folder, as the game loads them.
    headless();
    return parse_map(in, mf, err, tile_problem_in_bmp_folder);
}

TEST(mapfuzz_regress, SeedsAreAcceptedOrRefusedAtTheirLine) {
    std::vector<std::string> seeds = files_in(fuzz_dir() + "corpus");
    ASSERT_GE(seeds.size(), 10u);
    for (const std::string &name : seeds) {
        maperror err;
        bool ok = parse(fuzz_dir() + "corpus/" + name, err);
        if (name.compare(0, 3, "ok-") == 0) {
            EXPECT_TRUE(ok) << name << ":" << err.line << ": " << err.reason;
        } else {
            ASSERT_EQ(name.compare(0, 4, "bad-"), 0) << name << ": seeds are ok-* or bad-LINE-*";
            EXPECT_FALSE(ok) << name;
            EXPECT_EQ(err.line, atoi(name.c_str() + 4)) << name << ": " << err.reason;
            EXPECT_FALSE(err.reason.empty()) << name;
        }
    }
}

TEST(mapfuzz_regress, CrashInputsNoLongerCrash) {
    for (const std::string &name : files_in(fuzz_dir() + "crashes")) {
        maperror err;
        if (!parse(fuzz_dir() + "crashes/" + name, err)) {
            EXPECT_GE(err.line, 1) << name;
            EXPECT_FALSE(err.reason.empty()) << name;
        }
    }
}

} // namespace
