// SPDX-License-Identifier: MIT
#ifndef TAVREL_PARALLEL_H
#define TAVREL_PARALLEL_H

#include <cstddef>
#include <functional>

namespace tavrel {

// Calls `body` once for every index below `count`, on up to `threads` threads, the calling one
// among them, and returns when all calls have. The indices are handed out in ascending order.
void parallelFor(std::size_t count, int threads, const std::function<void(std::size_t)> &body);

// How many files may be read ahead of a walk on `threads` threads: a few per thread keep them
// busy; more would only hold memory.
std::size_t filesReadAhead(int threads);

// Calls `produce` for every index below `count` on `threads` other threads, and `consume` for
// each index in ascending order on the calling thread, once that index is produced. Production
// runs at most `ahead` indices beyond the one being consumed. Once an index is consumed,
// `release` is called for it on the thread that produced it: what stays of a product is freed
// where it was allocated, and the threads' allocators do not contend for it. When `consume`
// returns false no further index is produced or consumed, and the call returns false once the
// productions already running have ended. Without other threads all three run on the calling
// thread in turn.
bool orderedFor(std::size_t count, int threads, std::size_t ahead,
                const std::function<void(std::size_t)> &produce,
                const std::function<bool(std::size_t)> &consume,
                const std::function<void(std::size_t)> &release);

} // namespace tavrel

#endif
