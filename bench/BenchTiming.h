#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

// The best of a few rounds: the least disturbed run is the one that tells
// what the code costs.
inline double bestMilliseconds(const std::function<void()> &work, int rounds = 5)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}
