#include "summary.h"

#include <cstdio>
#include <set>

namespace {

// Keeps the time per iteration (ms) and the counters of every benchmark next
// to the console output: the median over the repetitions when there are
// several, else the single run's.
class Recorder : public benchmark::ConsoleReporter
{
public:
    Recorder()
        : ConsoleReporter(OO_Tabular)
    {
    }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name != "median")
                    continue;
                medians.insert(name);
            } else if (medians.count(name)) {
                continue;
            }
            times[name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            for (const auto &[counter, value] : run.counters)
                counters[name][counter] = value.value;
        }
    }
    std::map<std::string, double> times;
    std::map<std::string, std::map<std::string, double>> counters;
    std::set<std::string> medians;
};

} // namespace

int runAndSummarise(int argc, char **argv, const std::vector<Figure> &figures)
{
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    int missed = 0;
    std::printf("\n%-46s %12s %12s %9s  %s\n", "figure", "ours (ms)", "peer (ms)", "ratio", "goal");
    for (const Figure &figure : figures) {
        const auto ours = recorder.times.find(figure.ours);
        if (ours == recorder.times.end())
            continue; // filtered out
        if (!figure.minus.empty()) {
            const auto other = recorder.times.find(figure.minus);
            if (other != recorder.times.end())
                std::printf("%-46s %12.3f %12s %9s  %s\n", figure.label.c_str(),
                            ours->second - other->second, "-", "-", "-");
            continue;
        }
        if (!figure.counter.empty()) {
            const auto &counters = recorder.counters[figure.ours];
            const auto value = counters.find(figure.counter);
            if (value == counters.end())
                continue;
            std::string goal = "-";
            if (figure.goalAtLeast > 0) {
                const bool met = value->second >= figure.goalAtLeast;
                missed += !met;
                goal = std::string(met ? "met" : "MISSED") + " (at least "
                       + std::to_string(int(figure.goalAtLeast)) + ")";
            }
            std::printf("%-46s %12.2f %12s %9s  %s\n", figure.label.c_str(), value->second,
                        figure.counter.c_str(), "-", goal.c_str());
            continue;
        }
        const auto peer =
            figure.peer.empty() ? recorder.times.end() : recorder.times.find(figure.peer);
        char peerText[32] = "-";
        char ratioText[32] = "-";
        std::string goal = "-";
        if (peer != recorder.times.end()) {
            const double ratio = peer->second / ours->second;
            std::snprintf(peerText, sizeof peerText, "%.3f", peer->second);
            std::snprintf(ratioText, sizeof ratioText, "%.2fx",
                          figure.goalAtMost > 0 ? 1 / ratio : ratio);
            if (figure.goalRatio > 0 || figure.goalAtMost > 0) {
                const bool met = figure.goalRatio > 0 ? ratio >= figure.goalRatio
                                                      : 1 / ratio <= figure.goalAtMost;
                missed += !met;
                char text[96];
                if (figure.goalRatio > 0)
                    std::snprintf(text, sizeof text, "%s (at least %.0fx faster)",
                                  met ? "met" : "MISSED", figure.goalRatio);
                else
                    std::snprintf(text, sizeof text, "%s (at most %.0fx the peer)",
                                  met ? "met" : "MISSED", figure.goalAtMost);
                goal = text;
            }
        } else if (!figure.peer.empty()) {
            goal = "peer not installed";
        }
        if (figure.goalMs > 0) {
            const bool met = ours->second <= figure.goalMs;
            missed += !met;
            char text[96];
            std::snprintf(text, sizeof text, "%s (at most %.0f ms)", met ? "met" : "MISSED",
                          figure.goalMs);
            goal = goal == "-" ? std::string(text) : goal + ", " + text;
        }
        std::printf("%-46s %12.3f %12s %9s  %s\n", figure.label.c_str(), ours->second, peerText,
                    ratioText, goal.c_str());
    }
    std::fflush(stdout);
    return missed;
}
