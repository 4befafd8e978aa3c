// The window functions the page automation speaks, over the program's own widgets: handles,
// class names, child walks, registered messages and the document object behind a message result.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/dom/value.h"

namespace quelvo::win {

using HWND = std::uint32_t;  // 0 = none; a destroyed window's handle names no window
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr UINT SMTO_NORMAL = 0;
constexpr UINT SMTO_ABORTIFHUNG = 2;
constexpr int SW_SHOWNORMAL = 1;

struct GUID {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend bool operator==(const GUID& a, const GUID& b) {
        return std::memcmp(&a, &b, sizeof(GUID)) == 0;
    }
};

// {626FC520-A41E-11CF-A731-00A0C9082637}
inline constexpr GUID IID_IHTMLDocument = {
    0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

// Copies the class name with its terminating zero into `buffer` (at most size − 1 characters);
// returns the number of characters copied, 0 for a handle that names no window.
int GetClassNameA(HWND window, char* buffer, int size);

// The child of `parent` after `after` (0: the first) whose class and title match (nullptr: any).
// Parent 0 is the desktop: the program's top-level windows.
HWND FindWindowExA(HWND parent, HWND after, const char* className, const char* title);

// The same number for the same name (letter case ignored), from 0xC000 up.
UINT RegisterWindowMessageA(const char* name);

// Delivers the message synchronously. Returns 0 when the window is gone or the answer took longer
// than `timeoutMs`; `result` is then left as it was.
LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeoutMs, WPARAM* result);

// Turns the result of a document window's "WM_HTML_GETOBJECT" answer into a document reference.
// Each result is good for one call. `object` keeps what it held on failure.
HRESULT ObjectFromLresult(LRESULT result, const GUID& iid, WPARAM wParam, dom::Ref* object);

// Opens `file` with the system: an existing file or folder (absolute, or relative to the current
// folder) with its default program, an executable file by starting it, anything else only as an
// address with a scheme. > 32 on success.
std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand);

}  // namespace quelvo::win
