// Control and inspection of the stand-ins that serve the Windows and ORVEX32
// operations off Windows. Tests and the emulated host use this header; module
// code never does.
//
// Every handle is a small 32-bit value (menus, resources, windows, modules),
// so the emulated host can pass it to and from guest code unchanged. The
// operations below work on plain data: the emulated host serves the DLL's
// imports with them and copies strings and buffers into guest memory itself.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "standins/resource_table.h"

namespace standin {

// ---- Book-keeping -----------------------------------------------------------

struct Counts {
    int liveMenus;        // created or loaded and not destroyed; nested popups count one each
    int loadedResources;  // LoadResource not yet matched by FreeResource
    int lockedResources;  // LockResource on a handle that is still loaded
    int liveAllocations;  // LocalAlloc not yet matched by LocalFree
    int openImages;       // image objects made ready and not yet disposed of
};
Counts counts();

// An address in the stand-ins' own code: on Windows, which image holds them
// (a DLL of their own, or the program they are linked into).
const void* codeAddress();

// Forgets every menu, loaded resource, allocation, window slot, call log,
// scheduled failure and scripted behaviour. Registered resources stay.
void reset();

// ---- Failure injection ------------------------------------------------------

enum class Op : uint8_t { FindResource, LoadResource, LockResource, LoadMenu, CreatePopupMenu, AppendMenu, LocalAlloc };

// Whether failCall reaches the operations: on Windows the real ones serve
// the module and cannot be made to fail on demand.
#if defined(_WIN32)
inline constexpr bool kFailuresServed = false;
#else
inline constexpr bool kFailuresServed = true;
#endif

// Makes the nth call of op from now on fail, once (1: the next call).
void failCall(Op op, int nth = 1);
// Counts one call of op; true when that call must fail. The stand-ins ask it
// themselves; the emulated host asks it for operations it serves on its own.
bool callFails(Op op);

// ---- Modules and resources --------------------------------------------------

// The path GetModuleFileNameA gives for a module whose path was not set.
inline constexpr std::string_view kDefaultModulePath = "C:\\Program Files\\Host\\Extensions\\kinemo.qlm";

void setModulePath(uint32_t module, std::string path);
// The module's full path; nothing for a module with no resources registered.
std::optional<std::string> modulePath(uint32_t module);

// The registered entry of that type and numeric name (first language found).
const platform::ResourceEntry* findEntry(uint32_t module, uint32_t type, uint32_t name);

uint32_t findResource(uint32_t module, uint32_t name, uint32_t type);  // 0: not found
uint32_t loadResource(uint32_t module, uint32_t resource);             // 0: failed
// The loaded bytes (stable while registered); data() is null when it fails.
std::span<const uint8_t> lockResource(uint32_t loaded);
bool freeResource(uint32_t loaded);  // false: not a loaded handle

// The string with that id in the module's string table, in code page 1252.
std::optional<std::string> loadString(uint32_t module, uint32_t id);

// Where that string's UTF-16 units lie: its table block (stable while
// registered) and their offset in it. Nothing for an absent or empty string.
struct StringPlace {
    std::span<const uint8_t> block;
    size_t offset;
    size_t length;  // in UTF-16 units
};
std::optional<StringPlace> findString(uint32_t module, uint32_t id);

// LoadStringA's answer to a zero-sized buffer: -1, as Windows gives it (older
// versions gave 0; Wine's resource tests). Unlike LoadStringW it writes
// nothing into the buffer, as Wine does.
inline constexpr int kLoadStringZeroSize = -1;

// Copies text cut to size - 1 characters plus a terminating zero; returns the
// number of characters copied. Writes nothing when size <= 0.
int copyCut(std::string_view text, char* buffer, int size);
// As GetMenuStringA and GetModuleFileNameA copy (Wine's answers): text that
// fits is copied with its terminating zero; text that does not fill the
// whole buffer with its first size characters and no terminating zero.
// Returns the characters copied. Writes nothing when size <= 0.
int copyUnterminatedWhenCut(std::string_view text, char* buffer, int size);

// The .res file format (a sequence of RESOURCEHEADERs) as numeric entries;
// entries named by string are skipped. Throws std::runtime_error when malformed.
std::vector<platform::ResourceEntry> parseResFile(std::span<const uint8_t> bytes);

// ---- Menus ------------------------------------------------------------------

struct MenuItem {
    std::string label;
    uint32_t id;     // a popup item's is its submenu handle, as Windows keeps it
    uint32_t flags;  // MF_POPUP, MF_SEPARATOR and state bits; separators read greyed and disabled
    uint32_t popup;  // submenu handle of a popup item, else 0
};

uint32_t loadMenu(uint32_t module, uint32_t templateId);  // MENU or MENUEX template; 0: failed
uint32_t createPopupMenu();
// As Windows does: a separator, or a text item with a null label, becomes a
// separator that keeps its id and reads back greyed and disabled; an empty
// label stays a text item.
bool appendMenu(uint32_t menu, uint32_t flags, uint32_t idOrPopup, const char* label);
int menuItemCount(uint32_t menu);               // -1: not a menu
uint32_t menuItemId(uint32_t menu, int pos);    // popup or no such item: 0xFFFFFFFF
// Label by position (MF_BYPOSITION) or by command id, searched depth first
// through submenus in item order, separators included; first match wins, and
// a popup item whose handle equals the id only when nothing else matches.
std::optional<std::string> menuString(uint32_t menu, uint32_t item, uint32_t flags);
uint32_t menuState(uint32_t menu, uint32_t item, uint32_t flags);  // 0xFFFFFFFF: no such item
uint32_t subMenu(uint32_t menu, int pos);                          // 0: no popup there
bool destroyMenu(uint32_t menu);                                    // destroys nested popups too

// Inspection for tests: the items of a live menu.
std::optional<std::vector<MenuItem>> menuItems(uint32_t menu);
bool menuIsLive(uint32_t menu);
// The whole tree, one item a line, nested popups indented by two spaces:
//   "Set X" 25005 | ---- 25000 | > "Position" | state bits as " +0x1".
std::string describeMenu(uint32_t menu);

// ---- Memory -----------------------------------------------------------------

// Allocation counting shared with the emulated host, which allocates guest
// memory itself: note each block by a key (its address) when made and freed.
void noteAllocation(uint64_t key, size_t bytes);
bool noteFree(uint64_t key);  // false: not a live block

// ---- Windows and dialogs ----------------------------------------------------

int32_t windowLong(uint32_t window, int index);
int32_t setWindowLong(uint32_t window, int index, int32_t value);  // returns the previous value
bool endDialog(uint32_t window, int32_t result);                    // false: no such running dialog

enum class DialogOutcome : uint8_t {
    Ok,          // WM_COMMAND 1
    Escape,      // WM_COMMAND 2
    PathThenOk,  // WM_COMMAND 20004, then 1
};
// What the next dialogs do after WM_INITDIALOG (default Ok).
void scriptDialog(DialogOutcome outcome);
// Or any command ids, sent in order as WM_COMMAND until the dialog ends.
void scriptDialogCommands(std::vector<uint32_t> commands);

struct DialogMessage {
    uint32_t message;
    uint32_t wParam;
    int32_t lParam;
    int32_t result;  // what the procedure returned
};
struct DialogRun {
    uint32_t module, templateId, owner, zeroA, zeroB, three, context;
    uint32_t window;
    std::vector<DialogMessage> messages;
    bool ended;        // EndDialog was called
    int32_t endResult; // what EndDialog received
};
const std::vector<DialogRun>& dialogRuns();

// Delivers one message to the dialog procedure and returns its result.
using DialogSend = std::function<int32_t(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam)>;
// ORVEX32's modal dialog on plain data: checks the dialog template exists (else
// -1, no message sent), sends WM_INITDIALOG with the context, then the scripted
// commands until EndDialog; returns what EndDialog received, or -1 if never.
int32_t runDialog(uint32_t module, uint32_t templateId, uint32_t owner, uint32_t zeroA, uint32_t zeroB,
                  uint32_t three, uint32_t context, const DialogSend& send);

// ---- ORVEX32 drawing --------------------------------------------------------

inline constexpr uint32_t kDefaultDrawingTarget = 0x00D7A000;
void setDrawingTarget(uint32_t target);  // 0: the library yields no target

struct OrvexCall {
    uint32_t ordinal;            // the drawing target's or an image operation's
    uint64_t object;             // the image object's address; 0 for the drawing target
    std::vector<uint32_t> args;  // in order, after the object
};
const std::vector<OrvexCall>& orvexCalls();

// The drawing target on plain data: records the call and gives the drawing target.
uint32_t drawingTarget(uint32_t displayHandle, uint32_t zero);

// Makes the image operation with that ordinal fail (0: none). The native
// stand-in then throws ImageFault after recording the call.
void failImageOperation(uint32_t ordinal);
// Records an image operation; true when it must fail.
bool imageOperation(uint32_t ordinal, uint64_t object, std::vector<uint32_t> args);

// The native library stand-in uses the first 4 KiB of an image object: it
// fills them when making the object ready and expects them unchanged at
// every later operation, and it expects the object 16-byte aligned. This
// counts the operations that found otherwise.
inline constexpr uint32_t kLibraryImageBytes = 4096;
int imageMisuses();

struct ImageFault : std::runtime_error {
    explicit ImageFault(uint32_t ordinal)
        : std::runtime_error("image operation " + std::to_string(ordinal) + " failed"), ordinal(ordinal) {}
    uint32_t ordinal;
};

}  // namespace standin
