// A whole file as text; empty when it cannot be read.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

inline std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
