// Quit signals. The library installs its own handlers for SIGINT and SIGTERM, which
// shut it down from inside the signal (sometimes while its input thread holds a lock)
// and then let the main loop call into a library that is gone. Ours replace them and
// only ask the main loop to leave, so the game ends through its normal path.
#include <csignal>

#include "shell/shell.h"

static void on_quit_signal(int) { request_quit(); }

void install_quit_signals() {
    struct sigaction sa = {};
    sa.sa_handler = on_quit_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // Started under nohup, the hang-up is meant to be ignored: keep it that way.
    struct sigaction old = {};
    if (sigaction(SIGHUP, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
    sigaction(SIGHUP, &sa, nullptr);
}
