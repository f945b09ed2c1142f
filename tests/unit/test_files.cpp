// The file and message habits everything else leans on: messages show control bytes
// instead of sending them to the terminal, files are written under exclusive names
// and never through what a stranger planted, and quit signals always end the game.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>

#include "shell/files.h"
#include "shell/say.h"
#include "shell/shell.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Files : ::testing::Test {
    char name[32] = "/tmp/krag-files-XXXXXX";
    fs::path dir = mkdtemp(name);
    void TearDown() override { fs::remove_all(dir); }
    int entries() { return (int)std::distance(fs::directory_iterator(dir), {}); }
};

TEST(Say, TerminalControlBytesAreShownAndLettersKept) {
    // ESC, a forged newline, DEL, raw high bytes, a C1 control written as UTF-8 and a
    // cut-off UTF-8 sequence are all shown; letters of any language pass.
    EXPECT_EQ("a\\x1b[31mb\\x0ac\\x7f\\xff\\xfe", visible("a\x1b[31mb\nc\x7f\xff\xfe"));
    EXPECT_EQ("\\xc2\\x9b2J \\xe2\\x82", visible("\xc2\x9b" "2J \xe2\x82"));
    EXPECT_EQ("\xc3\xbcn\xc3\xaf \xe2\x82\xac \xf0\x9f\x99\x82", visible("\xc3\xbcn\xc3\xaf \xe2\x82\xac \xf0\x9f\x99\x82"));
    testing::internal::CaptureStderr();
    say("krag: %s: %d", "x\ny\x1b", 7);
    EXPECT_EQ("krag: x\\x0ay\\x1b: 7\n", testing::internal::GetCapturedStderr());
}

// Temporaries are never an existing name; a rename that must not replace does not,
// and nothing but a regular file is replaced (a symlink's target is never reached).
TEST_F(Files, TemporariesAreExclusiveAndReplaceOnlyARegularFile) {
    std::string target = (dir / "a.krr").string(), link = (dir / "link").string(), why;
    std::ofstream(target) << "old";
    ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
    cfile_writer w;
    ASSERT_TRUE(w.open(target, why) && w.write("new", why)) << why;
    EXPECT_FALSE(w.commit(target, false, why));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_FALSE(w.commit(link, true, why));
    EXPECT_EQ("old", slurp(target));
    ASSERT_TRUE(w.commit((dir / "b.krr").string(), false, why)) << why;
    w.close();
    EXPECT_EQ("new", slurp(dir / "b.krr"));
    EXPECT_EQ(3, entries()) << "no temporary left";
}

// Leftovers of a killed game go at the next start; a temporary being written now, a
// stranger's file and a symlink stay.
TEST_F(Files, OnlyStaleTemporariesOfOurNamesAreRemoved) {
    for (const char *name : {".settings.cfg.Ab12Cd.tmp", ".settings.cfg.Zz99Yy.tmp",
                             ".notes.txt.Ab12Cd.tmp", "settings.cfg.Ab12Cd.tmp"}) {
        std::ofstream(dir / name) << "x";
        struct timeval old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        if (name[14] != 'Z') {
            ASSERT_EQ(0, utimes((dir / name).c_str(), old));
        }
    }
    ASSERT_EQ(0, symlink("/etc/passwd", (dir / ".settings.cfg.Qq11Qq.tmp").c_str()));
    remove_stale_temporaries(dir.string(), [](const std::string &b) { return b == "settings.cfg"; });
    EXPECT_FALSE(fs::exists(dir / ".settings.cfg.Ab12Cd.tmp"));
    EXPECT_EQ(4, entries());
}

// A quit signal ends the game within a second even when its normal path is stuck in
// a call the signal does not interrupt.
TEST(QuitSignals, AStuckGameEndsByTheSignal) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        int ready[2], never[2];
        ASSERT_EQ(0, pipe(ready));
        ASSERT_EQ(0, pipe(never));
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            install_quit_signals();
            char c;
            (void)!write(ready[1], "r", 1);
            for (;;) (void)!read(never[0], &c, 1); // restarted after every signal
        }
        char c;
        ASSERT_EQ(1, read(ready[0], &c, 1));
        kill(child, sig);
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0)); // never returned before the watchdog
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        for (int fd : {ready[0], ready[1], never[0], never[1]}) close(fd);
    }
}

} // namespace
