#ifndef KRAG_NET_HEADLESS_H
#define KRAG_NET_HEADLESS_H

// krag --host --headless: serves network matches from the command line and settings
// file (see shell/cmdline.h) until --matches are played or a quit signal comes.
// Returns the exit status.
int net_host_headless();

#endif
