#include "TestHarness.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <windows.h>

namespace harness
{
namespace
{

struct Case {
    const char *name;
    TestFunction function;
};

struct CaseAborted {
};

std::vector<Case> &cases()
{
    static std::vector<Case> all;
    return all;
}

struct Outcome {
    int failures = 0;
    bool skipped = false;
};

Outcome *g_running = nullptr;

} // namespace

Registration::Registration(const char *name, TestFunction function)
{
    cases().push_back({name, function});
}

void fail(const char *file, int line, const std::string &what)
{
    const char *const slash = std::strrchr(file, '/');
    std::printf("    FAIL %s:%d: %s\n", slash ? slash + 1 : file, line, what.c_str());
    if (g_running)
        ++g_running->failures;
}

void abortCase(const char *file, int line, const std::string &what)
{
    fail(file, line, what);
    throw CaseAborted{};
}

void skip(const std::string &reason)
{
    std::printf("    skipped: %s\n", reason.c_str());
    if (g_running)
        g_running->skipped = true;
}

void note(const std::string &text)
{
    std::printf("    %s\n", text.c_str());
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

} // namespace harness

// Runs every case, or those whose name contains the first argument.
int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char *const filter = argc > 1 ? argv[1] : nullptr;
    int failed = 0;
    int skipped = 0;
    int run = 0;
    for (const harness::Case &testCase : harness::cases()) {
        if (filter && !std::strstr(testCase.name, filter))
            continue;
        std::printf("%s\n", testCase.name);
        harness::Outcome outcome;
        harness::g_running = &outcome;
        try {
            testCase.function();
        } catch (const harness::CaseAborted &) {
        } catch (const std::exception &error) {
            harness::fail(__FILE__, __LINE__, std::string("exception: ") + error.what());
        }
        harness::g_running = nullptr;
        ++run;
        if (outcome.failures > 0)
            ++failed;
        else if (outcome.skipped)
            ++skipped;
    }
    std::printf("%d of %d cases failed, %d skipped\n", failed, run, skipped);
    return failed == 0 && run > 0 ? 0 : 1;
}
