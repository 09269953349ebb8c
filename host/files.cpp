// Files, paths and the state store: the mapping of framework paths onto the
// directories beside the program, opening files through the platform's
// 16-bit _wfopen, reading text and binary data, the image and sound loaders,
// the one state string in "./.vantorstate", and opening web addresses.
// Relies on the runtime's String (and its text decoder), the platform layer's
// _wfopen and ShellExecuteA, stb_image and the audio decoders.
//
// Index
//   paths ............ PathToFilePath, bb_data_FixDataPath
//   reading .......... OpenFile, LoadString, LoadData, LoadImageData, LoadAudioData
//   the state store .. SaveState, LoadState
//   web addresses .... OpenUrl
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <stb_image.h>

#include "audio/decoders.h"
#include "host/glfwgame.h"
#include "platform/posix_compat.h"

const char* const kStateFileName = "./.vantorstate";
const char* const kStateTempFileName = "./.vantorstate.tmp";

namespace {

// Reading goes in blocks of this size until a short read.
constexpr size_t kReadBlock = 4096;
// The longest data LoadData hands back: its length must fit an int.
constexpr size_t kMaxDataBytes = INT32_MAX;

struct PathPrefix {
    const char* scheme;
    const char* directory;
};

// Framework path prefixes and the directories they stand for, checked in
// this order.
constexpr PathPrefix kPathPrefixes[] = {
    {"vantor://data/", "./data/"},
    {"vantor://internal/", "./internal/"},
    {"vantor://external/", "./external/"},
};

constexpr const char* kScheme = "vantor:";
constexpr const char* kDataScheme = "vantor://data/";

}  // namespace

// ---------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------

String BBGlfwGame::PathToFilePath(String path) {
    if (!path.StartsWith(String(kScheme))) return path;
    for (const PathPrefix& p : kPathPrefixes) {
        const String scheme(p.scheme);
        if (path.StartsWith(scheme)) return String(p.directory) + path.Slice(scheme.Length());
    }
    // An unknown "vantor:" path leads nowhere; opening it fails without
    // touching the file system.
    return String();
}

String bb_data_FixDataPath(String path) {
    // A scheme: the path's first slash directly follows a colon.
    const int slash = path.Find(String("/"));
    if (slash > 0 && path[slash - 1] == u':') return path;
    if (path.StartsWith(String("./")) || path.StartsWith(String("/"))) return path;
    return String(kDataScheme) + path;
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

FILE* BBGame::OpenFile(String path, String mode) {
    const String file = PathToFilePath(path);
    if (file.Length() == 0) return nullptr;
    return _wfopen(file.ToCString<char16_t>(), mode.ToCString<char16_t>());
}

String BBGame::LoadString(String path) {
    FILE* f = OpenFile(path, String("rb"));
    if (!f) return String();
    String text = String::Load(f);
    fclose(f);
    return text;
}

unsigned char* BBGame::LoadData(String path, int* length) {
    FILE* f = OpenFile(path, String("rb"));
    if (!f) return nullptr;
    size_t size = 0;
    size_t capacity = kReadBlock;
    unsigned char* data = static_cast<unsigned char*>(malloc(capacity));
    bool ok = data != nullptr;
    while (ok) {
        if (capacity - size < kReadBlock && capacity < kMaxDataBytes) {
            capacity = capacity > kMaxDataBytes / 2 ? kMaxDataBytes : capacity * 2;
            auto* grown = static_cast<unsigned char*>(realloc(data, capacity));
            ok = grown != nullptr;
            if (!ok) break;
            data = grown;
        }
        const size_t want = capacity - size < kReadBlock ? capacity - size : kReadBlock;
        // The length is handed back as an int: a file that does not fit is
        // refused rather than reported with a wrong size.
        if (want == 0) {
            ok = fgetc(f) == EOF;
            break;
        }
        const size_t n = fread(data + size, 1, want, f);
        size += n;
        if (n < want) break;
    }
    // A read error (a folder opens but cannot be read) gives no data at all.
    ok = ok && !ferror(f);
    fclose(f);
    if (!ok) {
        free(data);
        return nullptr;
    }
    *length = static_cast<int>(size);
    return data;
}

unsigned char* BBGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
    FILE* f = OpenFile(path, String("rb"));
    if (!f) return nullptr;
    unsigned char* pixels = stbi_load_from_file(f, width, height, depth, 0);
    fclose(f);
    return pixels;
}

unsigned char* BBGlfwGame::LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz) {
    FILE* f = OpenFile(path, String("rb"));
    if (!f) return nullptr;
    // The decoder is chosen by the name alone, whatever the case of its
    // extension.
    const String name = path.ToLower();
    unsigned char* pcm = nullptr;
    if (name.EndsWith(String(".wav"))) {
        pcm = LoadWAV(f, length, channels, format, hertz);
    } else if (name.EndsWith(String(".ogg"))) {
        pcm = LoadOGG(f, length, channels, format, hertz);
    }
    fclose(f);
    return pcm;
}

// ---------------------------------------------------------------------------
// The state store
// ---------------------------------------------------------------------------

namespace {

// Writes all of `bytes` to `f` and closes it, forcing the data to the disk
// first when `sync` is set; false when anything failed.
bool WriteAndClose(FILE* f, const std::string& bytes, bool sync) {
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fflush(f) == 0 && ok;
    if (sync) ok = fsync(fileno(f)) == 0 && ok;
    return fclose(f) == 0 && ok;
}

}  // namespace

// A failed or short write must never cost the player the saved game: where
// the folder allows it, the new state goes to a temporary file beside the old
// one, which it replaces only once every byte is on disk. A folder that does
// not let the temporary file be made still gets the state, written in place.
int BBGame::SaveState(String state) {
    // A state file that is a link is written through to its target, so that
    // the link itself stays as the player made it.
    std::string target = kStateFileName;
    struct stat st {};
    if (lstat(kStateFileName, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(kStateFileName, nullptr)) {
            target = real;
            free(real);
        }
    }
    const bool exists = stat(target.c_str(), &st) == 0;
    // A state file the player made read-only stays as it is.
    if (exists && S_ISREG(st.st_mode) &&
        (access(target.c_str(), W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0))
        return -1;

    // Each 16-bit character as 1, 2 or 3 bytes, surrogate halves one by one,
    // so that any string the program holds survives the trip.
    const std::string bytes = state.ToUtf8();
    const std::string temp = target == kStateFileName ? kStateTempFileName : target + ".tmp";
    FILE* f = fopen(temp.c_str(), "wb");
    if (!f) {
        f = fopen(target.c_str(), "wb");
        if (!f) return -1;
        return WriteAndClose(f, bytes, false) ? 0 : -2;
    }
    // The new file takes over the old one's permissions.
    if (exists && S_ISREG(st.st_mode)) fchmod(fileno(f), st.st_mode & 07777);
    // The rename must not reach the disk before the data it points at.
    bool ok = WriteAndClose(f, bytes, true);
    if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        remove(temp.c_str());
        return -2;
    }
    return 0;
}

String BBGame::LoadState() {
    FILE* f = OpenFile(String(kStateFileName), String("rb"));
    if (!f) return String();
    String state = String::Load(f);
    fclose(f);
    return state;
}

// ---------------------------------------------------------------------------
// Web addresses
// ---------------------------------------------------------------------------

void BBGlfwGame::OpenUrl(String url) {
    ShellExecuteA(nullptr, "open", url.ToCString<char>(), nullptr, nullptr, SW_SHOWNORMAL);
}
