// The 128 bytes built into the program that protect the stored FTP password:
// the entropy mixed into the data-protection key, and the Blowfish key of the
// older password form.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kProgramSecretSize = 128;
extern const uint8_t kProgramSecret[kProgramSecretSize];
