#include "RingPages.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace mordwickLib
{

namespace
{
// One call holds the memory-map lock for its whole range, and every page fault of the process
// (before Linux 6.4), the audio thread's too, may queue behind it: a piece takes tens of
// microseconds, a whole ring milliseconds.
constexpr size_t largestPiece = 256 * 1024;

size_t pageSize() noexcept
{
    return (size_t) sysconf (_SC_PAGESIZE);
}

char* byteAt (float* ring, size_t offset) noexcept
{
    return reinterpret_cast<char*> (ring) + offset;
}

// A piece of at most largestPiece, in pages of at least 4 KB.
bool isResident (char* piece, size_t bytes) noexcept
{
    unsigned char pages[largestPiece / 4096];
    const size_t count = (bytes + pageSize() - 1) / pageSize();
    return mincore (piece, bytes, pages) == 0
        && std::all_of (pages, pages + count, [] (unsigned char page) { return (page & 1) != 0; });
}

// The memory this process has locked already, which counts against its lock limit.
size_t lockedBytes() noexcept
{
    char status[4096];
    // The process's own status has no VmLck line once its main thread has exited.
    const int file = open ("/proc/thread-self/status", O_RDONLY | O_CLOEXEC);
    const ssize_t length = file >= 0 ? read (file, status, sizeof (status) - 1) : -1;

    if (file >= 0)
        close (file);

    if (length <= 0)
        return 0;

    status[length] = '\0';
    const char* line = std::strstr (status, "VmLck:");
    return line != nullptr ? (size_t) std::strtoul (line + 6, nullptr, 10) * 1024 : 0;
}

// What mlock may take at once: the piece size within what the lock limit leaves. A process with
// the right to lock past its limit still gets a page.
size_t lockablePiece() noexcept
{
    rlimit limit {};
    size_t available = largestPiece;

    if (getrlimit (RLIMIT_MEMLOCK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    {
        const size_t locked = lockedBytes();
        available = std::min (available, (size_t) limit.rlim_cur > locked ? (size_t) limit.rlim_cur - locked : 0);
    }

    return std::max (pageSize(), available / pageSize() * pageSize());
}

Population refusal (int error) noexcept
{
    return error == ENOMEM || error == EAGAIN || error == EINTR ? Population::refusedForNow : Population::refused;
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

Population populateRingPages (float* ring, size_t bytes) noexcept
{
    for (size_t done = 0; done < bytes; done += largestPiece)
    {
        const size_t length = std::min (largestPiece, bytes - done);

        // EINVAL: an advice the kernel does not know (before Linux 5.14).
        if (madvise (byteAt (ring, done), length, MADV_POPULATE_WRITE) != 0)
            return errno == EINVAL ? populateRingPagesByLocking (ring, bytes) : refusal (errno);
    }

    return Population::done;
}

Population populateRingPagesByLocking (float* ring, size_t bytes) noexcept
{
    size_t piece = lockablePiece();

    for (size_t done = 0; done < bytes;)
    {
        char* start = byteAt (ring, done);
        const size_t length = std::min (piece, bytes - done);

        if (! isResident (start, length))
        {
            if (mlock (start, length) != 0)
            {
                // Past the lock limit, where what is locked already could not be read: a smaller
                // piece may fit. Once not even a page does, the limit is taken up.
                if (errno == ENOMEM && piece > pageSize())
                {
                    piece = std::max (pageSize(), piece / 2 / pageSize() * pageSize());
                    continue;
                }

                return errno == ENOMEM ? Population::refused : refusal (errno);
            }

            munlock (start, length);
        }

        done += length;
    }

    return Population::done;
}

} // namespace mordwickLib
