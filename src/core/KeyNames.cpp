#include "KeyNames.h"

#include <array>

namespace
{

struct KeyEntry {
    QByteArrayView name;
    std::uint32_t keyCode;      // 0: never recorded
    std::uint32_t extendedCode; // 0: no extended variant
    int virtualKey;
};

// In the recorder's order of codes; the name used only by playback comes last.
constexpr std::array<KeyEntry, 99> kKeys = {{
    {"VK_ESCAPE", 1, 0, 0x1B},
    {"1", 2, 0, 0x31},
    {"2", 3, 0, 0x32},
    {"3", 4, 0, 0x33},
    {"4", 5, 0, 0x34},
    {"5", 6, 0, 0x35},
    {"6", 7, 0, 0x36},
    {"7", 8, 0, 0x37},
    {"8", 9, 0, 0x38},
    {"9", 10, 0, 0x39},
    {"0", 11, 0, 0x30},
    {"-", 12, 0, 0xBD},
    {"=", 13, 0, 0xBB},
    {"VK_BACK", 14, 0, 0x08},
    {"VK_TAB", 15, 0, 0x09},
    {"VK_Q", 16, 0, 0x51},
    {"VK_W", 17, 0, 0x57},
    {"VK_E", 18, 0, 0x45},
    {"VK_R", 19, 0, 0x52},
    {"VK_T", 20, 0, 0x54},
    {"VK_Y", 21, 0, 0x59},
    {"VK_U", 22, 0, 0x55},
    {"VK_I", 23, 0, 0x49},
    {"VK_O", 24, 0, 0x4F},
    {"VK_P", 25, 0, 0x50},
    {"[", 26, 0, 0xDB},
    {"]", 27, 0, 0xDD},
    {"VK_RETURN", 28, 32796, 0x0D},
    {"VK_CONTROL", 29, 32797, 0x11},
    {"VK_A", 30, 0, 0x41},
    {"VK_S", 31, 0, 0x53},
    {"VK_D", 32, 0, 0x44},
    {"VK_F", 33, 0, 0x46},
    {"VK_G", 34, 0, 0x47},
    {"VK_H", 35, 0, 0x48},
    {"VK_J", 36, 0, 0x4A},
    {"VK_K", 37, 0, 0x4B},
    {"VK_L", 38, 0, 0x4C},
    {"VK_TZ", 39, 0, 0xBA},
    {"VK_KV", 40, 0, 0xDE},
    {"`", 41, 0, 0xC0},
    {"VK_SHIFT", 42, 32822, 0x10},
    {"\\", 43, 0, 0xDC},
    {"VK_Z", 44, 0, 0x5A},
    {"VK_X", 45, 0, 0x58},
    {"VK_C", 46, 0, 0x43},
    {"VK_V", 47, 0, 0x56},
    {"VK_B", 48, 0, 0x42},
    {"VK_N", 49, 0, 0x4E},
    {"VK_M", 50, 0, 0x4D},
    {",", 51, 0, 0xBC},
    {".", 52, 0, 0xBE},
    {"/", 53, 0, 0xBF},
    {"VK_MULTIPLY", 55, 0, 0x6A},
    {"VK_MENU", 56, 32824, 0x12},
    {"VK_SPACE", 57, 0, 0x20},
    {"VK_CAPITAL", 58, 0, 0x14},
    {"VK_F1", 59, 0, 0x70},
    {"VK_F2", 60, 0, 0x71},
    {"VK_F3", 61, 0, 0x72},
    {"VK_F4", 62, 0, 0x73},
    {"VK_F5", 63, 0, 0x74},
    {"VK_F6", 64, 0, 0x75},
    {"VK_F7", 65, 0, 0x76},
    {"VK_F8", 66, 0, 0x77},
    {"VK_F9", 67, 0, 0x78},
    {"VK_F10", 68, 0, 0x79},
    {"VK_SCROLL", 70, 0, 0x91},
    {"VK_NUMPAD7", 71, 0, 0x67},
    {"VK_NUMPAD8", 72, 0, 0x68},
    {"VK_NUMPAD9", 73, 0, 0x69},
    {"VK_SUBTRACT", 74, 0, 0x6D},
    {"VK_NUMPAD4", 75, 0, 0x64},
    {"VK_NUMPAD5", 76, 0, 0x65},
    {"VK_NUMPAD6", 77, 0, 0x66},
    {"VK_ADD", 78, 0, 0x6B},
    {"VK_NUMPAD1", 79, 0, 0x61},
    {"VK_NUMPAD2", 80, 0, 0x62},
    {"VK_NUMPAD3", 81, 0, 0x63},
    {"VK_NUMPAD0", 82, 0, 0x60},
    {"VK_DECIMAL", 83, 0, 0x6E},
    {"VK_F11", 87, 0, 0x7A},
    {"VK_F12", 88, 0, 0x7B},
    {"VK_DIVIDE", 32821, 0, 0x6F},
    {"VK_SNAPSHOT", 32823, 0, 0x2C},
    {"VK_NUMLOCK", 32837, 0, 0x90},
    {"VK_HOME", 32839, 0, 0x24},
    {"VK_UP", 32840, 0, 0x26},
    {"VK_PRIOR", 32841, 0, 0x21},
    {"VK_LEFT", 32843, 0, 0x25},
    {"VK_RIGHT", 32845, 0, 0x27},
    {"VK_END", 32847, 0, 0x23},
    {"VK_DOWN", 32848, 0, 0x28},
    {"VK_NEXT", 32849, 0, 0x22},
    {"VK_INSERT", 32850, 0, 0x2D},
    {"VK_DELETE", 32851, 0, 0x2E},
    {"VK_LWIN", 32859, 0, 0x5B},
    {"VK_RWIN", 32860, 0, 0x5C},
    {"VK_PAUSE", 0, 0, 0x13},
}};

// Direct index from key code to table entry: plain codes 0..127 and extended codes 32768..32895.
struct CodeIndex {
    std::array<std::int16_t, 256> entry{};

    constexpr CodeIndex()
    {
        for (auto &e : entry)
            e = -1;
        for (std::size_t i = 0; i < kKeys.size(); ++i) {
            for (const std::uint32_t code : {kKeys[i].keyCode, kKeys[i].extendedCode}) {
                if (code != 0)
                    entry[slot(code)] = static_cast<std::int16_t>(i);
            }
        }
    }

    static constexpr std::size_t slot(std::uint32_t code)
    {
        return (code & ExtendedKeyBit) ? 128 + (code - ExtendedKeyBit) : code;
    }
};

constexpr CodeIndex kCodeIndex;

} // namespace

QByteArrayView KeyNameFromScanCode(std::uint32_t keyCode)
{
    const bool plain = keyCode < 128;
    const bool extended = keyCode >= ExtendedKeyBit && keyCode < ExtendedKeyBit + 128;
    if (!plain && !extended)
        return {};
    const int entry = kCodeIndex.entry[CodeIndex::slot(keyCode)];
    return entry < 0 ? QByteArrayView() : kKeys[std::size_t(entry)].name;
}

std::optional<int> VirtualKeyFromKeyName(QByteArrayView keyName)
{
    for (const KeyEntry &key : kKeys) {
        if (key.name == keyName)
            return key.virtualKey;
    }
    return std::nullopt;
}

std::uint32_t ScanCodeFromVirtualKey(int virtualKey)
{
    for (const KeyEntry &key : kKeys) {
        if (key.virtualKey == virtualKey)
            return key.keyCode;
    }
    return 0;
}
