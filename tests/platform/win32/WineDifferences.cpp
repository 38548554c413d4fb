#include "WineDifferences.h"

#include <array>

#include <windows.h>

namespace wine
{
namespace
{

struct Row {
    Difference difference;
    const char *what;
    int windows;
    int wine;
};

// The wine column is wine 8 without an X display (its null driver). On an X display wine also leaves the
// cursor where it was after injected moves while a mouse hook is installed. The Windows column is what the
// Windows documentation leads us to expect; these tests have not yet run there.
constexpr std::array<Row, 2> kTable = {{
    {Difference::ScanCodeOfVirtualKeyOnlyInjection, "scan code of VK_A injected by virtual key alone", 0x1E, 0},
    {Difference::AltDownFlagWithAltHeld, "LLKHF_ALTDOWN set on a key pressed with Alt held", 1, 0},
}};

const Row &rowOf(Difference difference)
{
    for (const Row &row : kTable) {
        if (row.difference == difference)
            return row;
    }
    return kTable[0];
}

} // namespace

bool running()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int expected(Difference difference)
{
    const Row &row = rowOf(difference);
    return running() ? row.wine : row.windows;
}

std::string describe(Difference difference)
{
    const Row &row = rowOf(difference);
    return std::string(row.what) + " (Windows " + std::to_string(row.windows) + ", wine " + std::to_string(row.wine) +
           ")";
}

} // namespace wine
