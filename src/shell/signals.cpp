// Quit signals. The library installs its own handlers for SIGINT and SIGTERM, which
// shut it down from inside the signal (sometimes while its input thread holds a lock)
// and then let the main loop call into a library that is gone. Ours replace them and
// only ask the main loop to leave, so the game ends through its normal path.
//
// The normal path may be stuck in a call that does not come back (a blocked file
// system, a hung X server), so a quit signal also starts a watchdog: a game still
// running a second later ends by the signal itself. A second quit signal ends it at once.
#include <csignal>
#include <unistd.h>

#include "shell/files.h"
#include "shell/shell.h"

const unsigned QUIT_GRACE_SECONDS = 1;

static volatile sig_atomic_t quit_signal = 0;

// Ends the process as the signal's default action would (status 128 + signal).
static void die_by(int sig) {
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}

static void on_watchdog(int) { die_by(quit_signal ? quit_signal : SIGTERM); }

static void on_quit_signal(int sig) {
    if (quit_signal) die_by(sig);
    quit_signal = sig;
    request_quit();
    alarm(QUIT_GRACE_SECONDS);
}

void install_quit_signals() {
    ignore_file_size_signal();
    struct sigaction sa = {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = on_watchdog;
    sigaction(SIGALRM, &sa, nullptr);
    sa.sa_handler = on_quit_signal;
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // Started under nohup, the hang-up is meant to be ignored: keep it that way.
    struct sigaction old = {};
    if (sigaction(SIGHUP, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
    sigaction(SIGHUP, &sa, nullptr);
}
