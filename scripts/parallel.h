// SPDX-License-Identifier: MIT
#ifndef TAVREL_PARALLEL_H
#define TAVREL_PARALLEL_H

#include <cstddef>
#include <functional>

// Calls `body` once for every index below `count`, on up to `threads` threads, the calling one
// among them, and returns when all calls have. The indices are handed out in ascending order.
void parallelFor(std::size_t count, int threads, const std::function<void(std::size_t)> &body);

#endif
