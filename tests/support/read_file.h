// Reading a whole file into a string, its bytes as they are ("" when it
// cannot be read), for the tests that look at what a program wrote. Relies
// on the C++ library only.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}
