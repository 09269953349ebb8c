// The two calls of the desktop's runtime library and shell that the host
// uses, made on POSIX: _wfopen (16-bit file names and modes) and
// ShellExecuteA (the "open" verb, for web addresses).
//
// Relies on the C library only (fopen, fork, execv, waitpid). Both functions
// are real even in test programs that link the fake window layer.
#ifndef DROPLING_PLATFORM_POSIX_COMPAT_H
#define DROPLING_PLATFORM_POSIX_COMPAT_H

#include <cstdint>
#include <cstdio>

// Opens a file whose name and mode are zero-terminated 16-bit (UTF-16)
// strings, as fopen would with their UTF-8 forms. Surrogate pairs become one
// 4-byte UTF-8 sequence; a lone surrogate half gets its own 3-byte sequence.
// Returns null, with errno set, when the file cannot be opened or either
// argument is null.
FILE* _wfopen(const char16_t* name, const char16_t* mode);

// The shell's handle types, as opaque pointers.
typedef void* HWND;
typedef void* HINSTANCE;

// The shell's show commands; the desktop's opener ignores them.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

// Results of ShellExecuteA at or below 32 are errors:
constexpr std::intptr_t SE_ERR_FNF = 2;       // no file given, or no desktop opener found
constexpr std::intptr_t SE_ERR_OOM = 8;       // the opener could not be started
constexpr std::intptr_t SE_ERR_NOASSOC = 31;  // a verb other than "open"
// Any result above 32 means the opener was started.
constexpr std::intptr_t kShellExecuteOk = 42;

// Opens `file` (a web address or a path) with the desktop's opener,
// xdg-open, found on PATH. `operation` must be "open" or null; `parameters`
// and `show` are ignored, `hwnd` too; `directory`, when given, becomes the
// opener's working directory.
//
// The opener gets `file` as its one argument through an argument vector:
// no shell ever sees it, so quotes, semicolons, $(...) and the like reach
// the opener as plain text. A `file` beginning with '-' is refused (SE_ERR_FNF)
// so it can never be read as an option. The call returns at once: the opener
// runs detached and is never left behind as a zombie.
HINSTANCE ShellExecuteA(HWND hwnd, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show);

// The result of ShellExecuteA as the number the shell's callers compare with 32.
inline std::intptr_t ShellExecuteResult(HINSTANCE h) {
    return reinterpret_cast<std::intptr_t>(h);
}

#endif  // DROPLING_PLATFORM_POSIX_COMPAT_H
