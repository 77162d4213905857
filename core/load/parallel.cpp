// SPDX-License-Identifier: MIT
#include "core/load/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// The hand-over is built on the standard library's primitives, not on Qt's: ThreadSanitizer
// sees through these, while QWaitCondition unlocks and relocks its mutex inside Qt's library,
// where ThreadSanitizer cannot follow it and reports every hand-over as a race.

namespace tavrel {

namespace {

// Joins the threads however the caller's scope ends.
class Threads
{
public:
    Threads() = default;
    ~Threads()
    {
        for (std::thread &thread : threads)
            thread.join();
    }
    Threads(const Threads &) = delete;
    Threads &operator=(const Threads &) = delete;

    template <typename Function> void start(Function &&function)
    {
        threads.emplace_back(std::forward<Function>(function));
    }

private:
    std::vector<std::thread> threads;
};

} // namespace

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
    const int helpers = int(std::min<std::size_t>(std::size_t(std::max(threads, 1)), count)) - 1;
    Threads pool;
    for (int t = 0; t < helpers; ++t)
        pool.start(work);
    work();
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
    std::mutex mutex;
    std::condition_variable produced;
    std::condition_variable consumed;
    std::vector<int> producer(count, -1);
    // Per worker: the consumed indices it has still to release, and how many of the indices it
    // produced are not yet released.
    std::vector<std::vector<std::size_t>> toRelease(static_cast<std::size_t>(workers));
    std::vector<std::size_t> unreleased(static_cast<std::size_t>(workers), 0);
    std::size_t next = 0;
    std::size_t consuming = 0;
    bool stopped = false;

    const auto work = [&](int worker) {
        std::unique_lock<std::mutex> locker(mutex);
        for (;;) {
            if (!toRelease[size_t(worker)].empty()) {
                std::vector<std::size_t> indices;
                indices.swap(toRelease[size_t(worker)]);
                locker.unlock();
                for (const std::size_t i : indices)
                    release(i);
                locker.lock();
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
                locker.lock();
                producer[i] = worker;
                produced.notify_all();
                continue;
            }
            consumed.wait(locker);
        }
    };

    bool completed = true;
    {
        Threads pool;
        for (int worker = 0; worker < workers; ++worker)
            pool.start([&work, worker] { work(worker); });

        for (std::size_t i = 0; i < count && completed; ++i) {
            int from = -1;
            {
                std::unique_lock<std::mutex> locker(mutex);
                produced.wait(locker, [&] { return producer[i] >= 0; });
                from = producer[i];
            }
            completed = consume(i);
            const std::lock_guard<std::mutex> locker(mutex);
            consuming = i + 1;
            toRelease[size_t(from)].push_back(i);
            stopped = !completed;
            consumed.notify_all();
        }
    }
    // After a stop, what the workers had not released yet.
    for (const std::vector<std::size_t> &indices : toRelease) {
        for (const std::size_t i : indices)
            release(i);
    }
    return completed;
}

} // namespace tavrel
