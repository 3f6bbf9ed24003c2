#include "RingPages.h"

#include <algorithm>
#include <cerrno>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace mordwickLib
{

namespace
{
// The lock limit an unprivileged process has by default.
constexpr size_t defaultLockLimit = 64 * 1024;

size_t pageSize() noexcept
{
    return (size_t) sysconf (_SC_PAGESIZE);
}

// A piece of at most the default lock limit, in pages of at least 4 KB.
bool isResident (float* piece, size_t bytes) noexcept
{
    unsigned char pages[defaultLockLimit / 4096];
    const size_t count = (bytes + pageSize() - 1) / pageSize();
    return mincore (piece, bytes, pages) == 0
        && std::all_of (pages, pages + count, [] (unsigned char page) { return (page & 1) != 0; });
}
} // namespace

float* mapRingPages (size_t bytes) noexcept
{
    void* pages = mmap (nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);

    if (pages == MAP_FAILED)
        return nullptr;

    // After a fork every private page is write-protected until its next write faults: hosts fork
    // (scanners, scripts, file dialogs) while the audio thread writes the rings.
    (void) madvise (pages, bytes, MADV_DONTFORK);
    return static_cast<float*> (pages);
}

void unmapRingPages (float* ring, size_t bytes) noexcept
{
    munmap (ring, bytes);
}

void releaseRingPages (float* ring, size_t bytes) noexcept
{
    // Dropped pages of private anonymous memory read as zero again; locked ones cannot be dropped.
    if (madvise (ring, bytes, MADV_DONTNEED) != 0)
        std::fill (ring, ring + bytes / sizeof (float), 0.0f);
}

bool populateRingPages (float* ring, size_t bytes) noexcept
{
    if (madvise (ring, bytes, MADV_POPULATE_WRITE) == 0)
        return true;

    // An advice the kernel does not know (before Linux 5.14); any other failure may pass.
    return errno == EINVAL && populateRingPagesByLocking (ring, bytes);
}

bool populateRingPagesByLocking (float* ring, size_t bytes) noexcept
{
    rlimit limit {};
    const size_t lockable = getrlimit (RLIMIT_MEMLOCK, &limit) == 0 ? (size_t) limit.rlim_cur : defaultLockLimit;
    const size_t piece = std::max (pageSize(), std::min (lockable, defaultLockLimit) / pageSize() * pageSize());

    for (size_t done = 0; done < bytes; done += piece)
    {
        auto* start = reinterpret_cast<float*> (reinterpret_cast<char*> (ring) + done);
        const size_t length = std::min (piece, bytes - done);

        if (isResident (start, length))
            continue;

        if (mlock (start, length) != 0)
            return false;

        munlock (start, length);
    }

    return true;
}

} // namespace mordwickLib
