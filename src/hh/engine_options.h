// How the all-pairs loops run: the number of threads and, for tests and
// benchmarks, the straightforward engine the fast one is checked against.
// Nothing in the run's interface sets these; the defaults are what a run uses.
#pragma once

// Threads for the all-pairs loops; 0 (the default) means one per hardware
// thread. Outputs are identical for every value.
void setEngineThreads(int threads);

// The thread count in force, at least 1.
int engineThreads();

// true: the literal pair walk and level search of kernel.h instead of the
// bit-parallel engine (default false).
void setReferenceEngine(bool on);
bool referenceEngine();

// Tests only: the fast engine stops the run from whichever worker thread
// compares pair `pair` (0-based, in row order) of the next slots it scans, as
// a failure inside a thread would; -1 (the default) turns it off.
void setEngineFailureAtPair(long pair);
long engineFailureAtPair();
