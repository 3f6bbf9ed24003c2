#pragma once

#include <cstddef>

namespace mordwickLib
{

// The memory of the delay rings: anonymous pages of their own, so that a ring costs what its line
// has written, its pages can be given back and made ready at will, and a host's fork leaves them
// alone. None of these may run on the audio thread: each is a system call.

/** Fresh zeroed pages for a ring of this many bytes, kept out of child processes; nullptr when
    the memory cannot be had. */
float* mapRingPages (size_t bytes) noexcept;

void unmapRingPages (float* ring, size_t bytes) noexcept;

/** Gives the pages back to the system; the ring reads as zero again. */
void releaseRingPages (float* ring, size_t bytes) noexcept;

/** What became of asking for a ring's pages. A refusal for now (memory short for the moment, a
    call interrupted) may pass; any other lasts (a range that cannot be written, no right to lock,
    a lock limit taken up). */
enum class Population { done, refusedForNow, refused };

/** Gives every page memory now, keeping what the ring holds, so that a write to it takes no page
    fault. A piece of at most 256 KB at a time, so that no other thread of the process waits long
    on the memory map. */
Population populateRingPages (float* ring, size_t bytes) noexcept;

/** The way to populate on kernels without MADV_POPULATE_WRITE: locking pages in faults them in
    for writing. The ring is locked a piece at a time, within what the lock limit leaves beside
    the memory the process has locked already, and unlocked again; pieces already resident are
    left alone, so that a host that locks its own memory keeps it locked. */
Population populateRingPagesByLocking (float* ring, size_t bytes) noexcept;

} // namespace mordwickLib
