// The Blowfish block cipher (64-bit blocks, 16 rounds, key schedule over the
// pi-derived initial tables). Quillmark only deciphers with it: FTP passwords
// stored by earlier versions were enciphered in ECB mode under the program
// secret. Blocks in byte buffers are two 32-bit halves read little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint32_t kBlowfishInitP[18];
extern const uint32_t kBlowfishInitS[4][256];

struct BlowfishContext {
    uint32_t P[18];
    uint32_t S[4][256];
};

// The key schedule; key bytes are taken cyclically (keyLength >= 1).
void BlowfishInit(BlowfishContext& ctx, const uint8_t* key, size_t keyLength);
// Enciphers / deciphers one block given as its two halves.
void BlowfishEncrypt(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);
void BlowfishDecrypt(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);
// ECB over whole 8-byte blocks of a buffer, in place.
void BlowfishEncrypt(const BlowfishContext& ctx, uint8_t* data, size_t blocks);
void BlowfishDecrypt(const BlowfishContext& ctx, uint8_t* data, size_t blocks);
// Overwrites the context with zeros.
void BlowfishWipe(BlowfishContext& ctx);
