// A ledger of the heap blocks that the code under test takes and gives back. The
// test binaries link with -Wl,--wrap for malloc, calloc, realloc and free, so
// every call the logic makes passes through here; calls from shared libraries do
// not. The ledger can also be told to refuse allocations.
#ifndef TESTS_HEAP_LEDGER_H
#define TESTS_HEAP_LEDGER_H

#include <stddef.h>
#include <vector>

void heapLedgerReset();
// Blocks taken and not yet given back since the last reset.
size_t heapLedgerLiveBlocks();
// The size asked for by each allocation since the last reset, in order.
std::vector<size_t> heapLedgerAllocationSizes();
// Refuses the allocations numbered first .. first + count - 1 (1-based, counted
// from the last reset); count 0 refuses none.
void heapLedgerRefuse(size_t first, size_t count = 1);

#endif
