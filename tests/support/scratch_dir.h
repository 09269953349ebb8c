// A scratch folder under /tmp for one test: made empty, optionally made the
// working directory (data paths are relative to it), and on the way out the
// old working directory restored and the folder removed with all it holds.
// Relies on POSIX mkdtemp and std::filesystem.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

class ScratchDir {
public:
    explicit ScratchDir(bool enter = false) {
        char pattern[] = "/tmp/dropling-test-XXXXXX";
        EXPECT_NE(mkdtemp(pattern), nullptr);
        path_ = pattern;
        if (enter) std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_, saved_ = std::filesystem::current_path();
};
