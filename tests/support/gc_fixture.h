// Fixtures that give each test a clean collector. GcTest keeps the stress mode that main() chose
// (on in the sanitizer build); GcPacingTest switches it off for tests that measure the
// collector's own pacing. Relies on gc_reset, which destroys every collected object: a test must
// not keep pointers to collected objects across its end.
#pragma once

#include <gtest/gtest.h>

#include "runtime/gc.h"

class GcTest : public ::testing::Test {
protected:
    void SetUp() override { gc_reset(); }
    void TearDown() override { gc_reset(); }
};

class GcPacingTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_stress_ = gc_stress();
        gc_set_stress(false);
        gc_reset();
    }
    void TearDown() override {
        gc_reset();
        gc_set_stress(saved_stress_);
    }

private:
    bool saved_stress_ = false;
};
