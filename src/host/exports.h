// Every exported entry point, with its exact argument list (stdcall). The
// driver's export table reads argument counts and result widths off these
// declarations; kinemo.def names each by its stdcall decoration, so a byte
// count there that is not 4 x the parameters fails the win32 link.
#pragma once
#include <cstdint>

#include "host/host_structs.h"
#include "host/routines.h"
#include "platform/winapi.h"

namespace kinemo {
struct EditData;

#define KSC KINEMO_STDCALL
extern "C" {  // C linkage: the symbols keep their plain names in the namespace
// module life and information
int32_t KSC DllMain(HINSTANCE instance, uint32_t reason, void* reserved);
int32_t KSC Initialize(uint32_t a, uint32_t b);
int32_t KSC Free(uint32_t a);
uint32_t KSC GetInfos(uint32_t selector);
void KSC GetObjInfos(HostEditServices* services, uint32_t unused, char* name, char* author, char* legal,
                     char* version, char* web);
int16_t KSC GetRunObjectInfos(uint32_t unused, RunInfos* infos);

// object load and save
int32_t KSC LoadObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
void KSC UnloadObject(uint32_t a, uint32_t b, uint32_t c);
void KSC UpdateFileNames(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
int32_t KSC UsesFile(uint32_t a);
void KSC CreateFromFile(HostEditServices* services, EditData* edit);
void KSC PutObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
void KSC RemoveObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
int32_t KSC UpdateEditStructure(uint32_t a, uint32_t b);
void KSC PrepareToWriteObject(uint32_t a, uint32_t b, uint32_t c);
int32_t KSC EnumElts(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f);

// editor object
int32_t KSC MakeIcon(HostEditServices* services, uint8_t* icon, uint32_t a, uint32_t b, uint32_t c);
void KSC AppendPopup(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e);
int32_t KSC SelectPopup(HostEditServices* services, uint32_t command, uint32_t a, uint32_t b, uint32_t editWord,
                        uint32_t c, uint32_t d);
int32_t KSC CreateObject(HostEditServices* services, uint32_t unused, EditData* edit);
int32_t KSC ModifyObject(HostEditServices* services, EditData* edit, uint32_t a, uint32_t b, uint32_t mode,
                         uint32_t c);
int32_t KSC RebuildExt(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f);
void KSC EndModifyObject(uint32_t a, uint32_t b, uint32_t c);
void KSC GetObjectRect(HostEditServices* services, int32_t* rect, uint32_t unused, EditData* edit);
void KSC EditorDisplay(HostEditServices* services, uint32_t a, uint32_t b, uint32_t c, int32_t* rect);
int32_t KSC IsTransparent(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e);

// menus
HMENU KSC GetConditionMenu(HostEditServices* services, uint32_t a, uint32_t b);
HMENU KSC GetActionMenu(HostEditServices* services, uint32_t a, uint32_t b);
HMENU KSC GetExpressionMenu(HostEditServices* services, uint32_t a, uint32_t b);

// descriptors
int16_t KSC GetConditionCodeFromMenu(HostEditServices* services, uint32_t menuId);
int16_t KSC GetActionCodeFromMenu(HostEditServices* services, uint32_t menuId);
int16_t KSC GetExpressionCodeFromMenu(HostEditServices* services, uint32_t menuId);
void KSC GetConditionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size);
void KSC GetActionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size);
void KSC GetExpressionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size);
void KSC GetConditionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer, uint32_t size);
void KSC GetActionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer, uint32_t size);
void KSC GetExpressionTitle(HostEditServices* services, uint32_t code, char* buffer, uint32_t size);
const int16_t* KSC GetConditionInfos(HostEditServices* services, uint32_t code);
const int16_t* KSC GetActionInfos(HostEditServices* services, uint32_t code);
const int16_t* KSC GetExpressionInfos(HostEditServices* services, uint32_t code);

// run-time object
int16_t KSC GetRunObjectDataSize(uint32_t a, uint32_t b);
int16_t KSC CreateRunObject(RunData* rd, uint32_t a, uint32_t b);
int16_t KSC DestroyRunObject(uint32_t a, uint32_t b);
int16_t KSC HandleRunObject(RunData* rd);
int16_t KSC DisplayRunObject(uint32_t a);
int16_t KSC PauseRunObject(uint32_t a);
int16_t KSC ContinueRunObject(uint32_t a);
}
#undef KSC

// The module handle stored at attach; every resource load goes through it.
extern HINSTANCE moduleHandle;

}  // namespace kinemo
