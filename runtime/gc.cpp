// The incremental tri-colour collector: four intrusive lists, the colour flip, marking paced by
// allocation, sweeping by list splice, lazy destruction during allocation and the small-block
// cache. Relies on malloc/free and on runtime/errors.h for the out-of-memory stop.
//
// Index
//   state ............ the lists, counters and the root table
//   list helpers ..... link, unlink, splice
//   block cache ...... size classes under 64 bytes
//   allocation ....... gc_object_alloc, gc_object_free, operator new/delete
//   marking .......... gc_mark_q_object, gc_mark_now_object, long arrays in slices, gc_mark,
//                      gc_mark_queued
//   the step ......... gc_collect_step
//   start-up, stress and reset
#include "runtime/gc.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "runtime/errors.h"

// ---------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------

int gc_markbit = 1;

gc_object gc_free_list{gc_static_tag{}};
gc_object gc_marked_list{gc_static_tag{}};
gc_object gc_unmarked_list{gc_static_tag{}};
gc_object gc_queued_list{gc_static_tag{}};

gc_object* gc_constructing = nullptr;
gc_object* gc_constructing_pred = nullptr;
int gc_constructing_flags = 0;

int gc_new_bytes = 0;
int gc_alloced_bytes = 0;
int gc_max_alloced_bytes = 0;
int gc_marked_bytes = 0;
int gc_free_bytes = 0;
long long gc_alloc_count = 0;
long long gc_alloc_total_bytes = 0;

gc_object gc_cache[kGcCacheClasses] = {gc_object{gc_static_tag{}}, gc_object{gc_static_tag{}},
                                       gc_object{gc_static_tag{}}, gc_object{gc_static_tag{}},
                                       gc_object{gc_static_tag{}}, gc_object{gc_static_tag{}},
                                       gc_object{gc_static_tag{}}, gc_object{gc_static_tag{}}};

// Functions that write the header of a raw block (no object constructed in it yet, or its
// destructor has run) opt out of the sanitizer's check of the object's dynamic type.
#define GC_RAW_BLOCK __attribute__((no_sanitize("vptr")))

namespace {

struct RootEntry {
    const void* slot;
    gc_root_reader reader;
};

RootEntry g_roots[GC_ROOT_COUNT];
bool g_stress = false;

// A long array whose elements are being marked a slice at a time: the next element to mark.
struct ArrayScan {
    gc_object* array;
    gc_slice_marker marker;
    int next;
    int length;
};
// Pending scans, the most recent last: it is continued first, so that the arrays a slice reaches
// are finished before their holder's next slice and the list stays as short as the nesting.
std::vector<ArrayScan> g_array_scans;

// What a slice costs against the marking target: the element slots it looked at, null or not.
constexpr int kGcSlotBytes = 8;

// Largest block the header's flags can describe (the size shares an int with the colour bits).
constexpr int kMaxBlockBytes = INT_MAX & ~7;

GC_RAW_BLOCK int block_size(const gc_object* p) {
    return p->flags & ~3;
}

// ---------------------------------------------------------------------------------------------
// List helpers
// ---------------------------------------------------------------------------------------------

GC_RAW_BLOCK void link_tail(gc_object& list, gc_object* p) {
    p->succ = &list;
    p->pred = list.pred;
    list.pred->succ = p;
    list.pred = p;
}

GC_RAW_BLOCK void unlink(gc_object* p) {
    p->pred->succ = p->succ;
    p->succ->pred = p->pred;
}

bool list_empty(const gc_object& list) {
    return list.succ == &list;
}

void make_empty(gc_object& list) {
    list.succ = list.pred = &list;
}

// Moves every object of `from` to the tail of `to` in constant time.
void splice_tail(gc_object& to, gc_object& from) {
    if (list_empty(from)) return;
    gc_object* first = from.succ;
    gc_object* last = from.pred;
    first->pred = to.pred;
    to.pred->succ = first;
    last->succ = &to;
    to.pred = last;
    make_empty(from);
}

bool list_contains(const gc_object& list, const void* p) {
    for (const gc_object* q = list.succ; q != &list; q = q->succ) {
        if (q == p) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Block cache
// ---------------------------------------------------------------------------------------------
// A cached block keeps the link to the next cached block in its first word (where the virtual
// table pointer was) and is otherwise poisoned for the address sanitizer, so that a use of a
// destroyed object is reported even though its memory never went back to the heap. A chain
// ends at its head.

gc_object* cache_next(gc_object* block) {
    gc_object* next;
    std::memcpy(&next, static_cast<void*>(block), sizeof next);
    return next;
}

void cache_push(gc_object* block, int size) {
    gc_object& head = gc_cache[size / 8];
    gc_object* first = head.succ;
    std::memcpy(static_cast<void*>(block), &first, sizeof first);
    ASAN_POISON_MEMORY_REGION(reinterpret_cast<char*>(block) + sizeof first, size - sizeof first);
    head.succ = block;
}

gc_object* cache_pop(int size) {
    gc_object& head = gc_cache[size / 8];
    if (head.succ == &head) return nullptr;
    gc_object* block = head.succ;
    head.succ = cache_next(block);
    ASAN_UNPOISON_MEMORY_REGION(block, size);
    return block;
}

GC_RAW_BLOCK void destroy_free_list_object() {
    gc_object* p = gc_free_list.succ;
    unlink(p);
    // An unlinked header tells operator delete that the collector, not a failed constructor,
    // is returning the block.
    p->succ = p->pred = nullptr;
    delete p;
}

}  // namespace

void gc_misplaced_object() {
    dbg_error("Collected object does not start its block: list Object first among the bases");
}

int gc_cache_count(int size_class) {
    if (size_class < 0 || size_class >= kGcCacheClasses) return 0;
    gc_object& head = gc_cache[size_class];
    int n = 0;
    for (gc_object* p = head.succ; p != &head; p = cache_next(p))
        ++n;
    return n;
}

// ---------------------------------------------------------------------------------------------
// Allocation
// ---------------------------------------------------------------------------------------------

gc_object::~gc_object() {}

void gc_object::mark() {}

gc_interface::~gc_interface() {}

void* gc_object::operator new(std::size_t size) {
    if (size > static_cast<std::size_t>(kMaxBlockBytes)) bbOutOfMemory();
    return gc_object_alloc(static_cast<int>(size));
}

GC_RAW_BLOCK void gc_object::operator delete(void* mem) {
    gc_object* p = static_cast<gc_object*>(mem);
    if (p->succ == nullptr) {
        gc_object_free(p);
        return;
    }
    // Still linked: the object's constructor threw. Take the block back out of whatever list it
    // reached and undo its accounting; it never was garbage, so gc_free_bytes stays as it is.
    int size = block_size(p);
    bool white = (p->flags & 3) == gc_markbit;
    if (!white && list_contains(gc_marked_list, p)) gc_marked_bytes -= size;
    unlink(p);
    gc_alloced_bytes -= size;
    gc_new_bytes = gc_new_bytes >= size ? gc_new_bytes - size : 0;
    if (size < kGcCacheLimit) {
        cache_push(p, size);
    } else {
        std::free(p);
    }
}

GC_RAW_BLOCK gc_object* gc_object_alloc(int size) {
    if (size < 8) size = 8;
    if (size > kMaxBlockBytes) bbOutOfMemory();
    size = (size + 7) & ~7;

    gc_new_bytes = gc_new_bytes > INT_MAX - size ? INT_MAX : gc_new_bytes + size;

    // Lazy destruction: each allocation destroys at least as many bytes of garbage as it takes.
    int target = gc_free_bytes - size;
    if (target < 0) target = 0;
    while (gc_free_bytes > target) {
        if (list_empty(gc_free_list)) {
            gc_free_bytes = 0;
            break;
        }
        destroy_free_list_object();
    }

    gc_object* p = size < kGcCacheLimit ? cache_pop(size) : nullptr;
    if (!p) {
        p = static_cast<gc_object*>(std::malloc(size));
        if (!p) bbOutOfMemory();
    }
    p->flags = gc_markbit | size;
    link_tail(gc_unmarked_list, p);
    gc_constructing = p;
    gc_constructing_pred = p->pred;
    gc_constructing_flags = p->flags;

    gc_alloced_bytes += size;
    ++gc_alloc_count;
    gc_alloc_total_bytes += size;
    if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
    return p;
}

GC_RAW_BLOCK void gc_object_free(gc_object* p) {
    int size = block_size(p);
    gc_free_bytes -= size;
    if (size < kGcCacheLimit) {
        cache_push(p, size);
    } else {
        std::free(p);
    }
}

// ---------------------------------------------------------------------------------------------
// Marking
// ---------------------------------------------------------------------------------------------

void gc_mark_q_object(gc_object* p) {
    if (!p || !gc_is_white(p)) return;
    p->flags ^= 1;
    unlink(p);
    link_tail(gc_queued_list, p);
}

void gc_mark_now_object(gc_object* p) {
    if (!p || !gc_is_white(p)) return;
    p->flags ^= 1;
    gc_marked_bytes += block_size(p);
    unlink(p);
    link_tail(gc_marked_list, p);
    p->mark();
}

void gc_mark() {
    for (const RootEntry& root : g_roots) {
        if (root.slot) gc_mark_q_object(root.reader(root.slot));
    }
}

void gc_mark_in_slices(gc_object* array, int length, gc_slice_marker marker) {
    g_array_scans.push_back(ArrayScan{array, marker, 0, length});
}

int gc_pending_array_scans() {
    return static_cast<int>(g_array_scans.size());
}

void gc_mark_queued(int target) {
    std::int64_t slots = 0;  // bytes charged for element slots scanned in slices
    while (gc_marked_bytes + slots < target) {
        if (!g_array_scans.empty()) {
            // Copied out first: marking the slice may start the scan of another long array.
            ArrayScan& top = g_array_scans.back();
            const ArrayScan scan = top;
            const int to = scan.length - scan.next > kGcArraySlice ? scan.next + kGcArraySlice
                                                                   : scan.length;
            if (to == scan.length) {
                g_array_scans.pop_back();
            } else {
                top.next = to;
            }
            scan.marker(scan.array, scan.next, to);
            slots += static_cast<std::int64_t>(to - scan.next) * kGcSlotBytes;
            continue;
        }
        if (list_empty(gc_queued_list)) break;
        gc_object* p = gc_queued_list.succ;
        unlink(p);
        link_tail(gc_marked_list, p);
        gc_marked_bytes += block_size(p);
        p->mark();
    }
}

// ---------------------------------------------------------------------------------------------
// The step
// ---------------------------------------------------------------------------------------------

void gc_external_bytes(int bytes) {
    if (bytes > 0) gc_new_bytes = gc_new_bytes > INT_MAX - bytes ? INT_MAX : gc_new_bytes + bytes;
}

void gc_collect_step(gc_object* delegate) {
    gc_mark_now_object(delegate);

    if (!g_stress && gc_new_bytes <= kGcCycleBytes) {
        // Marking work proportional to allocation: as the bytes allocated since the last sweep
        // approach kGcCycleBytes, the target approaches every live byte.
        std::int64_t older = gc_alloced_bytes - gc_new_bytes;
        if (older < 0) older = 0;
        std::int64_t target = gc_new_bytes + older * gc_new_bytes / kGcCycleBytes;
        gc_mark_queued(target > INT_MAX ? INT_MAX : static_cast<int>(target));
        return;
    }

    gc_mark_queued(INT_MAX);

    // What is still white was not reached this cycle: it becomes garbage, destroyed a little at
    // a time by later allocations.
    if (!list_empty(gc_unmarked_list)) {
        gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
        splice_tail(gc_free_list, gc_unmarked_list);
    }
    gc_alloced_bytes = gc_marked_bytes;
    splice_tail(gc_unmarked_list, gc_marked_list);
    gc_marked_bytes = 0;
    gc_markbit ^= 1;  // every survivor is white again without being touched

    gc_mark();
    gc_new_bytes = 0;

    if (g_stress) {
        // Mark the whole next cycle at once, so that every live object is black while the
        // application runs: a store without the write barrier then loses its object at the
        // next step, and a field missing from a mark() loses its object too.
        gc_mark_now_object(delegate);
        gc_mark_queued(INT_MAX);
    }
}

// ---------------------------------------------------------------------------------------------
// Roots
// ---------------------------------------------------------------------------------------------

void gc_register_root_slot(gc_root rank, const void* slot, gc_root_reader reader) {
    if (rank < 0 || rank >= GC_ROOT_COUNT) return;
    g_roots[rank] = RootEntry{slot, reader};
}

void gc_unregister_root(gc_root rank) {
    if (rank < 0 || rank >= GC_ROOT_COUNT) return;
    g_roots[rank] = RootEntry{nullptr, nullptr};
}

gc_object* gc_root_object(gc_root rank) {
    if (rank < 0 || rank >= GC_ROOT_COUNT || !g_roots[rank].slot) return nullptr;
    return g_roots[rank].reader(g_roots[rank].slot);
}

// ---------------------------------------------------------------------------------------------
// Start-up, stress and reset
// ---------------------------------------------------------------------------------------------

void gc_init1() {
    make_empty(gc_free_list);
    make_empty(gc_marked_list);
    make_empty(gc_unmarked_list);
    make_empty(gc_queued_list);
}

void gc_init2() {
    gc_mark();
}

void gc_set_stress(bool on) {
    g_stress = on;
}

bool gc_stress() {
    return g_stress;
}

void gc_reset() {
    splice_tail(gc_free_list, gc_queued_list);
    splice_tail(gc_free_list, gc_marked_list);
    splice_tail(gc_free_list, gc_unmarked_list);
    while (!list_empty(gc_free_list)) {
        // Keep the byte count balanced for gc_object_free, whatever list the object came from.
        gc_free_bytes = block_size(gc_free_list.succ);
        destroy_free_list_object();
    }
    for (int c = 0; c < kGcCacheClasses; ++c) {
        while (gc_object* block = cache_pop(c * 8))
            std::free(block);
    }
    for (RootEntry& root : g_roots)
        root = RootEntry{nullptr, nullptr};
    g_array_scans.clear();
    gc_markbit = 1;
    gc_new_bytes = gc_alloced_bytes = gc_max_alloced_bytes = 0;
    gc_marked_bytes = gc_free_bytes = 0;
    gc_alloc_count = gc_alloc_total_bytes = 0;
}

bool gc_is_known_object(const void* p) {
    if (!p) return false;
    return list_contains(gc_unmarked_list, p) || list_contains(gc_queued_list, p) ||
           list_contains(gc_marked_list, p) || list_contains(gc_free_list, p);
}
