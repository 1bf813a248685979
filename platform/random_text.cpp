#include "platform/random_text.h"

#include <random>

std::string UnguessableHex(size_t digits)
{
    static const char kHex[] = "0123456789abcdef";
    std::random_device random;
    std::string text;
    text.reserve(digits);
    while (text.size() < digits) {
        unsigned bits = random();
        for (int i = 0; i < 8 && text.size() < digits; ++i, bits >>= 4)
            text += kHex[bits & 0xF];
    }
    return text;
}
