// Protection of small secrets (the stored FTP password) with a key that
// belongs to this computer. The program talks to it through IDataProtector so
// that tests can put a failing one in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/secret.h"

class IDataProtector {
public:
    virtual ~IDataProtector() = default;
    // Protects plain bytes under the computer's key, with optional entropy
    // mixed in. false with an errno-style error when it cannot.
    virtual bool Protect(const uint8_t* plain, size_t size, const std::string& description,
                         const uint8_t* entropy, size_t entropySize,
                         std::vector<uint8_t>& blob, uint32_t& error) = 0;
    // Restores the plain bytes of a blob made by Protect with the same
    // entropy. A blob from another key, a damaged blob or a foreign one
    // fails with an error; it never crashes.
    virtual bool Unprotect(const std::vector<uint8_t>& blob, const uint8_t* entropy,
                           size_t entropySize, CSecretBytes& plain, uint32_t& error) = 0;
};

// libsodium secretbox under a 32-byte machine key kept in a key file (mode
// 0600), created on first use. The key that seals a blob is the keyed
// BLAKE2b hash of a label and the entropy under the machine key.
//
// Blob: "QMDP", version 1, flags (bit 0: entropy mixed in), 24-byte nonce,
// then the sealed box (16-byte tag, then a one-byte description length, the
// description and the plain bytes).
class CSodiumDataProtector : public IDataProtector {
public:
    explicit CSodiumDataProtector(std::string keyPath);
    const std::string& KeyPath() const { return m_keyPath; }

    bool Protect(const uint8_t* plain, size_t size, const std::string& description,
                 const uint8_t* entropy, size_t entropySize,
                 std::vector<uint8_t>& blob, uint32_t& error) override;
    bool Unprotect(const std::vector<uint8_t>& blob, const uint8_t* entropy,
                   size_t entropySize, CSecretBytes& plain, uint32_t& error) override;

    // Whether a stored blob is in this protector's form (magic and version).
    static bool LooksProtected(const std::vector<uint8_t>& blob);

private:
    // The machine key, made when create is set and none exists yet.
    bool LoadKey(CSecretBytes& key, bool create, uint32_t& error);
    // The key of one blob: the machine key (made when create is set) with
    // the entropy mixed in.
    bool DeriveKey(bool create, const uint8_t* entropy, size_t entropySize, CSecretBytes& key,
                   uint32_t& error);

    std::string m_keyPath;
};

// The name of the key file in the program data folder.
constexpr const char* kMachineKeyFileName = "MachineKey.bin";
