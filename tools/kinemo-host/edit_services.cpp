#include "kinemo-host/edit_services.h"

#include <cstring>

#include "driver/host_harness.h"

namespace khost {
namespace {
constexpr uint32_t kTextBufferSize = 256;

uint8_t* clearedBuffer(kdrv::Module& m, const EditSession& session) {
    uint8_t* p = m.bytes(session.textBuffer);
    std::memset(p, 0, kTextBufferSize);
    return p;
}

std::string readBuffer(const uint8_t* p) {
    const auto* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, kTextBufferSize));
}
}  // namespace

EditSession newEditSession(kdrv::Module& m) {
    EditSession session;
    session.services = hostrec::newEditServices(m, hostrec::hostVersionCallback(m, hostrec::kRecentHost));
    session.textBuffer = m.alloc(kTextBufferSize);
    return session;
}

std::string moduleString(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& family,
                         uint32_t code) {
    clearedBuffer(m, session);
    hostrec::callString(m, family, session.services, code, session.textBuffer, kTextBufferSize);
    return readBuffer(m.bytes(session.textBuffer));
}

std::string moduleTitle(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& family,
                        uint32_t code, uint32_t param) {
    clearedBuffer(m, session);
    hostrec::callTitle(m, family, session.services, code, param, session.textBuffer, kTextBufferSize);
    return readBuffer(m.bytes(session.textBuffer));
}

}  // namespace khost
