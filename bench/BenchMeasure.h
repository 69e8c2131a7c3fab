#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

namespace bench {

// What this process has resident now, and the most it has had since the peak
// was last reset, from /proc/self/status (VmRSS, VmHWM). -1 when unreadable.
qint64 residentBytes();
qint64 peakResidentBytes();
// Lets the peak start again from what is resident now (Linux 4.0 and later:
// "5" written to /proc/self/clear_refs). False where the kernel refuses; the
// peaks printed are then process-wide.
bool resetPeakResident();
// Hands freed heap memory back to the system, so that what stays resident is
// what is still held.
void releaseFreeHeap();

double median(std::vector<double> values);

// One side of a ratio: prepare runs untimed before every run of work.
struct Side
{
    std::function<void()> prepare;
    std::function<void()> work;
};

struct SideResult
{
    double milliseconds = 0; // median
    qint64 peakExtraBytes = 0; // median of the peak above what was resident before the run
};

struct Pair
{
    SideResult ours;
    SideResult floor;
    // The floor that pays what ours pays (the same kind of memory), where a
    // row has one.
    SideResult fairFloor;
    double ratio() const { return ours.milliseconds / floor.milliseconds; }
    double fairRatio() const { return ours.milliseconds / fairFloor.milliseconds; }
};

struct Held
{
    qint64 heldBytes = 0; // resident after the work, freed memory handed back, above before it
    qint64 peakExtraBytes = 0; // the resident peak during the work above before it
};

// What the work leaves resident and what it needed at its peak, from a start
// where freed memory has been handed back.
Held measureHeld(const std::function<void()> &work);

// Runs the sides in turn, at least rounds times each, the order rotated
// every round (with two sides: floor first, then ours first), so that a change
// of load on the machine falls on all alike. Short rows run more rounds, until
// a second has passed (at most 201). Freed heap is handed back before every
// run: each run starts from the same resident memory and pays for the pages
// it touches. Returns the sides' results in their order.
std::vector<SideResult> measureInterleaved(const std::vector<Side> &sides, int rounds);
Pair measureInterleaved(const Side &ours, const Side &floor, int rounds);
Pair measureInterleaved(const Side &ours, const Side &floor, const Side &fairFloor, int rounds);

} // namespace bench
