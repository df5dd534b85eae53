// The Windows operations the module uses. On win32 they are the real ones;
// the native build declares the same names and serves them from the
// stand-ins in tools/standins. Handles there are small 32-bit values.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
using BOOL = int32_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using WPARAM = uint32_t;
using LPARAM = int32_t;
using INT_PTR = int32_t;
using UINT_PTR = uint32_t;
using LPSTR = char*;
using LPCSTR = const char*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HMENU__;
using HMENU = HMENU__*;
struct HRSRC__;
using HRSRC = HRSRC__*;
struct HWND__;
using HWND = HWND__*;
using HGLOBAL = void*;
using HLOCAL = void*;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

#define CALLBACK
#define WINAPI
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<uint16_t>(i))))
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define IS_INTRESOURCE(p) ((reinterpret_cast<uintptr_t>(p) >> 16) == 0)

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr uint32_t DLL_PROCESS_ATTACH = 1;
// The dialog's user slot, after the message result and the procedure: 8 on
// 32-bit Windows, whose pointer-sized slots the stand-ins serve.
constexpr int DWLP_USER = 8;

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC res);
void* LockResource(HGLOBAL data);
BOOL FreeResource(HGLOBAL data);
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
HMENU LoadMenuA(HINSTANCE module, LPCSTR name);
HMENU GetSubMenu(HMENU menu, int pos);
HMENU CreatePopupMenu();
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR label);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int pos);
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
BOOL DestroyMenu(HMENU menu);
HLOCAL LocalAlloc(UINT flags, size_t bytes);
HLOCAL LocalFree(HLOCAL mem);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
BOOL EndDialog(HWND dialog, INT_PTR result);
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);
#endif
