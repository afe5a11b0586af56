#include "heap_ledger.h"

#include <mutex>
#include <set>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void __real_free(void* block);
}

namespace {

struct Ledger {
    std::mutex lock;
    std::set<void*> live;
    std::vector<size_t> sizes;
    size_t refuseFirst = 0;
    size_t refuseCount = 0;
};

Ledger& ledger() {
    static Ledger* instance = new Ledger;
    return *instance;
}

// Counts one allocation request; true when the ledger refuses it.
bool admit(size_t size) {
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    l.sizes.push_back(size);
    size_t number = l.sizes.size();
    return !(l.refuseCount > 0 && number >= l.refuseFirst && number < l.refuseFirst + l.refuseCount);
}

void remember(void* block) {
    if (block == nullptr) return;
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.insert(block);
}

void forget(void* block) {
    if (block == nullptr) return;
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.erase(block);
}

}  // namespace

extern "C" void* __wrap_malloc(size_t size) {
    if (!admit(size)) return nullptr;
    void* block = __real_malloc(size);
    remember(block);
    return block;
}

extern "C" void* __wrap_calloc(size_t count, size_t size) {
    if (!admit(count * size)) return nullptr;
    void* block = __real_calloc(count, size);
    remember(block);
    return block;
}

extern "C" void* __wrap_realloc(void* block, size_t size) {
    if (!admit(size)) return nullptr;
    void* moved = __real_realloc(block, size);
    if (moved != nullptr) {
        forget(block);
        remember(moved);
    }
    return moved;
}

extern "C" void __wrap_free(void* block) {
    forget(block);
    __real_free(block);
}

void heapLedgerReset() {
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.clear();
    l.sizes.clear();
    l.refuseFirst = 0;
    l.refuseCount = 0;
}

size_t heapLedgerLiveBlocks() {
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    return l.live.size();
}

std::vector<size_t> heapLedgerAllocationSizes() {
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    return l.sizes;
}

void heapLedgerRefuse(size_t first, size_t count) {
    Ledger& l = ledger();
    std::lock_guard<std::mutex> guard(l.lock);
    l.refuseFirst = first;
    l.refuseCount = count;
}
