// The object's descriptive texts in the host's object lists.
#include "editor/text_copy.h"
#include "host/exports.h"

namespace {
constexpr uint16_t kTextBufferSize = 255;
constexpr uint32_t kNameString = 128;
constexpr uint32_t kAuthorString = 129;
constexpr uint32_t kLegalString = 130;
constexpr uint32_t kVersionString = 131;
constexpr uint32_t kWebString = 132;
}  // namespace

extern "C" void KINEMO_STDCALL GetObjInfos(HostEditServices* services, uint32_t unused, char* name, char* author,
                                           char* legal, char* version, char* web) {
    (void)services;
    (void)unused;
    copyModuleString(kNameString, name, kTextBufferSize);
    copyModuleString(kAuthorString, author, kTextBufferSize);
    copyModuleString(kLegalString, legal, kTextBufferSize);
    copyModuleString(kVersionString, version, kTextBufferSize);
    copyModuleString(kWebString, web, kTextBufferSize);
}
