// Random text for names nobody can guess or make in advance: temporary
// names on a server, markers in a program's output.
#pragma once

#include <cstddef>
#include <string>

// digits lower-case hex digits from the system's random source.
std::string UnguessableHex(size_t digits);
