// The collector benchmark: builds a live heap of small objects linked into lists and held by
// arrays, then churns allocations as a game's callbacks would, running one collector step after
// each simulated callback. Reports allocation throughput (beside plain malloc/free of the same
// sizes, measured in the same run), the median and worst step time, the bytes destroyed per
// allocation, the cycles completed and the peak resident memory; then the same run repeated
// (--repeat, 3 in all) and each step's fastest time, which keeps the collector's slow steps and
// drops the machine's. Relies on the runtime only.
//
// Usage: gc_bench [--live-mib N] [--callbacks N] [--allocs N] [--replace N] [--seed N] [--repeat N]
#include <sys/resource.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times are CPU time of this thread: on a shared machine the wall clock also counts the time
// slices other processes take, which would swamp the short steps being measured.
double cpu_ns() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e9 + ts.tv_nsec;
}

// Small objects of four sizes: 40, 48, 56 bytes (cached size classes) and 96 bytes (heap).
constexpr int kObjectSizes[] = {40, 48, 56, 96};
constexpr int kSizeCount = sizeof kObjectSizes / sizeof kObjectSizes[0];
// Lists hang off arrays of this many heads.
constexpr int kHeadsPerArray = 1024;

long long g_destroyed_bytes = 0;

struct Node : Object {
    Node* next = nullptr;
    ~Node() override { g_destroyed_bytes += flags & ~3; }
    void mark() override { gc_mark_q(next); }
};

// The application's object graph: arrays of list heads.
struct World : Object {
    Array<Array<Node*>> tables;
    void mark() override { gc_mark_q(tables); }
};

struct Delegate : Object {};

struct Options {
    int live_mib = 32;
    int callbacks = 20000;
    int allocs = 200;  // garbage objects per callback
    int replace = 20;  // live nodes replaced per callback (the write barrier at work)
    unsigned seed = 12345;
    int repeat = 3;  // runs of the churn, for the per-step minimum
};

// A small deterministic generator, so that runs are comparable.
struct Random {
    unsigned state;
    unsigned next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

Node* new_node(int size) {
    return new (gc_object_alloc(size)) Node;
}

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string cpu_model() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::size_t k = static_cast<std::size_t>(p * (v.size() - 1));
    std::nth_element(v.begin(), v.begin() + k, v.end());
    return v[k];
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return false;
        long v = std::strtol(argv[++i], nullptr, 10);
        if (v < 0) return false;
        if (a == "--live-mib")
            o.live_mib = static_cast<int>(v);
        else if (a == "--callbacks")
            o.callbacks = static_cast<int>(v);
        else if (a == "--allocs")
            o.allocs = static_cast<int>(v);
        else if (a == "--replace")
            o.replace = static_cast<int>(v);
        else if (a == "--seed")
            o.seed = static_cast<unsigned>(v);
        else if (a == "--repeat" && v > 0)
            o.repeat = static_cast<int>(v);
        else
            return false;
    }
    return true;
}

// The same churn through malloc/free, for a side-by-side figure: each "callback" allocates the
// same sizes and frees what a collector would find dead, right away.
double baseline_ns_per_alloc(const Options& o) {
    Random rnd{o.seed};
    long long count = 0;
    std::vector<void*> blocks(o.allocs);
    double start = cpu_ns();
    for (int cb = 0; cb < o.callbacks; ++cb) {
        for (int i = 0; i < o.allocs; ++i) {
            blocks[i] = std::malloc(kObjectSizes[rnd.next() % kSizeCount]);
            std::memset(blocks[i], 0, 32);
        }
        for (int i = 0; i < o.allocs; ++i)
            std::free(blocks[i]);
        count += o.allocs;
    }
    double ns = cpu_ns() - start;
    return ns / count;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: gc_bench [--live-mib N] [--callbacks N] [--allocs N] [--replace N] "
                     "[--seed N] [--repeat N]\n");
        return 2;
    }

    utsname un{};
    uname(&un);
#ifdef NDEBUG
    const char* build = "optimised (NDEBUG)";
#else
    const char* build = "with assertions";
#endif
    std::printf("gc_bench: %s %s, %ld cores online, %s; build %s\n", un.sysname, un.release,
                sysconf(_SC_NPROCESSORS_ONLN), cpu_model().c_str(), build);
    std::printf("gc_bench: times are thread CPU time\n");
    std::printf("gc_bench: live heap %d MiB, %d callbacks of %d garbage + %d replaced objects\n",
                o.live_mib, o.callbacks, o.allocs, o.replace);

    auto simulate = [&](bool report) -> std::vector<double> {
        gc_init1();
        World* world = nullptr;
        gc_register_root(GC_ROOT_APP, &world);
        world = new World;
        Delegate* delegate = new Delegate;
        gc_init2();

        // -- the live heap ---------------------------------------------------------------------
        Random rnd{o.seed};
        long long live_target = static_cast<long long>(o.live_mib) * 1024 * 1024;
        long long live_bytes = 0;
        // Every list has at least one node of at least 40 bytes: this many tables always suffice.
        int max_tables = static_cast<int>(live_target / (kHeadsPerArray * 40LL)) + 1;
        gc_assign(world->tables, Array<Array<Node*>>(max_tables));
        Array<Array<Node*>> all = world->tables;
        int tables = 0;
        auto build_start = Clock::now();
        while (live_bytes < live_target) {
            // Reachable from the root before anything is added, so steps may run while it fills.
            Array<Node*>& heads = gc_assign(all[tables++], Array<Node*>(kHeadsPerArray));
            live_bytes += heads.GetRep()->flags & ~3;
            for (int h = 0; h < kHeadsPerArray && live_bytes < live_target; ++h) {
                // Lists of 1 to 64 nodes.
                int length = 1 + static_cast<int>(rnd.next() % 64);
                for (int k = 0; k < length; ++k) {
                    Node* n = new_node(kObjectSizes[rnd.next() % kSizeCount]);
                    gc_assign(n->next, heads[h]);
                    gc_assign(heads[h], n);
                    live_bytes += n->flags & ~3;
                }
            }
            gc_collect_step(delegate);
        }
        double build_s = std::chrono::duration<double>(Clock::now() - build_start).count();
        if (report)
            std::printf("gc_bench: built %.1f MiB of live objects (%d arrays of %d lists) in %.2f s\n",
                    live_bytes / 1048576.0, tables, kHeadsPerArray, build_s);

        // -- churn ---------------------------------------------------------------------------
        std::vector<double> step_us;
        step_us.reserve(o.callbacks);
        long long allocations = 0;
        long long allocated_bytes = 0;
        g_destroyed_bytes = 0;
        int cycles = 0;
        double alloc_ns = 0;
        double worst_sweep_us = 0;  // steps that finished a cycle
        double worst_mark_us = 0;   // steps that only marked
        for (int cb = 0; cb < o.callbacks; ++cb) {
            double t0 = cpu_ns();
            for (int i = 0; i < o.allocs; ++i) {
                Node* garbage = new_node(kObjectSizes[rnd.next() % kSizeCount]);
                allocated_bytes += garbage->flags & ~3;
            }
            for (int i = 0; i < o.replace; ++i) {
                // Swap a list head for a new node that takes over its tail: the live size stays
                // about the same and the old head becomes garbage.
                Array<Node*>& heads = all[static_cast<int>(rnd.next() % tables)];
                int h = static_cast<int>(rnd.next() % heads.Length());
                if (!heads[h]) continue;
                Node* n = new_node(kObjectSizes[rnd.next() % kSizeCount]);
                allocated_bytes += n->flags & ~3;
                gc_assign(n->next, heads[h]->next);
                gc_assign(heads[h], n);
                ++allocations;
            }
            allocations += o.allocs;
            double t1 = cpu_ns();
            int markbit = gc_markbit;
            gc_collect_step(delegate);
            double t2 = cpu_ns();
            double us = (t2 - t1) / 1e3;
            if (gc_markbit != markbit) {
                ++cycles;
                worst_sweep_us = std::max(worst_sweep_us, us);
            } else {
                worst_mark_us = std::max(worst_mark_us, us);
            }
            alloc_ns += t1 - t0;
            step_us.push_back(us);
        }

        if (!report) return step_us;
        double base_ns = baseline_ns_per_alloc(o);
        double ns_per_alloc = alloc_ns / allocations;
        double total_step_ms = 0;
        for (double s : step_us)
            total_step_ms += s / 1000;
        std::printf(
            "allocation: %.1f ns per object (%.1f M objects/s, %.0f MiB/s), "
            "malloc/free of the same sizes %.1f ns: ratio %.2f\n",
            ns_per_alloc, 1e3 / ns_per_alloc, allocated_bytes / 1048576.0 / (alloc_ns / 1e9), base_ns,
            ns_per_alloc / base_ns);
        std::printf(
            "step: median %.1f us, 99th percentile %.1f us, worst %.1f us, total %.0f ms "
            "over %d steps\n",
            percentile(step_us, 0.5), percentile(step_us, 0.99),
            *std::max_element(step_us.begin(), step_us.end()), total_step_ms,
            static_cast<int>(step_us.size()));
        std::printf("step: worst marking step %.1f us, worst cycle-finishing step %.1f us\n",
                    worst_mark_us, worst_sweep_us);
        // A lone slow step can be the machine (a time slice lost inside the thread's CPU time on a
        // shared virtual machine); a slow step the collector makes comes back every cycle.
        constexpr double kSlowStepUs = 1000;
        std::printf("step: 99.9th percentile %.1f us, steps over 1 ms: %d\n", percentile(step_us, 0.999),
                    static_cast<int>(std::count_if(step_us.begin(), step_us.end(),
                                                   [](double s) { return s > kSlowStepUs; })));
        std::printf(
            "destroyed: %.1f bytes per allocation (%.2f per allocated byte); "
            "%d cycles completed\n",
            static_cast<double>(g_destroyed_bytes) / allocations,
            static_cast<double>(g_destroyed_bytes) / allocated_bytes, cycles);
        std::printf("memory: peak RSS %.1f MiB, gc_max_alloced_bytes %.1f MiB\n",
                    peak_rss_kib() / 1024.0, gc_max_alloced_bytes / 1048576.0);
        return step_us;
        return step_us;
    };

    // Every run builds the same heap and replays the same random sequence, so it does the very
    // same work step for step; the first prints its figures. A step the collector makes slow is
    // slow in every run, while a time slice the machine takes from the thread lands on a
    // different step each time: the per-step minimum over the runs shows the collector's own.
    std::vector<double> fastest;
    for (int run = 0; run < o.repeat; ++run) {
        if (run > 0) gc_reset();
        const std::vector<double> steps = simulate(run == 0);
        if (fastest.empty()) fastest = steps;
        for (size_t k = 0; k < steps.size(); ++k)
            fastest[k] = std::min(fastest[k], steps[k]);
    }
    std::printf("step, fastest of %d runs step by step: median %.1f us, 99.9th percentile %.1f us, "
                "worst %.1f us, steps over 1 ms: %d\n",
                o.repeat, percentile(fastest, 0.5), percentile(fastest, 0.999),
                *std::max_element(fastest.begin(), fastest.end()),
                static_cast<int>(std::count_if(fastest.begin(), fastest.end(),
                                               [](double s) { return s > 1000; })));
    return 0;
}
