// Console output, runtime errors, the stop protocol, the signal handler and the exits. Relies on
// the C library's standard streams and on the collector (gc_is_known_object) so that the
// debugger's object query never follows an address the collector does not hold.
#include "runtime/errors.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/gc.h"
#include "runtime/object.h"

const char* dbg_info = nullptr;
int dbg_stepmode = 0;
int dbg_suspend = 0;

namespace {

// The stop protocol reads answers of at most this many characters, newline included.
constexpr int kAnswerChars = 255;

constexpr char kErrorPrefix[] = "Vantor Runtime Error : ";

void write_utf8_line(FILE* stream, const String& text) {
    std::string bytes = text.ToUtf8();
    // A character 0 ends the output early.
    bytes.resize(std::strlen(bytes.c_str()));
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// Error messages arrive as 8-bit text; read them as ISO 8859-1 so that a byte above 0x7F shows
// as the character it stands for.
String latin1(const char* text) {
    int n = static_cast<int>(std::strlen(text));
    if (n == 0) return String();
    String::Rep* rep = String::Rep::alloc(n);
    for (int i = 0; i < n; ++i)
        rep->data()[i] = static_cast<unsigned char>(text[i]);
    return String(rep);
}

// "@address": the object's debug() text, or an empty line for 0 or for any address that is not
// an object the collector holds (the answer comes from outside and is never dereferenced blind).
void answer_object_query(const char* address_text) {
    void* address = nullptr;
    if (std::sscanf(address_text, "%p", &address) == 1 && address && gc_is_known_object(address)) {
        if (Object* object = dynamic_cast<Object*>(static_cast<gc_object*>(address))) {
            std::string text = object->debug().ToUtf8();
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
            return;
        }
    }
    std::fputs("\n", stderr);
    std::fflush(stderr);
}

}  // namespace

void bbPrint(const String& text) {
    write_utf8_line(stdout, text);
}

void bbDebugLog(const String& text) {
    bbPrint(text);
}

void bbError(const String& message) {
    if (message.Length() == 0) std::exit(kExitNormal);
    dbg_error(message.ToCString<char>().c_str());
}

void dbg_error(const char* message) {
    for (;;) {
        bbPrint(String(kErrorPrefix) + latin1(message));
        bbPrint(dbg_stacktrace());
        dbg_stop();
    }
}

String dbg_stacktrace() {
    if (!dbg_info || !*dbg_info) return String();
    return String(dbg_info) + String("\n");
}

void dbg_stop() {
    // glibc prints a null %s argument as "(null)"; the header keeps that text without passing
    // a null pointer.
    std::fprintf(stderr, "{{~~%s~~}}\n", dbg_info ? dbg_info : "(null)");
    std::fprintf(stderr, "\n");
    std::fflush(stderr);

    char line[kAnswerChars + 1];
    for (;;) {
        // No debugger: the input has ended, or a line is cut off (longer than the limit, or
        // the last line without a newline).
        if (!std::fgets(line, sizeof line, stdin)) std::exit(kExitError);
        std::size_t n = std::strlen(line);
        if (n == 0 || line[n - 1] != '\n') std::exit(kExitError);
        line[n - 1] = 0;

        switch (line[0]) {
            case '?':
                continue;
            case '@':
                answer_object_query(line + 1);
                continue;
            case 'r':
                dbg_stepmode = 0;
                dbg_suspend = 0;
                return;
            case 's':
                dbg_stepmode = 's';
                dbg_suspend = 1;
                return;
            case 'e':
                dbg_stepmode = 'e';
                dbg_suspend = 1;
                return;
            case 'l':
                dbg_stepmode = 'l';
                dbg_suspend = 0;
                return;
            case 'q':
                std::exit(kExitNormal);
            default:
                std::printf("????? %s ?????\n", line);
                std::fflush(stdout);
                std::exit(kExitError);
        }
    }
}

void bbDebugStop() {
    dbg_stop();
}

void sighandler(int signal) {
    const char* message = "Unknown signal";
    switch (signal) {
        case SIGFPE:
            message = "Floating point exception";
            break;
        case SIGSEGV:
            message = "Memory access violation";
            break;
        case SIGILL:
            message = "Illegal instruction";
            break;
        default:
            break;
    }
    dbg_error(message);
}

namespace {

// The handler's own stack: a stack overflow leaves no room on the program's
// stack to report it. The report formats and prints, so it gets plenty.
constexpr std::size_t kSignalStackBytes = 256 * 1024;

}  // namespace

void bbInstallSignalHandlers() {
    static void* const stack = std::malloc(kSignalStackBytes);
    if (stack) {
        stack_t alt{};
        alt.ss_sp = stack;
        alt.ss_size = kSignalStackBytes;
        sigaltstack(&alt, nullptr);
    }
    struct sigaction action {};
    action.sa_handler = sighandler;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGILL, SIGFPE})
        sigaction(signal, &action, nullptr);
}

void bbDieUncaught() {
    bbPrint(String("Vantor Runtime Error : Uncaught Vantor Exception"));
    std::exit(kExitError);
}

void bbOutOfMemory() {
    std::fputs(kErrorPrefix, stdout);
    std::fputs("Out of memory\n", stdout);
    std::fflush(stdout);
    std::exit(kExitError);
}
