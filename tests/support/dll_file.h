// The built kinemo.qlm as a file, for the tests that read it directly rather
// than load it: little-endian fields and file offsets of image addresses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pe/pe_image.h"

namespace dllfile {

using Bytes = std::vector<uint8_t>;

// The file's bytes; throws, naming the path and how to get the file, if it is missing.
const Bytes& bytes();
// The file parsed, once.
const pe::Image& image();

uint16_t u16(std::span<const uint8_t> b, size_t at);
uint32_t u32(std::span<const uint8_t> b, size_t at);
void put16(Bytes& b, size_t at, uint16_t v);
void put32(Bytes& b, size_t at, uint32_t v);

// Where an address of the image lies in the file; throws outside every section.
size_t fileOffset(const pe::Image& image, uint32_t rva);

}  // namespace dllfile
