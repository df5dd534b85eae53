// The PE reader on arbitrary bytes: `--module` hands it whatever file a user
// names. It either gives an image whose every recorded offset lies inside the
// mapped bytes, or throws pe::PeError; nothing else escapes and nothing faults.
#include <cstdio>
#include <span>

#include "fuzz_support.h"
#include "pe/pe_image.h"

namespace {

using kfuzz::check;

bool inside(const pe::Image& img, uint64_t rva, uint64_t len) {
    return rva <= img.mapped.size() && len <= img.mapped.size() - rva;
}

void checkImage(const pe::Image& img) {
    check(img.mapped.size() == img.sizeOfImage, "mapped bytes differ from the image size");
    for (const pe::Section& s : img.sections)
        check(inside(img, s.virtualAddress, s.virtualSize), "a section outside the image");
    for (const pe::Relocation& r : img.relocations) check(inside(img, r.rva, 4), "a relocation outside the image");
    for (const pe::ImportedDll& dll : img.imports)
        for (const pe::Import& imp : dll.entries) check(inside(img, imp.iatRva, 4), "an import slot outside the image");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pe::Image img;
    try {
        img = pe::parseImage(std::span(data, size), "fuzz.qlm");
    } catch (const pe::PeError&) {
        return 0;
    }
    checkImage(img);
    if (const auto* version = img.resource(pe::kResourceVersion, 1)) {
        try {
            pe::parseVersionInfo(version->data, "fuzz.qlm version");
        } catch (const pe::PeError&) {
        }
    }
    return 0;
}
