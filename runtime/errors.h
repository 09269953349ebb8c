// Console output, runtime errors and the ways the process ends: bbPrint, bbError and the stop
// protocol on the standard streams that an attached debugger may answer, the fatal-signal
// handler, and the end of the process on an uncaught language exception. Relies on String and,
// for the debugger's object query, on the collector's list of known objects.
#pragma once

#include "runtime/text.h"

// The current source position for error reports. Nothing in the program sets it.
extern const char* dbg_info;
// Set by the stop protocol's answers; nothing else reads them.
extern int dbg_stepmode;
extern int dbg_suspend;

// `text` as UTF-8 and a newline on standard output, flushed. A character 0 ends the text early.
void bbPrint(const String& text);
void bbDebugLog(const String& text);

// The empty message ends the process with status 0, the normal way for the application to quit;
// any other message is a runtime error (dbg_error with the characters narrowed to 8 bits).
[[noreturn]] void bbError(const String& message);

// "Vantor Runtime Error : " + message on standard output, the stack trace line, then the stop
// protocol, over and over: only a "q" answer, a bad answer or the end of standard input (the
// case without a debugger: status -1) leave it.
[[noreturn]] void dbg_error(const char* message);

// dbg_info and a newline when it is set and not empty; otherwise the empty string.
String dbg_stacktrace();

// The stop protocol: a header on standard error, then answers read from standard input.
void dbg_stop();
void bbDebugStop();

// Turns SIGFPE, SIGSEGV, SIGILL (and any other signal it is installed for) into a runtime error.
[[noreturn]] void sighandler(int signal);
// Installs sighandler for SIGSEGV, SIGILL and SIGFPE, on a stack of its own so that a stack
// overflow is reported too.
void bbInstallSignalHandlers();

// The host's end for a language exception that escaped the application: the fixed message on
// standard output, then status -1.
[[noreturn]] void bbDieUncaught();

// Allocation failed: the runtime error message on standard output, then status -1. Writes
// without allocating.
[[noreturn]] void bbOutOfMemory();

// Exit statuses of the ways the process ends.
constexpr int kExitNormal = 0;
constexpr int kExitError = -1;
