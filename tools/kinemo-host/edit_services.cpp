#include "kinemo-host/edit_services.h"

#include <cstring>

#include "host/host_structs.h"

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
    session.services = m.alloc(sizeof(HostEditServices));
    session.textBuffer = m.alloc(kTextBufferSize);
    kdrv::Addr version = m.callback(kdrv::CallbackKind::HostVersion, [](auto) { return kHostVersion; });
    m.view<HostEditServices>(session.services)->getHostVersion = version;
    return session;
}

std::string moduleString(kdrv::Module& m, const EditSession& session, std::string_view entry, uint32_t code) {
    clearedBuffer(m, session);
    m.call(entry, {session.services, code, session.textBuffer, kTextBufferSize});
    return readBuffer(m.bytes(session.textBuffer));
}

std::string moduleTitle(kdrv::Module& m, const EditSession& session, std::string_view entry, uint32_t code,
                        uint32_t param) {
    clearedBuffer(m, session);
    if (entry == "GetExpressionTitle") m.call(entry, {session.services, code, session.textBuffer, kTextBufferSize});
    else m.call(entry, {session.services, code, param, session.textBuffer, kTextBufferSize});
    return readBuffer(m.bytes(session.textBuffer));
}

}  // namespace khost
