// SPDX-License-Identifier: MIT
#include "scripts/parallel.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>

void parallelFor(std::size_t count, int threads, const std::function<void(std::size_t)> &body)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            body(i);
    };
    QThreadPool pool;
    const int helpers = int(std::min<std::size_t>(std::size_t(std::max(threads, 1)), count)) - 1;
    for (int t = 0; t < helpers; ++t)
        pool.start(work);
    work();
    pool.waitForDone();
}
