// SPDX-License-Identifier: MIT
#include "core/load/parallel.h"

#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>

#include <algorithm>
#include <atomic>
#include <vector>

namespace tavrel {

std::size_t filesReadAhead(int threads)
{
    return 4 * std::size_t(std::max(threads, 1));
}

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

bool orderedFor(std::size_t count, int threads, std::size_t ahead,
                const std::function<void(std::size_t)> &produce,
                const std::function<bool(std::size_t)> &consume,
                const std::function<void(std::size_t)> &release)
{
    if (threads < 1 || count < 2) {
        for (std::size_t i = 0; i < count; ++i) {
            produce(i);
            const bool go = consume(i);
            release(i);
            if (!go)
                return false;
        }
        return true;
    }

    ahead = std::max<std::size_t>(ahead, 1);
    const int workers = int(std::min<std::size_t>(std::size_t(threads), count));
    QMutex mutex;
    QWaitCondition produced;
    QWaitCondition consumed;
    std::vector<int> producer(count, -1);
    // Per worker: the consumed indices it has still to release, and how many of the indices it
    // produced are not yet released.
    std::vector<std::vector<std::size_t>> toRelease(static_cast<std::size_t>(workers));
    std::vector<std::size_t> unreleased(static_cast<std::size_t>(workers), 0);
    std::size_t next = 0;
    std::size_t consuming = 0;
    bool stopped = false;

    const auto work = [&](int worker) {
        QMutexLocker locker(&mutex);
        for (;;) {
            if (!toRelease[size_t(worker)].empty()) {
                std::vector<std::size_t> indices;
                indices.swap(toRelease[size_t(worker)]);
                locker.unlock();
                for (const std::size_t i : indices)
                    release(i);
                locker.relock();
                unreleased[size_t(worker)] -= indices.size();
                continue;
            }
            if (stopped || (next >= count && unreleased[size_t(worker)] == 0))
                return;
            if (next < count && next < consuming + ahead) {
                const std::size_t i = next++;
                ++unreleased[size_t(worker)];
                locker.unlock();
                produce(i);
                locker.relock();
                producer[i] = worker;
                produced.wakeAll();
                continue;
            }
            consumed.wait(&mutex);
        }
    };
    QThreadPool pool;
    pool.setMaxThreadCount(workers);
    for (int worker = 0; worker < workers; ++worker)
        pool.start([&work, worker] { work(worker); });

    bool completed = true;
    for (std::size_t i = 0; i < count && completed; ++i) {
        int from = -1;
        {
            QMutexLocker locker(&mutex);
            while (producer[i] < 0)
                produced.wait(&mutex);
            from = producer[i];
        }
        completed = consume(i);
        const QMutexLocker locker(&mutex);
        consuming = i + 1;
        toRelease[size_t(from)].push_back(i);
        stopped = !completed;
        consumed.wakeAll();
    }
    pool.waitForDone();
    // After a stop, what the workers had not released yet.
    for (const std::vector<std::size_t> &indices : toRelease) {
        for (const std::size_t i : indices)
            release(i);
    }
    return completed;
}

} // namespace tavrel
