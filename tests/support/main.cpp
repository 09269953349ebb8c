// main() of every test executable. In the sanitizer build the collector runs in stress mode, so
// every collector step finishes a cycle and sweeps: a missing mark() entry or write barrier in
// any layer then shows up as a use of a destroyed object, which the address sanitizer reports.
#include <gtest/gtest.h>

#include "runtime/gc.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifdef DROPLING_SANITIZE
    gc_set_stress(true);
#endif
    return RUN_ALL_TESTS();
}
