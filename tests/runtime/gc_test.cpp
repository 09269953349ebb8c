// Tests of the collector: allocation and the header, the write barrier, the sweep and lazy
// destruction, the size cache, pacing of the incremental step, long arrays marked in slices, the
// roots, the shared empty arrays and the stress mode. Each test starts from a clean collector
// (gc_reset) with the stress mode off, because most of them check exactly when a cycle ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "runtime/runtime.h"
#include "tests/support/child_process.h"
#include "tests/support/gc_fixture.h"

namespace {

int g_destroyed = 0;        // Node destructors run
int g_blobs_destroyed = 0;  // Blob destructors run

// A collected object with one object field, counting its destructions.
struct Node : Object {
    Node* next = nullptr;
    ~Node() override { ++g_destroyed; }
    void mark() override { gc_mark_q(next); }
};

// Blocks of a chosen size: the object itself needs only the header.
struct Blob : gc_object {
    ~Blob() override { ++g_blobs_destroyed; }
};

Blob* new_blob(int size) {
    return new (gc_object_alloc(size)) Blob;
}

// Stands in for the host's delegate: blackened at the start of every step.
struct Delegate : Object {
    Node* field = nullptr;
    Array<Node*> nodes;
    void mark() override {
        gc_mark_q(field);
        gc_mark_q(nodes);
    }
};

std::vector<gc_object*> list_items(const gc_object& list) {
    std::vector<gc_object*> items;
    for (gc_object* p = list.succ; p != &list; p = p->succ)
        items.push_back(p);
    return items;
}

bool in_list(const gc_object& list, const void* p) {
    const std::vector<gc_object*> items = list_items(list);
    return std::find(items.begin(), items.end(), p) != items.end();
}

// Live: known to the collector and not awaiting destruction.
bool is_live(const void* p) {
    return gc_is_known_object(p) && !in_list(gc_free_list, p);
}

int size_of(const gc_object* p) {
    return p->flags & ~3;
}

// Allocates (and drops) garbage blobs of `bytes` in total, driving lazy destruction.
void allocate_garbage(int bytes) {
    for (int done = 0; done < bytes; done += 1024)
        new_blob(1024);
}

class Collector : public GcPacingTest {
protected:
    void SetUp() override {
        GcPacingTest::SetUp();
        Restart();
    }
    // A clean collector with a delegate and a registered root, both empty, as in the program.
    void Restart() {
        gc_reset();
        g_destroyed = g_blobs_destroyed = 0;
        root = nullptr;
        gc_register_root(GC_ROOT_APP, &root);
        delegate = new Delegate;
    }
    // Finishes the current cycle at the next step by pretending a whole cycle's worth of bytes
    // was allocated since the last sweep.
    void StepWithSweep() {
        gc_new_bytes = kGcCycleBytes + 1;
        gc_collect_step(delegate);
    }

    Node* root = nullptr;
    Delegate* delegate = nullptr;
};

TEST_F(Collector, AllocationRoundsUpAndLinksWhiteAtTheTail) {
    std::vector<gc_object*> expected = {delegate};
    for (int size : {33, 40, 41, 100, 1000})
        expected.push_back(new_blob(size));
    // `new Node()` zero-fills the object, header included, before its constructors run.
    expected.push_back(new Node());
    std::vector<int> white_sizes;  // -1 for an object that is not white
    int total = 0;
    for (gc_object* p : expected) {
        white_sizes.push_back(gc_is_white(p) ? size_of(p) : -1);
        total += size_of(p);
    }
    EXPECT_EQ(white_sizes,
              (std::vector<int>{int(sizeof(Delegate)), 40, 40, 48, 104, 1000, int(sizeof(Node))}));
    EXPECT_EQ(list_items(gc_unmarked_list), expected);
    EXPECT_EQ(expected.back()->pred, expected[expected.size() - 2]);
    EXPECT_EQ(std::vector<int>({gc_alloced_bytes, gc_new_bytes, gc_max_alloced_bytes}),
              std::vector<int>(3, total));
}

struct Throwing : Object {
    Throwing() {
        gc_assign(captured, this);  // greyed before the constructor fails
        throw std::runtime_error("constructor failed");
    }
    static Throwing* captured;
};
Throwing* Throwing::captured = nullptr;

TEST_F(Collector, ConstructorThatThrowsGivesItsBlockBack) {
    const int alloced = gc_alloced_bytes;
    EXPECT_THROW(new Throwing, std::runtime_error);
    EXPECT_EQ(gc_alloced_bytes, alloced);
    EXPECT_EQ(list_items(gc_unmarked_list), std::vector<gc_object*>{delegate});
    EXPECT_TRUE(list_items(gc_queued_list).empty());
    EXPECT_EQ(gc_free_bytes, 0);
}

TEST_F(Collector, GarbageIsDestroyedOnlyByAllocationsAfterItsSweep) {
    const int node_bytes = size_of(new Node);  // held only by a local of the "callback"
    for (int i = 0; i < 10; ++i)
        new_blob(1024);
    std::vector<std::pair<int, int>> destroyed;  // (nodes, blobs) after each stage
    auto stage = [&] { destroyed.emplace_back(g_destroyed, g_blobs_destroyed); };
    gc_collect_step(delegate);  // an ordinary step: no sweep
    stage();
    StepWithSweep();  // garbage now, destroyed by later allocations
    stage();
    EXPECT_EQ(gc_free_bytes, 10 * 1024 + node_bytes);
    new_blob(2048);  // destroys at least as many bytes as it takes: the node and two blobs
    stage();
    new_blob(100);  // still at least one
    stage();
    EXPECT_EQ(destroyed, (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {1, 2}, {1, 3}}));
}

TEST_F(Collector, AnObjectStoredWithTheBarrierDuringACycleSurvivesItsSweep) {
    gc_collect_step(delegate);  // the delegate is black for this cycle
    Node* kept = new Node;
    Node* dropped = new Node;
    gc_assign(delegate->field, dropped);
    gc_assign(delegate->field, kept);
    StepWithSweep();  // both were greyed this cycle: both survive it
    new_blob(4096);
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_TRUE(is_live(kept));
    EXPECT_TRUE(is_live(dropped));
    StepWithSweep();  // only what is still reachable survives the next one
    EXPECT_TRUE(is_live(kept));
    EXPECT_FALSE(is_live(dropped));
}

// A long array is scanned a slice at a time over later steps; stores into it meanwhile, in the
// scanned part or not, go through the barrier, and nothing it holds at the sweep is lost, in an
// array of nodes and in an array of such arrays.
TEST_F(Collector, LongArrayMarkedAcrossStepsKeepsEveryElementThroughTheBarrier) {
    constexpr int kLength = 3 * kGcArraySlice + 7;
    struct Store {
        const char* what;
        int to, from;  // from < 0: a new node; from == to: null
    };
    const Store stores[] = {
        {"new node into the scanned part", 1, -1},
        {"new node into the part not yet scanned", kLength - 2, -1},
        {"unscanned element moved into the scanned part", 2, kLength - 1},
        {"its old slot emptied", kLength - 1, kLength - 1},
        {"scanned element moved into the unscanned part", 2 * kGcArraySlice + 1, 3},
    };
    for (bool nested : {false, true}) {
        SCOPED_TRACE(nested ? "array of arrays" : "array of nodes");
        Restart();
        Array<Array<Node*>> outer;
        gc_register_root(GC_ROOT_APP, &outer);
        outer = Array<Array<Node*>>(nested ? kLength : 1);
        gc_mark();
        Array<Node*> nodes(kLength);
        for (int i = 0; i < kLength; ++i)
            gc_assign(nodes[i], new Node);
        gc_assign(outer[nested ? kLength - 1 : 0], nodes);
        StepWithSweep();  // a fresh cycle: everything white, the root grey

        // Mark until the node array has had its first slice only.
        for (int call = 0; call < 2 * kLength && !in_list(gc_marked_list, nodes[0]); ++call)
            gc_mark_queued(gc_marked_bytes + 1);
        ASSERT_EQ(gc_pending_array_scans(), 1);
        EXPECT_TRUE(gc_is_white(nodes[kGcArraySlice])) << "the rest waits for later steps";

        int dropped = 0;
        for (const Store& st : stores) {
            if (nodes[st.to] && st.from != st.to) ++dropped;
            if (st.from == st.to) {
                gc_assign(nodes[st.to], nullptr);
            } else {
                gc_assign(nodes[st.to], st.from < 0 ? new Node : nodes[st.from]);
            }
            gc_collect_step(delegate);  // a step that marks a little more
        }
        // Two sweeps: what was dropped from the scanned part is black and lasts one more cycle.
        StepWithSweep();
        StepWithSweep();
        allocate_garbage(64 * 1024);
        EXPECT_EQ(gc_pending_array_scans(), 0);
        for (int i = 0; i < kLength; ++i)
            ASSERT_TRUE(!nodes[i] || is_live(nodes[i])) << i;
        EXPECT_EQ(g_destroyed, dropped);
    }
}

std::vector<int> cache_counts() {
    std::vector<int> counts;
    for (int c = 0; c < kGcCacheClasses; ++c)
        counts.push_back(gc_cache_count(c));
    return counts;
}

TEST_F(Collector, BlocksUnder64BytesComeBackFromTheSizeCache) {
    Blob* b40 = new_blob(36);
    Blob* b56 = new_blob(56);
    new_blob(64);
    StepWithSweep();
    std::vector<int> expected = cache_counts();
    allocate_garbage(1024);  // destroys all three: the 64-byte block goes back to the heap
    ASSERT_EQ(g_blobs_destroyed, 3);
    expected[5] += 1;
    expected[7] += 1;
    EXPECT_EQ(cache_counts(), expected);

    EXPECT_EQ((std::vector<gc_object*>{new_blob(33), new_blob(49)}),
              (std::vector<gc_object*>{b40, b56}));
    expected[5] -= 1;
    expected[7] -= 1;
    EXPECT_EQ(cache_counts(), expected);
}

TEST_F(Collector, TenMebibytesOrExternalBytesBetweenTwoStepsFinishTheCycle) {
    root = new Node;
    gc_assign(root->next, new Node);
    gc_mark();
    gc_collect_step(delegate);
    int markbit = gc_markbit;

    Array<int> big(10 * 1024 * 1024 / 4);  // 10 MiB, dropped at once
    EXPECT_GT(gc_new_bytes, kGcCycleBytes);
    gc_collect_step(delegate);

    EXPECT_EQ(gc_markbit, markbit ^ 1);
    EXPECT_EQ(std::make_pair(gc_new_bytes, gc_marked_bytes), std::make_pair(0, 0));
    EXPECT_TRUE(in_list(gc_free_list, big.GetRep()));
    // Survivors are white again, except the root, which is grey for the next cycle.
    EXPECT_EQ(list_items(gc_queued_list), std::vector<gc_object*>{root});
    EXPECT_EQ(list_items(gc_unmarked_list), (std::vector<gc_object*>{delegate, root->next}));
    EXPECT_EQ(gc_alloced_bytes, size_of(root) + size_of(root->next) + size_of(delegate));

    // Memory a new object holds outside the collector counts the same way.
    markbit = gc_markbit;
    Node* dropped = new Node;
    gc_external_bytes(kGcCycleBytes);
    gc_collect_step(delegate);
    EXPECT_EQ(gc_markbit, markbit ^ 1);
    EXPECT_TRUE(in_list(gc_free_list, dropped));
}

TEST_F(Collector, IncrementalStepMarksInProportionToAllocation) {
    // A live chain of 4096 nodes of 1 KiB behind a root; each scanned node greys the next.
    constexpr int kNodeBytes = 1024;
    root = new (gc_object_alloc(kNodeBytes)) Node;
    Node* tail = root;
    for (int i = 1; i < 4096; ++i)
        tail = gc_assign(tail->next, new (gc_object_alloc(kNodeBytes)) Node);
    gc_mark();

    for (int new_bytes : {256 * 1024, 2 * 1024 * 1024}) {
        SCOPED_TRACE(new_bytes);
        StepWithSweep();  // fresh cycle: the chain white, the root grey
        allocate_garbage(new_bytes);
        ASSERT_EQ(gc_new_bytes, new_bytes);
        std::int64_t target = new_bytes + static_cast<std::int64_t>(gc_alloced_bytes - new_bytes) *
                                              new_bytes / kGcCycleBytes;
        gc_collect_step(delegate);
        // Scanning stops with the first node that reaches the target.
        EXPECT_GE(gc_marked_bytes, target);
        EXPECT_LT(gc_marked_bytes - kNodeBytes, target);
    }
}

TEST_F(Collector, StartUpGreysTheRootsInRankOrder) {
    struct Source : gc_interface {};
    struct SourceObject : Object, Source {};
    Node* context = nullptr;
    Source* current = nullptr;
    Array<String> credits;
    gc_register_root(GC_ROOT_CREDIT_TEXT, &credits);
    gc_register_root(GC_ROOT_ASYNCEVENT_CURRENT, &current);
    gc_register_root(GC_ROOT_GRAPHICS_CONTEXT, &context);
    root = new Node;
    context = new Node;
    SourceObject* source = new SourceObject;
    current = source;
    credits = Array<String>(50);
    gc_init2();
    EXPECT_EQ(list_items(gc_queued_list),
              (std::vector<gc_object*>{root, context, source, credits.GetRep()}));

    gc_unregister_root(GC_ROOT_GRAPHICS_CONTEXT);
    EXPECT_EQ(gc_root_object(GC_ROOT_GRAPHICS_CONTEXT), nullptr);
    EXPECT_EQ(gc_root_object(GC_ROOT_ASYNCEVENT_CURRENT), source);
}

TEST_F(Collector, SharedEmptyArraysAreNeverMarkedOrFreed) {
    Array<Node*> empty_nodes;
    Array<String> empty_strings(0);
    Array<int> negative(-5);
    const gc_object* reps[] = {empty_nodes.GetRep(), empty_strings.GetRep(), negative.GetRep()};
    gc_assign(delegate->nodes, empty_nodes);
    for (int cycle = 0; cycle < 3; ++cycle) {
        gc_mark_q(empty_strings);
        gc_mark_now(negative);
        StepWithSweep();
        allocate_garbage(4096);
        for (const gc_object* rep : reps) {
            EXPECT_EQ(rep->flags, kGcPermanentColour);
            EXPECT_FALSE(gc_is_known_object(rep));
        }
    }
    EXPECT_EQ(gc_marked_bytes, 0);
}

// The stress mode sweeps at every step and then marks the whole next cycle, so that a store
// without the barrier loses its object at the next step.
TEST_F(Collector, StressModeLosesObjectsStoredWithoutTheBarrier) {
    struct Case {
        const char* fault;
        bool barrier;  // the store goes through gc_assign
        bool in_root;  // stored into an object reached from a root, else into the delegate
    };
    for (Case c : {Case{"none, delegate", true, false}, Case{"none, root object", true, true},
                   Case{"no barrier, delegate", false, false},
                   Case{"no barrier, root object", false, true}}) {
        SCOPED_TRACE(c.fault);
        Restart();
        root = new Node;
        gc_mark();
        Node* garbage = new Node;
        gc_set_stress(true);
        gc_collect_step(delegate);  // as after any earlier callback
        EXPECT_TRUE(in_list(gc_free_list, garbage));
        EXPECT_EQ(list_items(gc_marked_list), (std::vector<gc_object*>{delegate, root}));
        EXPECT_TRUE(list_items(gc_queued_list).empty());

        Node* stored = new Node;  // the callback stores a new object
        Node*& field = c.in_root ? root->next : delegate->field;
        if (c.barrier) {
            gc_assign(field, stored);
        } else {
            field = stored;
        }
        gc_collect_step(delegate);
        new_blob(1024);
        gc_set_stress(false);
        EXPECT_EQ(g_destroyed, c.barrier ? 1 : 2);
        EXPECT_EQ(gc_is_known_object(stored), c.barrier);
    }
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(Collector, UseOfDestroyedSmallObjectIsReportedBySanitizer) {
    // A destroyed block under 64 bytes waits in the size cache instead of going back to the
    // heap; it is poisoned there, so a stale pointer into it is still caught.
    ChildResult r = RunInChild([this] {
        Node* node = new Node;
        ASSERT_LT(size_of(node), kGcCacheLimit);
        StepWithSweep();
        new_blob(1024);
        // Read through raw bytes: a typed access would trip the dynamic-type check first.
        volatile char byte = reinterpret_cast<volatile char*>(node)[16];
        std::printf("%d\n", byte);
    });
    EXPECT_NE(r.status, kChildBodyReturned);
    EXPECT_NE(r.err.find("use-after-poison"), std::string::npos) << r.err;
}
#endif

TEST_F(Collector, ObjectsCompareByIdentity) {
    Object* a = new Object;
    Object* b = new Object;
    EXPECT_EQ(std::make_tuple(a->Equals(a), a->Equals(b), a->Compare(a)),
              std::make_tuple(true, false, 0));
    EXPECT_EQ(a->Compare(b), -b->Compare(a));
    EXPECT_NE(a->Compare(b), 0);
}

TEST_F(Collector, StringArrayReleasesItsElementsWhenDestroyed) {
    const String text = String("shared text");
    {
        Array<String> strings(4);
        strings[0] = text;
        strings[3] = text;
        EXPECT_EQ(text.GetRep()->refs, 3);
    }
    StepWithSweep();
    allocate_garbage(1024);
    EXPECT_EQ(text.GetRep()->refs, 1);
}

}  // namespace
