// The interface's names are its own: a file that has the Windows macros of the same meaning (from
// <windows.h>, or defined here as Windows defines them) before it includes the interface still compiles,
// whatever the order of its includes, and the values agree with the system's.
#ifdef _WIN32
#include <windows.h>
#else
#define HC_ACTION 0
#define KEYEVENTF_EXTENDEDKEY 0x0001
#define KEYEVENTF_KEYUP 0x0002
#define MOD_ALT 0x0001
#define MOD_CONTROL 0x0002
#define MOD_SHIFT 0x0004
#define MOD_WIN 0x0008
#endif

#include "platform/Platform.h"

static_assert(Hook::Action == HC_ACTION);
static_assert(KeyEventFlag::ExtendedKey == KEYEVENTF_EXTENDEDKEY);
static_assert(KeyEventFlag::KeyUp == KEYEVENTF_KEYUP);
static_assert(Modifier::Alt == MOD_ALT);
static_assert(Modifier::Control == MOD_CONTROL);
static_assert(Modifier::Shift == MOD_SHIFT);
static_assert(Modifier::Win == MOD_WIN);
