// _wfopen with names outside ASCII, and ShellExecuteA: the web address
// reaches the opener untouched as one argument, never a shell, and no child
// is left behind.
//
// The opener is a stub script put first on PATH that reports its working
// directory and arguments through a named pipe, so the test waits for it by
// reading, without sleeping.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix_compat.h"
#include "tests/support/scratch_dir.h"

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(WideFopen, RoundTripsNamesOutsideAscii) {
    ScratchDir dir;
    struct Case {
        std::u16string name;
        std::string utf8;  // what the file system must hold
    };
    const Case cases[] = {
        {u"plain.txt", "plain.txt"},
        {u"caf\u00e9.txt", "caf\xC3\xA9.txt"},
        {u"\u4E2D\u6587.sav", "\xE4\xB8\xAD\xE6\x96\x87.sav"},
        // A surrogate pair is one character: four bytes, not two times three.
        {u"drop\U0001F600.txt", "drop\xF0\x9F\x98\x80.txt"},
        // A lone high surrogate still makes a name, not a cut-off one.
        {std::u16string(u"half") + char16_t(0xD83D) + u".txt", "half\xED\xA0\xBD.txt"},
    };
    const std::string root = dir.path().string();
    const std::u16string base(root.begin(), root.end());
    for (const Case& c : cases) {
        const std::string path = dir / c.utf8;
        std::u16string wide = base + u"/" + c.name;
        FILE* f = _wfopen(wide.c_str(), u"wb");
        ASSERT_NE(f, nullptr) << c.utf8;
        std::fputs("saved", f);
        std::fclose(f);
        ASSERT_TRUE(Exists(path)) << c.utf8;

        f = _wfopen(wide.c_str(), u"rb");
        ASSERT_NE(f, nullptr) << c.utf8;
        char buf[16] = {};
        EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 5u);
        EXPECT_STREQ(buf, "saved");
        std::fclose(f);
    }
}

TEST(WideFopen, FailsLikeFopen) {
    ScratchDir dir;
    const std::string missing8 = dir / "no/such";
    const std::u16string missing(missing8.begin(), missing8.end());
    errno = 0;
    EXPECT_EQ(_wfopen(missing.c_str(), u"rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(_wfopen(nullptr, u"rb"), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_wfopen(u"x", nullptr), nullptr);
}

// Puts a stub opener first on PATH for the life of the fixture.
class StubOpener : public ::testing::Test {
protected:
    void SetUp() override {
        fifo_ = bin_ / "report";
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
        const std::string stub = bin_ / "xdg-open";
        std::ofstream(stub) << "#!/bin/sh\n"
                               "printf '%s\\0' \"$(pwd -P)\" \"$#\" \"$@\" > \"$STUB_REPORT\"\n";
        ASSERT_EQ(chmod(stub.c_str(), 0700), 0);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (bin_.path().string() + ":/usr/bin:/bin").c_str(), 1);
        setenv("STUB_REPORT", fifo_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", oldPath_.c_str(), 1);
        unsetenv("STUB_REPORT");
    }

    // The stub's report: working directory, argument count, arguments.
    // Blocks until the stub has written it; only call after a successful start.
    std::vector<std::string> ReadReport() {
        std::ifstream in(fifo_, std::ios::binary);
        std::vector<std::string> fields;
        std::string field;
        while (std::getline(in, field, '\0'))
            fields.push_back(field);
        return fields;
    }

    ScratchDir bin_;
    std::string fifo_;
    std::string oldPath_;
};

TEST_F(StubOpener, PassesTheUrlAsOneUntouchedArgumentWithoutAShell) {
    ScratchDir work;
    const std::string trap = work / "pwned";
    const std::string url = "http://example.invalid/a b?q=1;touch " + trap + "&x=$(touch " + trap +
                            ")`touch " + trap + "`|cat 'it''s' \"dq\" * > " + trap + " \\n";
    HINSTANCE r = ShellExecuteA(nullptr, "open", url.c_str(), "--ignored", work.path().c_str(),
                                SW_SHOWNORMAL);
    ASSERT_GT(ShellExecuteResult(r), 32);
    std::vector<std::string> report = ReadReport();
    ASSERT_EQ(report.size(), 3u);
    char real[4096];
    ASSERT_NE(realpath(work.path().c_str(), real), nullptr);
    EXPECT_EQ(report[0], real) << "the directory argument is the opener's working directory";
    EXPECT_EQ(report[1], "1") << "parameters are not passed on";
    EXPECT_EQ(report[2], url);
    EXPECT_FALSE(Exists(trap)) << "something interpreted the address";

    // No operation means "open".
    ASSERT_GT(ShellExecuteResult(ShellExecuteA(nullptr, nullptr, "file:///x", nullptr, nullptr, 1)),
              32);
    report = ReadReport();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[2], "file:///x");

    // The detached opener was never our child, and the process in between
    // has been reaped: nothing is left to wait for.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(StubOpener, RefusesWhatItCannotOpen) {
    // An opener started by mistake reports to nobody, so it cannot block.
    setenv("STUB_REPORT", "/dev/null", 1);
    struct Case {
        const char* operation;
        const char* file;
        const char* directory;
        std::intptr_t result;
    };
    const Case cases[] = {
        {"print", "http://example.invalid/", nullptr, SE_ERR_NOASSOC},
        {"open", nullptr, nullptr, SE_ERR_FNF},
        {"open", "", nullptr, SE_ERR_FNF},
        {"open", "--help", nullptr, SE_ERR_FNF},  // would be read as an option
        {"open", "-", nullptr, SE_ERR_FNF},
        // The opener is found but cannot start in a directory that is not there.
        {"open", "http://example.invalid/", "/nonexistent/dropling", SE_ERR_FNF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShellExecuteResult(
                      ShellExecuteA(nullptr, c.operation, c.file, nullptr, c.directory, 1)),
                  c.result)
            << c.operation << " " << (c.file ? c.file : "(null)");
    }

    // No opener anywhere on PATH.
    ScratchDir empty;
    setenv("PATH", empty.path().c_str(), 1);
    EXPECT_EQ(ShellExecuteResult(
                  ShellExecuteA(nullptr, "open", "http://example.invalid/", nullptr, nullptr, 1)),
              SE_ERR_FNF);
}

}  // namespace
