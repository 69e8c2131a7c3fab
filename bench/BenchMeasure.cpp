#include "BenchMeasure.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <malloc.h>

namespace bench {

namespace {

// A row of a few milliseconds a run would fit inside one burst of another
// process's work: such rows run on until this much time has passed.
constexpr qint64 kShortRowMilliseconds = 1000;
constexpr int kMostRounds = 201;

// One "Name:   1234 kB" field of /proc/self/status, in bytes.
qint64 statusField(const char *name)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    const size_t length = std::strlen(name);
    char line[256];
    qint64 bytes = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
            long long kilobytes = 0;
            if (std::sscanf(line + length + 1, "%lld", &kilobytes) == 1)
                bytes = qint64(kilobytes) * 1024;
            break;
        }
    }
    std::fclose(status);
    return bytes;
}

struct Sample
{
    double milliseconds;
    double peakExtraBytes;
};

Sample runOnce(const Side &side)
{
    if (side.prepare)
        side.prepare();
    releaseFreeHeap();
    resetPeakResident();
    const qint64 before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    side.work();
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    const qint64 peak = std::max(peakResidentBytes(), residentBytes());
    return {milliseconds, double(peak - before)};
}

} // namespace

qint64 residentBytes()
{
    return statusField("VmRSS");
}

qint64 peakResidentBytes()
{
    return statusField("VmHWM");
}

bool resetPeakResident()
{
    std::FILE *refs = std::fopen("/proc/self/clear_refs", "w");
    if (!refs)
        return false;
    const bool written = std::fputs("5", refs) >= 0;
    return std::fclose(refs) == 0 && written;
}

void releaseFreeHeap()
{
    malloc_trim(0);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Held measureHeld(const std::function<void()> &work)
{
    releaseFreeHeap();
    resetPeakResident();
    const qint64 before = residentBytes();
    work();
    Held held;
    held.peakExtraBytes = std::max(peakResidentBytes(), residentBytes()) - before;
    // A buffer freed by the work may still be resident in the heap; it is not held.
    releaseFreeHeap();
    held.heldBytes = residentBytes() - before;
    return held;
}

std::vector<SideResult> measureInterleaved(const std::vector<Side> &sides, int rounds)
{
    const size_t count = sides.size();
    std::vector<std::vector<double>> times(count), peaks(count);
    QElapsedTimer row;
    row.start();
    for (int round = 0; round < rounds || (row.elapsed() < kShortRowMilliseconds && round < kMostRounds); ++round) {
        for (size_t turn = 0; turn < count; ++turn) {
            const size_t side = (turn + size_t(round) + 1) % count;
            const Sample sample = runOnce(sides[side]);
            times[side].push_back(sample.milliseconds);
            peaks[side].push_back(sample.peakExtraBytes);
        }
    }
    std::vector<SideResult> results;
    for (size_t side = 0; side < count; ++side)
        results.push_back({median(times[side]), qint64(median(peaks[side]))});
    return results;
}

Pair measureInterleaved(const Side &ours, const Side &floor, int rounds)
{
    const std::vector<SideResult> results = measureInterleaved({ours, floor}, rounds);
    return {results[0], results[1], {}};
}

Pair measureInterleaved(const Side &ours, const Side &floor, const Side &fairFloor, int rounds)
{
    const std::vector<SideResult> results = measureInterleaved({ours, floor, fairFloor}, rounds);
    return {results[0], results[1], results[2]};
}

} // namespace bench
