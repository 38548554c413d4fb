#pragma once

#include <sstream>
#include <string>

// A minimal test harness for the cross-compiled tests (no Qt there). TEST_CASE registers a function;
// CHECK and CHECK_EQUAL record a failure and let the case go on; REQUIRE ends the case.
namespace harness
{

using TestFunction = void (*)();

struct Registration {
    Registration(const char *name, TestFunction function);
};

void fail(const char *file, int line, const std::string &what);
/// Ends the running case as failed.
[[noreturn]] void abortCase(const char *file, int line, const std::string &what);
/// Marks the running case as skipped, with the reason; the case should return afterwards.
void skip(const std::string &reason);
/// Prints a line under the running case.
void note(const std::string &text);

/// Path of the folder holding the test program, with a trailing backslash.
std::string programFolder();

template <typename T> std::string show(const T &value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

} // namespace harness

#define HARNESS_CONCAT2(a, b) a##b
#define HARNESS_CONCAT(a, b) HARNESS_CONCAT2(a, b)

#define TEST_CASE(name)                                                                                                \
    static void name();                                                                                                \
    static const harness::Registration HARNESS_CONCAT(registration_, name)(#name, &name);                              \
    static void name()

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            harness::fail(__FILE__, __LINE__, "CHECK(" #condition ")");                                                \
    } while (false)

#define CHECK_EQUAL(actual, expected)                                                                                  \
    do {                                                                                                               \
        const auto &harnessActual = (actual);                                                                          \
        const auto &harnessExpected = (expected);                                                                      \
        if (!(harnessActual == harnessExpected))                                                                       \
            harness::fail(__FILE__, __LINE__,                                                                          \
                          #actual " == " #expected ": got " + harness::show(harnessActual) + ", expected " +           \
                              harness::show(harnessExpected));                                                         \
    } while (false)

#define REQUIRE(condition)                                                                                             \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            harness::abortCase(__FILE__, __LINE__, "REQUIRE(" #condition ")");                                         \
    } while (false)
