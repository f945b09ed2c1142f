#ifndef KRAG_TOOLS_BENCH_H
#define KRAG_TOOLS_BENCH_H

// The benchmark's figures that need an X display (bench_display.cpp).

// Prints the present and idle figures, each measured in a child run of `self`; a note
// instead when DISPLAY is not set.
void bench_display(const char *self);

// The body of such a child (argv[1] names it: --child-present, --child-menu,
// --child-bare; argv[2] is the window scale, 1 or 2). Returns its exit status.
int bench_display_child(int argc, char **argv);

// Prints how long the replay list takes to show 50 replays of the longest match a file
// may hold, and how long reading one of them whole takes.
void bench_replay_list();

// Prints how long the map list takes to build with the shipped maps alone, and with a
// player's map folder of 500 small map files besides (its overflow line goes to stderr).
void bench_map_list();

#endif
