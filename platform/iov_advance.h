// Vectored writes that stop short: what was written is taken off the front
// of the vector, so that the next write continues where this one stopped.
#pragma once

#include <sys/uio.h>

#include <cstddef>

// Drops the first `done` bytes from the `*count` entries at `*v`: entries
// written whole are skipped, the next one starts later.
inline void iov_advance(struct iovec** v, int* count, size_t done)
{
    while (*count > 0 && done >= (*v)->iov_len) {
        done -= (*v)->iov_len;
        (*v)++;
        (*count)--;
    }
    if (*count > 0) {
        (*v)->iov_base = static_cast<char*>((*v)->iov_base) + done;
        (*v)->iov_len -= done;
    }
}
