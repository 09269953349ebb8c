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
#include <string>

#include "host/glfwgame.h"
#include "tests/host/host_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/read_file.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FilesTest : public HostTest {
protected:
    ScratchDir dir_{true};  // the working directory, where the state file lives
};

}  // namespace

// Each path as a file path (empty: leads nowhere) and as an asset name.
TEST_F(FilesTest, PathsMapSchemesToFoldersAndPlainAssetNamesToData) {
    const struct {
        const char *path, *file, *asset;
    } cases[] = {
        {"vantor://data/music/a.ogg", "./data/music/a.ogg", "vantor://data/music/a.ogg"},
        {"vantor://internal/x", "./internal/x", "vantor://internal/x"},
        {"vantor://external/y/z.txt", "./external/y/z.txt", "vantor://external/y/z.txt"},
        // An unknown scheme leads nowhere, even where such a file exists.
        {"vantor://other/x", "", "vantor://other/x"},
        {"vantor://data", "", "vantor://data"},
        // The first slash does not follow the colon: not a scheme.
        {"vantor:data/x", "", "vantor://data/vantor:data/x"},
        {"a:b/c", "a:b/c", "vantor://data/a:b/c"},
        {"a/b:/c", "a/b:/c", "vantor://data/a/b:/c"},
        {"C:/x", "C:/x", "C:/x"},
        {"http://example.org/a", "http://example.org/a", "http://example.org/a"},
        {"gfx/a.png", "gfx/a.png", "vantor://data/gfx/a.png"},
        {"./gfx/a.png", "./gfx/a.png", "./gfx/a.png"},
        {"/gfx/a.png", "/gfx/a.png", "/gfx/a.png"},
        {"", "", "vantor://data/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host_->PathToFilePath(String(c.path)), String(c.file)) << c.path;
        EXPECT_EQ(bb_data_FixDataPath(String(c.path)), String(c.asset)) << c.path;
    }
}

// Whole files around the block size, one of over a gibibyte (its length
// still fits the int it is handed back in; the file is sparse), and nothing
// from a folder or a missing file.
TEST_F(FilesTest, LoadDataReadsWholeFilesAndNothingElse) {
    fs::create_directories("data/folder");
    for (size_t size : {0, 1, 4095, 4096, 4097, 12289}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + size) & 0xFF);
        WriteBytes("data/blob.bin", bytes);
        int length = -1;
        unsigned char* data = host_->LoadData(String("vantor://data/blob.bin"), &length);
        ASSERT_NE(data, nullptr) << size;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), static_cast<size_t>(length)), bytes);
        free(data);
    }
    constexpr long kBig = (1L << 30) + 1;
    std::ofstream("big.bin", std::ios::binary).seekp(kBig - 1).put('z');
    int length = 0;
    unsigned char* data = host_->LoadData(String("big.bin"), &length);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(length, kBig);
    EXPECT_EQ(data[kBig - 1], 'z');
    free(data);
    for (const char* path : {"vantor://data/folder", "vantor://data/missing.bin"}) {
        EXPECT_EQ(host_->LoadData(String(path), &length), nullptr) << path;
        EXPECT_EQ(length, kBig) << path;
    }
    int w = 0, h = 0, d = 0;
    EXPECT_EQ(host_->LoadImageData(String("vantor://data/missing.png"), &w, &h, &d), nullptr);
    EXPECT_EQ(host_->LoadString(String("missing.txt")).Length(), 0);
}

// ---------------------------------------------------------------------------
// The state store
// ---------------------------------------------------------------------------

// Each row saves a state and finds these bytes in the state file, or (not
// saving) finds a file of these bytes; then loads the state back, less the
// characters lost.
TEST_F(FilesTest, StateIsStoredAsUtf8AndLoadsBack) {
    const struct {
        std::u16string state;
        std::string bytes;
        bool saves = true;
        size_t lost = 0;
    } rows[] = {
        {u""s, ""s},
        {u"score=120;opts=1"s, "score=120;opts=1"s},
        {u"\x01\x7f\u00e9\u07ff\u0800\u20ac"s, "\x01\x7f\xC3\xA9\xDF\xBF\xE0\xA0\x80\xE2\x82\xAC"s},
        // Surrogate halves are written one by one and come back as they were.
        {u"\U0001F600"s, "\xED\xA0\xBD\xED\xB8\x80"s},
        // A U+FEFF that is not the first character is ordinary text; a
        // leading one is taken for a byte order mark on the way back.
        {u"a\ufeff"s, "a\xEF\xBB\xBF"s},
        {u"\ufeffhi"s, "\xEF\xBB\xBFhi"s, true, 1},
        // A state file edited into UTF-16, either byte order.
        {u"a\u00e9z"s, "\xFF\xFE\x61\0\xE9\0z\0"s, false},
        {u"a\u20ac"s, "\xFE\xFF\0a\x20\xAC"s, false},
    };
    for (const auto& row : rows) {
        const String state(row.state.data(), static_cast<int>(row.state.size()));
        if (!row.saves) WriteBytes(kStateFileName, row.bytes);
        EXPECT_EQ(row.saves ? host_->SaveState(state) : 0, 0);
        EXPECT_EQ(ReadFile(kStateFileName), row.bytes);
        const std::u16string loaded = row.state.substr(row.lost);
        EXPECT_EQ(host_->LoadState(), String(loaded.data(), static_cast<int>(loaded.size())))
            << row.bytes;
    }
}

// The user a saving child drops to when the tests run as root, who may write
// anywhere.
constexpr uid_t kNobody = 65534;

// Each case writes an old state at `oldAt` (creating its folders), makes
// `readOnly` read-only and runs its own step; then a child, as an ordinary
// user, in `folder`, runs its step and saves a state of `size` bytes. Where
// that succeeds the new state is at `oldAt`, else the old one is, byte for
// byte; no temporary file is left.
TEST_F(FilesTest, SavingReplacesTheWholeStateOrLeavesTheOldOneByteForByte) {
    const auto limitFileSize = [] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const struct {
        const char *name, *oldAt;
        int result;
        const char* folder = ".";
        size_t size = 3;
        const char* readOnly = nullptr;
        std::function<void()> setUp = nullptr, inChild = nullptr;
    } cases[] = {
        {"a shorter state", kStateFileName, 0},
        // The write fails part-way: the small state when the buffered bytes
        // are flushed, the large one in the write itself.
        {"a failed short write", kStateFileName, -2, ".", 100, nullptr, nullptr, limitFileSize},
        {"a failed long write", kStateFileName, -2, ".", 100000, nullptr, nullptr, limitFileSize},
        // Everything is written, but the rename cannot replace a folder.
        {"a folder in the state file's place", ".vantorstate/inside", -2},
        // The state is written in place.
        {"a folder without write permission", "player/.vantorstate", 0, "player", 3, "player"},
        {"something in the temporary file's place", kStateFileName, 0, ".", 3, nullptr,
         [] { fs::create_directory(kStateTempFileName); }},
        {"a link to the real file", "real/state", 0, ".", 3, nullptr,
         [] { fs::create_symlink("real/state", kStateFileName); }},
        {"a read-only state file", kStateFileName, -1, ".", 3, kStateFileName},
        // Not even root can create a file in a folder that no longer exists.
        {"a folder that is gone", kStateFileName, -1, ".", 3, nullptr, nullptr,
         [] {
             if (mkdir("gone", 0700) != 0 || chdir("gone") != 0 || rmdir("../gone") != 0) _exit(97);
         }},
    };
    const std::string old = "an old state \xC3\xA9 kept";
    for (const auto& c : cases) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir_.path()))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        for (const auto& e : fs::directory_iterator(dir_.path()))
            fs::remove_all(e.path());
        fs::create_directories(fs::path(c.oldAt).parent_path());
        WriteBytes(c.oldAt, old);
        if (c.readOnly) fs::permissions(c.readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        if (c.setUp) c.setUp();
        const std::string state(c.size, 'x');
        const ChildResult r = RunInChild([&] {
            if (geteuid() == 0) {
                for (const auto& e : fs::recursive_directory_iterator("."))
                    if (lchown(e.path().c_str(), kNobody, kNobody) != 0) _exit(99);
                if (chown(".", kNobody, kNobody) != 0 || setgid(kNobody) != 0 ||
                    setuid(kNobody) != 0)
                    _exit(99);
            }
            if (chdir(c.folder) != 0) _exit(98);
            if (c.inChild) c.inChild();
            _exit(BBGame::_game->SaveState(String(state.c_str())) + 10);
        });
        EXPECT_EQ(r.status - 10, c.result) << c.name;
        fs::permissions(c.folder, fs::perms::owner_all, fs::perm_options::add, ec);
        EXPECT_EQ(ReadFile(c.oldAt), c.result == 0 ? state : old) << c.name;
        EXPECT_FALSE(fs::is_regular_file(fs::path(c.folder) / kStateTempFileName)) << c.name;
    }
}
