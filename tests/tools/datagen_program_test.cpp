// The generator as a whole: it makes the same bytes every time, and the
// program reports bad use and unwritable folders with a message and a
// failing exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/tools/data_files.h"
#include "tools/datagen/generate.h"

using namespace datagen_test;

namespace {

struct ProgramRun {
    int status = -1;
    std::string output;
};

ProgramRun runProgram(const std::string& args) {
    ProgramRun r;
    std::string command = std::string(DROPLING_DATAGEN_PROGRAM) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, pipe))
        r.output.append(buf, n);
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

}  // namespace

TEST(DataGenerator, MakesTheSameBytesAsTheBuildDid) {
    // The build ran the program; this runs the same code in this process.
    std::vector<datagen::DataFile> files = datagen::buildDataTree();
    EXPECT_GE(files.size(), 80u);
    for (const datagen::DataFile& f : files) {
        std::vector<uint8_t> onDisk;
        ASSERT_TRUE(readFile(dataPath(f.path), onDisk)) << f.path << " is missing";
        EXPECT_TRUE(onDisk == f.bytes) << f.path << " differs from one run to the next";
    }
}

TEST(DataGenerator, ProgramReportsBadUseAndUnwritableFolders) {
    ProgramRun usage = runProgram("");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.output.find("usage:"), std::string::npos) << usage.output;

    // A folder below a regular file cannot be made, even by root.
    ProgramRun blocked = runProgram("/dev/null/data");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.output.find("datagen: cannot create /dev/null/data"), std::string::npos)
        << blocked.output;
}
