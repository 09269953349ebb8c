// The collector: the collected-object header (gc_object), interfaces that collected classes may
// implement (gc_interface), allocation, marking, the write barrier, the incremental step and the
// registry of root globals. Relies only on the C++ standard library; Object and ThrowableObject,
// which need String, live in runtime/object.h.
//
// Index
//   gc_object, gc_interface ......... the header every collected object starts with
//   collector state ................. the four lists, the colour bit, the byte counters
//   marking and the write barrier ... gc_mark_q, gc_mark_now, gc_assign
//   the step ........................ gc_collect_step, gc_mark, gc_mark_queued
//   roots ........................... gc_root, gc_register_root
//   test and tool support ........... gc_set_stress, gc_reset, gc_is_known_object
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>

// ---------------------------------------------------------------------------------------------
// gc_object, gc_interface
// ---------------------------------------------------------------------------------------------

// Tag for the header objects that never come from gc_object_alloc: list sentinels and the shared
// empty arrays.
struct gc_static_tag {};

// Colour bits of objects that are permanently live (the shared empty arrays): never equal to
// gc_markbit, so such an object is never white, never queued and never swept.
constexpr int kGcPermanentColour = 3;

struct gc_object {
    gc_object* succ;
    gc_object* pred;
    int flags;  // low 2 bits: colour; the rest: block size in bytes, a multiple of 8

    // gc_object_alloc has already filled in the header and linked the block before the
    // constructor runs; see the definition below for why the header is written once more.
    gc_object();
    // Sentinels and permanent objects: an empty list ring, or an unlinked object with `colour`.
    explicit gc_object(gc_static_tag, int colour = 0) : succ(this), pred(this), flags(colour) {}
    gc_object(const gc_object&) = delete;
    gc_object& operator=(const gc_object&) = delete;

    // Runs when the collector destroys the object, some time after it became unreachable and in
    // no particular order with other garbage: a destructor may release strings and native
    // resources but must not use other collected objects, which may be gone already.
    virtual ~gc_object();
    // Marks every object this one refers to (gc_mark_q for fields, gc_mark_now for the elements
    // of an array representation). Classes without object fields keep this empty version.
    virtual void mark();

    // Collected objects are created with `new` and never deleted by hand: the collector runs the
    // deleting destructor, which hands the block back through gc_object_free.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t, void* block) noexcept { return block; }
    static void operator delete(void* p);
    static void operator delete(void*, void*) noexcept {}
};

// Base of the interfaces that collected classes implement. A pointer to an interface reaches the
// collected object through dynamic_cast, so marking and the barrier accept interface pointers.
struct gc_interface {
    virtual ~gc_interface();
};

// The block gc_object_alloc handed out last, with the header it gave it, until the object in it
// is constructed.
extern gc_object* gc_constructing;
extern gc_object* gc_constructing_pred;
extern int gc_constructing_flags;
extern gc_object gc_unmarked_list;

// Stops the program when a collected object does not start its block (see below).
[[noreturn]] void gc_misplaced_object();

// Value-initialisation (`new T()` of a class without a default constructor of its own) zeroes
// the whole block before the constructors run, header included. Nothing else can have been
// allocated in between, so the header gc_object_alloc wrote is put back as it was.
inline gc_object::gc_object() {
    if (this == gc_constructing) {
        succ = &gc_unmarked_list;
        pred = gc_constructing_pred;
        flags = gc_constructing_flags;
        gc_constructing = nullptr;
    } else if (gc_constructing &&
               reinterpret_cast<char*>(this) > reinterpret_cast<char*>(gc_constructing) &&
               reinterpret_cast<char*>(this) <
                   reinterpret_cast<char*>(gc_constructing) + (gc_constructing_flags & ~3)) {
        // The header must sit at the start of the block: a collected class lists its collected
        // base (Object) before any interface or other base.
        gc_misplaced_object();
    }
}

// ---------------------------------------------------------------------------------------------
// Collector state
// ---------------------------------------------------------------------------------------------

// Colour bits of white (unreached) objects in the current cycle; flips at the end of each cycle.
extern int gc_markbit;

extern gc_object gc_free_list;      // garbage awaiting destruction
extern gc_object gc_marked_list;    // black: reached and scanned
extern gc_object gc_unmarked_list;  // white: not reached yet this cycle
extern gc_object gc_queued_list;    // grey: reached, fields not yet scanned

extern int gc_new_bytes;          // allocated since the last sweep
extern int gc_alloced_bytes;      // in live (not yet swept) objects
extern int gc_max_alloced_bytes;  // highest gc_alloced_bytes so far
extern int gc_marked_bytes;       // in black objects this cycle
extern int gc_free_bytes;         // in objects on the free list
// Running totals of every allocation since start-up (or gc_reset), for tools and tests that
// check a stretch of the program allocates nothing: blocks handed out and their bytes.
extern long long gc_alloc_count;
extern long long gc_alloc_total_bytes;

// Size classes of the block cache: blocks of 8, 16, ..., 56 bytes, indexed by size / 8. Each head
// is the start of a singly linked chain through the blocks' succ field.
constexpr int kGcCacheClasses = 8;
constexpr int kGcCacheLimit = kGcCacheClasses * 8;  // blocks of this size and more go to the heap
extern gc_object gc_cache[kGcCacheClasses];

// Bytes allocated between two steps beyond which a step finishes the cycle and sweeps.
constexpr int kGcCycleBytes = 8 * 1024 * 1024;

// A new white block of `size` bytes (rounded up to a multiple of 8), linked at the tail of the
// unmarked list; the caller constructs the object in it. Destroys at least `size` bytes of
// garbage first, while there is garbage.
gc_object* gc_object_alloc(int size);
// Returns a block whose destructor has run: small blocks to the size cache, others to the heap.
void gc_object_free(gc_object* p);

// Number of blocks currently waiting in gc_cache[size_class].
int gc_cache_count(int size_class);

// ---------------------------------------------------------------------------------------------
// Marking and the write barrier
// ---------------------------------------------------------------------------------------------

inline bool gc_is_white(const gc_object* p) {
    return (p->flags & 3) == gc_markbit;
}

void gc_mark_q_object(gc_object* p);    // grey a white object: tail of the queue
void gc_mark_now_object(gc_object* p);  // blacken a white object and scan it at once

// The collected object behind a pointer to a collected class or to one of its interfaces.
template <class T>
inline gc_object* gc_object_of(T* p) {
    if constexpr (std::is_base_of_v<gc_object, T>) {
        return p;
    } else {
        static_assert(std::is_base_of_v<gc_interface, T>,
                      "only collected objects and their interfaces can be marked");
        return p ? dynamic_cast<gc_object*>(p) : nullptr;
    }
}

template <class T>
inline void gc_mark_q(T* p) {
    gc_mark_q_object(gc_object_of(p));
}

template <class T>
inline void gc_mark_now(T* p) {
    gc_mark_now_object(gc_object_of(p));
}

// Arrays of object references longer than kGcArraySlice elements are not scanned at once when
// they are reached: the array's mark() hands the scan to the collector (gc_mark_in_slices), which
// then marks its elements kGcArraySlice at a time through `marker` as part of the marking work of
// this and later steps, resuming where the last slice stopped, so that no step pays for a whole
// long array. This is sound with the write barrier below: the array is already black while its
// scan is pending, and every element stored into it meanwhile, in the scanned part or not, is
// greyed by gc_assign; a cycle never finishes with a scan pending.
constexpr int kGcArraySlice = 256;
using gc_slice_marker = void (*)(gc_object* array, int from, int to);
void gc_mark_in_slices(gc_object* array, int length, gc_slice_marker marker);
// Arrays whose scan is still pending (for tests).
int gc_pending_array_scans();

// The write barrier: every store of an object pointer into a field, a global or an array element
// goes through here. The stored object is greyed whatever the colour of its holder, so an object
// that is reachable only through a field written during a cycle still gets scanned.
template <class T, class U>
inline T* gc_assign(T*& field, U* value) {
    gc_mark_q(value);
    field = value;
    return field;
}

template <class T>
inline T* gc_assign(T*& field, std::nullptr_t) {
    field = nullptr;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The step
// ---------------------------------------------------------------------------------------------

// Greys every registered root, in rank order.
void gc_mark();
// Scans grey objects and pending array slices until gc_marked_bytes, plus 8 bytes for each array
// element a slice looked at, reaches `target`, or nothing is left to scan.
void gc_mark_queued(int target);
// One collector step, run by the host after every callback into the application: blackens the
// delegate, then marks in proportion to what was allocated, or finishes the cycle and sweeps
// once more than kGcCycleBytes were allocated since the last sweep.
void gc_collect_step(gc_object* delegate);
// Memory that an object just made holds outside the collector (an image's pixels, a sound's
// samples) counts toward the cycle as if allocated here, so that objects holding much of it are
// swept as soon as if it were theirs: a program that allocates little would otherwise keep every
// image and sound it ever dropped.
void gc_external_bytes(int bytes);

// Start-up: empty lists before the framework's globals exist, roots greyed right after.
void gc_init1();
void gc_init2();

// ---------------------------------------------------------------------------------------------
// Roots
// ---------------------------------------------------------------------------------------------

// The collectable globals, in the order gc_mark() greys them. The layers that own them register
// their addresses at start-up; the runtime does not know their types.
enum gc_root : int {
    GC_ROOT_APP,                 // bb_app__app
    GC_ROOT_DELEGATE,            // bb_app__delegate
    GC_ROOT_GRAPHICS_DEVICE,     // bb_graphics_device
    GC_ROOT_GRAPHICS_CONTEXT,    // bb_graphics_context
    GC_ROOT_AUDIO_DEVICE,        // bb_audio_device
    GC_ROOT_INPUT_DEVICE,        // bb_input_device
    GC_ROOT_RENDER_DEVICE,       // bb_graphics_renderDevice
    GC_ROOT_ASYNCEVENT_CURRENT,  // bb_asyncevent__current
    GC_ROOT_ASYNCEVENT_SOURCES,  // bb_asyncevent__sources
    GC_ROOT_STACK_NIL,           // c_Stack::m_NIL
    GC_ROOT_CREDIT_TEXT,         // bb_Wyndle_CreditText
    GC_ROOT_COUNT
};

// Reads the collected object a root global currently holds (null when it holds none).
using gc_root_reader = gc_object* (*)(const void* slot);
void gc_register_root_slot(gc_root rank, const void* slot, gc_root_reader reader);
void gc_unregister_root(gc_root rank);
// The object the root of `rank` holds now, or null when it is unregistered or empty.
gc_object* gc_root_object(gc_root rank);

// Registers a pointer global (`&bb_app__app`) as the root of `rank`, replacing any earlier
// registration of that rank. Array globals have their own overload in runtime/array.h.
template <class T>
void gc_register_root(gc_root rank, T* const* slot) {
    gc_register_root_slot(rank, slot, [](const void* s) -> gc_object* {
        return gc_object_of(*static_cast<T* const*>(s));
    });
}

// ---------------------------------------------------------------------------------------------
// Test and tool support
// ---------------------------------------------------------------------------------------------

// While on, every step finishes a whole cycle and sweeps, as if kGcCycleBytes had been
// allocated, and then marks everything reachable for the next cycle at once, so that every live
// object is black while the application runs. A missing mark() entry or write barrier then
// loses an object at the next step instead of once in a long while. For tests and tools; the
// game never switches it on.
void gc_set_stress(bool on);
bool gc_stress();

// Destroys every collected object on every list, empties the cache, forgets the roots and
// zeroes the counters, leaving the collector as at start-up. Pointers to collected objects that
// the caller still holds dangle afterwards: for test fixtures only.
void gc_reset();

// True when `p` is the address of an object the collector holds in one of its lists (live or
// awaiting destruction). Linear in the heap: for diagnostics only.
bool gc_is_known_object(const void* p);
