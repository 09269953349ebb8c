// Files, paths and the state store: the path tables, reading data in blocks
// around the block size, the state file's encoding and round trip, and the
// state store's failure paths (a short write, a file that cannot be made, a
// directory that is gone), each of which must leave the previous state file
// exactly as it was. Every test runs in a fresh temporary working directory,
// since the state file lives in the working directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "host/glfwgame.h"
#include "tests/host/host_fixture.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf8Of(const String& s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i)
        out += std::to_string(s[i]) + " ";
    return out;
}

class FilesTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        char pattern[] = "/tmp/dropling-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HostTest::TearDown();
    }

    fs::path dir_;
    fs::path old_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------

TEST_F(FilesTest, PathToFilePathMapsSchemesAndLeavesOtherPathsAlone) {
    const struct {
        const char* path;
        const char* file;
    } cases[] = {
        {"vantor://data/music/a.ogg", "./data/music/a.ogg"},
        {"vantor://internal/x", "./internal/x"},
        {"vantor://external/y/z.txt", "./external/y/z.txt"},
        {"vantor://other/x", ""},
        {"vantor:data/x", ""},
        {"vantor://data", ""},
        {"C:/x", "C:/x"},
        {"./x", "./x"},
        {"gfx/a.png", "gfx/a.png"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host_->PathToFilePath(String(c.path)), String(c.file)) << c.path;
    }
}

TEST_F(FilesTest, FixDataPathPrefixesOnlyPlainAssetNames) {
    const struct {
        const char* path;
        const char* fixed;
    } cases[] = {
        {"gfx/a.png", "vantor://data/gfx/a.png"},
        {"a.png", "vantor://data/a.png"},
        {"./gfx/a.png", "./gfx/a.png"},
        {"/gfx/a.png", "/gfx/a.png"},
        {"vantor://data/a.png", "vantor://data/a.png"},
        {"http://example.org/a", "http://example.org/a"},
        // The first slash does not follow the colon: not a scheme.
        {"a:b/c", "vantor://data/a:b/c"},
        {"a/b:/c", "vantor://data/a/b:/c"},
        {"", "vantor://data/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bb_data_FixDataPath(String(c.path)), String(c.fixed)) << c.path;
    }
}

TEST_F(FilesTest, OpenFileOfAnUnknownSchemeFailsEvenIfSuchAFileExists) {
    fs::create_directories("vantor:/other");
    WriteBytes("vantor:/other/x", "x");
    EXPECT_EQ(host_->OpenFile(String("vantor://other/x"), String("rb")), nullptr);
    EXPECT_EQ(host_->OpenFile(String("vantor:/other/x"), String("rb")), nullptr);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

TEST_F(FilesTest, LoadDataReadsWholeFilesAroundTheBlockSize) {
    fs::create_directories("data");
    for (int size : {0, 1, 4095, 4096, 4097, 8192, 12289}) {
        std::string bytes(static_cast<size_t>(size), '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + size) & 0xFF);
        WriteBytes("data/blob.bin", bytes);

        int length = -1;
        unsigned char* data = host_->LoadData(String("vantor://data/blob.bin"), &length);
        ASSERT_NE(data, nullptr) << size;
        EXPECT_EQ(length, size);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(length)), bytes)
            << size;
        free(data);
    }
}

// A length of 2^30 + 1 still fits the int the length is handed back in; the
// file is sparse, so only the reading costs anything.
TEST_F(FilesTest, LoadDataReadsAFileOfOverAGibibyte) {
    constexpr off_t kBytes = (off_t{1} << 30) + 1;
    {
        std::ofstream out("big.bin", std::ios::binary);
        out.seekp(kBytes - 1);
        out.put('z');
    }
    int length = 0;
    unsigned char* data = host_->LoadData(String("big.bin"), &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, kBytes);
    EXPECT_EQ(data[kBytes - 1], 'z');
    free(data);
}

TEST_F(FilesTest, LoadingMissingFilesGivesNullOrEmpty) {
    int length = 12345;
    EXPECT_EQ(host_->LoadData(String("vantor://data/missing.bin"), &length), nullptr);
    fs::create_directory("folder");
    EXPECT_EQ(host_->LoadData(String("folder"), &length), nullptr);
    EXPECT_EQ(length, 12345);
    EXPECT_EQ(host_->LoadString(String("missing.txt")).Length(), 0);
    EXPECT_EQ(host_->LoadState().Length(), 0);
    int w = 0, h = 0, d = 0;
    EXPECT_EQ(host_->LoadImageData(String("vantor://data/missing.png"), &w, &h, &d), nullptr);
}

// ---------------------------------------------------------------------------
// The state store
// ---------------------------------------------------------------------------

TEST_F(FilesTest, StateIsStoredAsUtf8AndReadsBack) {
    const struct {
        const char16_t* state;
        int length;
        const char* bytes;
        int lost = 0;  // leading characters that do not come back
    } cases[] = {
        {u"", 0, ""},
        {u"score=120;opts=1", 16, "score=120;opts=1"},
        {u"\u00e9", 1, "\xC3\xA9"},
        {u"\u07ff\u0800", 2, "\xDF\xBF\xE0\xA0\x80"},
        {u"\u20ac", 1, "\xE2\x82\xAC"},
        // Surrogate halves are written one by one and come back as they were.
        {u"\U0001F600", 2, "\xED\xA0\xBD\xED\xB8\x80"},
        // A U+FEFF that is not the first character is ordinary text.
        {u"a\ufeff", 2, "a\xEF\xBB\xBF"},
        // A leading one is taken for a byte order mark on the way back.
        {u"\ufeffhi", 3, "\xEF\xBB\xBFhi", 1},
        {u"\x01\x7f", 2, "\x01\x7f"},
    };
    for (const auto& c : cases) {
        const String state(c.state, c.length);
        ASSERT_EQ(host_->SaveState(state), 0);
        EXPECT_EQ(ReadBytes(kStateFileName), std::string(c.bytes)) << Utf8Of(state);
        EXPECT_EQ(host_->LoadState(), String(c.state + c.lost, c.length - c.lost)) << Utf8Of(state);
    }
}

TEST_F(FilesTest, AStateFileEditedIntoUtf16StillLoads) {
    WriteBytes(kStateFileName, std::string("\xFF\xFE"
                                           "a\0\xE9\0z\0",
                                           8));
    EXPECT_EQ(host_->LoadState(), String(u"a\u00e9z"));
    WriteBytes(kStateFileName, std::string("\xFE\xFF\0a\x20\xAC", 6));
    EXPECT_EQ(host_->LoadState(), String(u"a\u20ac"));
}

// A write that fails part-way (here: the process may not write files beyond a
// few bytes) must leave the previous state untouched and report -2. The
// small state fails when the buffered bytes are flushed, the large one in the
// write itself.
TEST_F(FilesTest, AFailedWriteKeepsThePreviousStateByteForByte) {
    const std::string previous = "previous state \xC3\xA9 kept";
    for (int size : {100, 100000}) {
        WriteBytes(kStateFileName, previous);
        const ChildResult r = RunInChild([size] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16;
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(BBGame::_game->SaveState(String(std::string(size, 'x').c_str())) + 10);
        });
        EXPECT_EQ(r.status - 10, -2) << size;
        EXPECT_EQ(ReadBytes(kStateFileName), previous) << size;
        EXPECT_FALSE(fs::exists(kStateTempFileName)) << size;
    }
}

// The user a saving child drops to when the tests run as root, who may write
// anywhere.
constexpr uid_t kNobody = 65534;

// SaveState(state) in a child running in `folder` as an ordinary user; its
// result.
int SaveAsPlayer(const char* folder, const char* state) {
    const ChildResult r = RunInChild([&] {
        if (geteuid() == 0) {
            for (const auto& e : fs::recursive_directory_iterator("."))
                if (lchown(e.path().c_str(), kNobody, kNobody) != 0) _exit(99);
            if (chown(".", kNobody, kNobody) != 0 || setgid(kNobody) != 0 ||
                setuid(kNobody) != 0)
                _exit(99);
        }
        if (chdir(folder) != 0) _exit(98);
        _exit(BBGame::_game->SaveState(String(state)) + 10);
    });
    return r.status - 10;
}

// Each case saves "new" over an old state and leaves no temporary file.
TEST_F(FilesTest, SavingReplacesTheWholeStateInPlaceThroughLinksAndNeverOverAReadOnlyOne) {
    const struct {
        const char* name;
        std::function<void()> setUp;
        const char* folder;
        int result;
        const char* file;  // where the state must be, and what it must hold
        const char* holds;
    } cases[] = {
        {"a longer state", [] { WriteBytes(kStateFileName, "a much longer old state"); }, ".",
         0, kStateFileName, "new"},
        // Everything is written, but the rename cannot replace a folder.
        {"a folder in the state file's place",
         [] {
             fs::create_directory(kStateFileName);
             WriteBytes(fs::path(kStateFileName) / "inside", "old");
         },
         ".", -2, ".vantorstate/inside", "old"},
        {"folder without write permission",
         [] {
             fs::create_directory("player");
             WriteBytes("player/.vantorstate", "old");
             fs::permissions("player", fs::perms::owner_read | fs::perms::owner_exec);
         },
         "player", 0, "player/.vantorstate", "new"},
        {"link to the real file",
         [] {
             fs::create_directory("real");
             WriteBytes("real/state", "old");
             fs::create_symlink("real/state", kStateFileName);
         },
         ".", 0, "real/state", "new"},
        {"something in the temporary file's place",
         [] {
             WriteBytes(kStateFileName, "old");
             fs::create_directory(kStateTempFileName);
         },
         ".", 0, kStateFileName, "new"},
        {"read-only state file",
         [] {
             WriteBytes(kStateFileName, "old");
             fs::permissions(kStateFileName, fs::perms::owner_read);
         },
         ".", -1, kStateFileName, "old"},
    };
    for (const auto& c : cases) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir_))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        for (const auto& e : fs::directory_iterator(dir_))
            fs::remove_all(e.path());
        c.setUp();
        EXPECT_EQ(SaveAsPlayer(c.folder, "new"), c.result) << c.name;
        fs::permissions(c.folder, fs::perms::owner_all, fs::perm_options::add, ec);
        EXPECT_EQ(ReadBytes(c.file), c.holds) << c.name;
        EXPECT_FALSE(fs::is_regular_file(fs::path(c.folder) / kStateTempFileName)) << c.name;
    }
}

TEST_F(FilesTest, AWorkingDirectoryThatIsGoneReturnsMinusOne) {
    // Not even root can create a file in a directory that no longer exists.
    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove(dir_ / "gone");
    EXPECT_EQ(host_->SaveState(String("new")), -1);
    EXPECT_EQ(host_->LoadState().Length(), 0);
}
