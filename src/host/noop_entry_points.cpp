// Entry points the host requires that have nothing to do for this object.
// Each keeps its exact argument count: the callee removes the arguments.
#include "host/exports.h"

namespace kinemo {
#define UNUSED1 (void)a
#define UNUSED2 UNUSED1; (void)b
#define UNUSED3 UNUSED2; (void)c
#define UNUSED4 UNUSED3; (void)d
#define UNUSED5 UNUSED4; (void)e
#define UNUSED6 UNUSED5; (void)f

extern "C" {
int32_t KINEMO_STDCALL Initialize(uint32_t a, uint32_t b) { UNUSED2; return 0; }
int32_t KINEMO_STDCALL Free(uint32_t a) { UNUSED1; return 0; }
int32_t KINEMO_STDCALL LoadObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { UNUSED4; return 0; }
void KINEMO_STDCALL UnloadObject(uint32_t a, uint32_t b, uint32_t c) { UNUSED3; }
void KINEMO_STDCALL UpdateFileNames(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { UNUSED4; }
int32_t KINEMO_STDCALL UsesFile(uint32_t a) { UNUSED1; return 0; }
void KINEMO_STDCALL PutObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { UNUSED4; }
void KINEMO_STDCALL RemoveObject(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { UNUSED4; }
int32_t KINEMO_STDCALL UpdateEditStructure(uint32_t a, uint32_t b) { UNUSED2; return 0; }
void KINEMO_STDCALL PrepareToWriteObject(uint32_t a, uint32_t b, uint32_t c) { UNUSED3; }
int32_t KINEMO_STDCALL EnumElts(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f) {
    UNUSED6;
    return 0;
}
}

}  // namespace kinemo
