#include "support/dll_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace dllfile {

const Bytes& bytes() {
    static const Bytes file = [] {
        std::ifstream in(KINEMO_DLL_PATH, std::ios::binary);
        Bytes b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (b.empty())
            throw std::runtime_error(std::string("kinemo.qlm is needed at ") + KINEMO_DLL_PATH +
                                     " (build the win32 target, or point -DKINEMO_DLL at it)");
        return b;
    }();
    return file;
}

const pe::Image& image() {
    static const pe::Image parsed = pe::parseImage(bytes(), KINEMO_DLL_PATH);
    return parsed;
}

uint16_t u16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t u32(std::span<const uint8_t> b, size_t at) { return u16(b, at) | uint32_t{u16(b, at + 2)} << 16; }

void put16(Bytes& b, size_t at, uint16_t v) {
    b.at(at) = static_cast<uint8_t>(v);
    b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, static_cast<uint16_t>(v));
    put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

size_t fileOffset(const pe::Image& image, uint32_t rva) {
    const pe::Section* s = image.sectionAt(rva);
    if (s == nullptr) throw std::runtime_error("RVA " + std::to_string(rva) + " lies outside every section");
    return s->rawOffset + (rva - s->virtualAddress);
}

}  // namespace dllfile
