// Placeholders, removed as each editor entry point lands.
#include "host/exports.h"

extern "C" void KINEMO_STDCALL GetObjInfos(HostEditServices* services, uint32_t unused, char* name, char* author, char* legal, char* version, char* web) { (void)services; (void)unused; (void)name; (void)author; (void)legal; (void)version; (void)web; }
extern "C" void KINEMO_STDCALL CreateFromFile(HostEditServices* services, EditData* edit) { (void)services; (void)edit; }
extern "C" int32_t KINEMO_STDCALL MakeIcon(HostEditServices* services, uint8_t* icon, uint32_t a, uint32_t b, uint32_t c) { (void)services; (void)icon; (void)a; (void)b; (void)c; return 0; }
extern "C" void KINEMO_STDCALL AppendPopup(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) { (void)a; (void)b; (void)c; (void)d; (void)e; }
extern "C" int32_t KINEMO_STDCALL SelectPopup(HostEditServices* services, uint32_t command, uint32_t a, uint32_t b, uint32_t editWord, uint32_t c, uint32_t d) { (void)services; (void)command; (void)a; (void)b; (void)editWord; (void)c; (void)d; return 0; }
extern "C" int32_t KINEMO_STDCALL CreateObject(HostEditServices* services, uint32_t unused, EditData* edit) { (void)services; (void)unused; (void)edit; return 0; }
extern "C" int32_t KINEMO_STDCALL ModifyObject(HostEditServices* services, EditData* edit, uint32_t a, uint32_t b, uint32_t mode, uint32_t c) { (void)services; (void)edit; (void)a; (void)b; (void)mode; (void)c; return 0; }
extern "C" int32_t KINEMO_STDCALL RebuildExt(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f) { (void)a; (void)b; (void)c; (void)d; (void)e; (void)f; return 0; }
extern "C" void KINEMO_STDCALL EndModifyObject(uint32_t a, uint32_t b, uint32_t c) { (void)a; (void)b; (void)c; }
extern "C" void KINEMO_STDCALL GetObjectRect(HostEditServices* services, int32_t* rect, uint32_t unused, EditData* edit) { (void)services; (void)rect; (void)unused; (void)edit; }
extern "C" void KINEMO_STDCALL EditorDisplay(HostEditServices* services, uint32_t a, uint32_t b, uint32_t c, int32_t* rect) { (void)services; (void)a; (void)b; (void)c; (void)rect; }
extern "C" int32_t KINEMO_STDCALL IsTransparent(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) { (void)a; (void)b; (void)c; (void)d; (void)e; return 0; }
extern "C" HMENU KINEMO_STDCALL GetConditionMenu(HostEditServices* services, uint32_t a, uint32_t b) { (void)services; (void)a; (void)b; return nullptr; }
extern "C" HMENU KINEMO_STDCALL GetActionMenu(HostEditServices* services, uint32_t a, uint32_t b) { (void)services; (void)a; (void)b; return nullptr; }
extern "C" HMENU KINEMO_STDCALL GetExpressionMenu(HostEditServices* services, uint32_t a, uint32_t b) { (void)services; (void)a; (void)b; return nullptr; }
extern "C" int16_t KINEMO_STDCALL GetConditionCodeFromMenu(HostEditServices* services, uint32_t menuId) { (void)services; (void)menuId; return 0; }
extern "C" int16_t KINEMO_STDCALL GetActionCodeFromMenu(HostEditServices* services, uint32_t menuId) { (void)services; (void)menuId; return 0; }
extern "C" int16_t KINEMO_STDCALL GetExpressionCodeFromMenu(HostEditServices* services, uint32_t menuId) { (void)services; (void)menuId; return 0; }
extern "C" void KINEMO_STDCALL GetConditionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) { (void)services; (void)code; (void)buffer; (void)size; }
extern "C" void KINEMO_STDCALL GetActionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) { (void)services; (void)code; (void)buffer; (void)size; }
extern "C" void KINEMO_STDCALL GetExpressionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) { (void)services; (void)code; (void)buffer; (void)size; }
extern "C" void KINEMO_STDCALL GetConditionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer, uint32_t size) { (void)services; (void)code; (void)param; (void)buffer; (void)size; }
extern "C" void KINEMO_STDCALL GetActionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer, uint32_t size) { (void)services; (void)code; (void)param; (void)buffer; (void)size; }
extern "C" void KINEMO_STDCALL GetExpressionTitle(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) { (void)services; (void)code; (void)buffer; (void)size; }
extern "C" const int16_t* KINEMO_STDCALL GetConditionInfos(HostEditServices* services, uint32_t code) { (void)services; (void)code; return nullptr; }
extern "C" const int16_t* KINEMO_STDCALL GetActionInfos(HostEditServices* services, uint32_t code) { (void)services; (void)code; return nullptr; }
extern "C" const int16_t* KINEMO_STDCALL GetExpressionInfos(HostEditServices* services, uint32_t code) { (void)services; (void)code; return nullptr; }
