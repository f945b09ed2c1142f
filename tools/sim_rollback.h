#ifndef KRAG_TOOLS_SIM_ROLLBACK_H
#define KRAG_TOOLS_SIM_ROLLBACK_H

// The match set up by krag-sim, checked for ticks that can be run again: exit status 0
// when a run that goes back and forth up to `depth` ticks every tick ends exactly as a
// straight run, 1 (with the first tick and part of the world that differ) when not.
int rollback_main(long depth, long ticks, unsigned seed, int force);

#endif
