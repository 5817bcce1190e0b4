#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Runs the registered benchmarks with the console reporter and then prints
// one line per figure: our time, the peer's, the ratio and whether the goal
// is met. A figure whose peer did not run (not installed) shows without one.
// Run with repetitions, every figure is the median over them.
struct Figure
{
    std::string label{};
    std::string ours{};     // benchmark name
    std::string peer{};     // benchmark name, empty for an absolute goal
    double goalRatio = 0;   // peer time / our time must reach this (0: none)
    double goalMs = 0;      // our time must stay at or under this (0: none)
    double goalAtMost = 0;  // our time / peer time must stay at or under this (0: none)
    std::string counter{};  // when set, the figure is this counter of ours, not its time
    double goalAtLeast = 0; // the counter must reach this (0: none)
    std::string minus{};    // when set, the figure is our time less this one's
};

// Returns the number of goals missed.
int runAndSummarise(int argc, char **argv, const std::vector<Figure> &figures);
