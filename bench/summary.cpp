#include "summary.h"

#include <cstdio>

namespace {

// Keeps the mean time per iteration (ms) of every run next to the console output.
class Recorder : public benchmark::ConsoleReporter
{
public:
    Recorder() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            times[run.benchmark_name()] = ms;
        }
    }
    std::map<std::string, double> times;
};

} // namespace

int runAndSummarise(int argc, char **argv, const std::vector<Figure> &figures)
{
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    int missed = 0;
    std::printf("\n%-34s %12s %12s %9s  %s\n", "figure", "ours (ms)", "peer (ms)", "ratio", "goal");
    for (const Figure &figure : figures) {
        const auto ours = recorder.times.find(figure.ours);
        if (ours == recorder.times.end())
            continue; // filtered out
        const auto peer = figure.peer.empty() ? recorder.times.end() : recorder.times.find(figure.peer);
        char peerText[32] = "-";
        char ratioText[32] = "-";
        std::string goal = "-";
        if (peer != recorder.times.end()) {
            const double ratio = peer->second / ours->second;
            std::snprintf(peerText, sizeof peerText, "%.3f", peer->second);
            std::snprintf(ratioText, sizeof ratioText, "%.1fx", ratio);
            if (figure.goalRatio > 0) {
                const bool met = ratio >= figure.goalRatio;
                missed += !met;
                char text[96];
                std::snprintf(text, sizeof text, "%s (at least %.0fx faster)", met ? "met" : "MISSED", figure.goalRatio);
                goal = text;
            }
        } else if (!figure.peer.empty()) {
            goal = "peer not installed";
        }
        if (figure.goalMs > 0) {
            const bool met = ours->second < figure.goalMs;
            missed += !met;
            char text[96];
            std::snprintf(text, sizeof text, "%s (under %.0f ms)", met ? "met" : "MISSED", figure.goalMs);
            goal = text;
        }
        std::printf("%-34s %12.3f %12s %9s  %s\n", figure.label.c_str(), ours->second, peerText, ratioText, goal.c_str());
    }
    std::fflush(stdout);
    return missed;
}
