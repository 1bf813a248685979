#include "app/data_protector.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/fd_io.h"

namespace {

constexpr uint8_t kMagic[4] = {'Q', 'M', 'D', 'P'};
constexpr uint8_t kVersion = 1;
constexpr uint8_t kFlagEntropy = 0x01;
constexpr size_t kHeaderSize = 4 + 1 + 1 + crypto_secretbox_NONCEBYTES;
constexpr size_t kKeySize = crypto_secretbox_KEYBYTES;  // 32
constexpr char kLabel[] = "Quillmark data protection 1";

bool SodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

CSodiumDataProtector::CSodiumDataProtector(std::string keyPath) : m_keyPath(std::move(keyPath)) {}

bool CSodiumDataProtector::LooksProtected(const std::vector<uint8_t>& blob)
{
    return blob.size() >= kHeaderSize + crypto_secretbox_MACBYTES &&
           std::memcmp(blob.data(), kMagic, 4) == 0 && blob[4] == kVersion;
}

bool CSodiumDataProtector::LoadKey(CSecretBytes& key, bool create, uint32_t& error)
{
    key.Resize(kKeySize);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(m_keyPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0) {
            struct stat st {};
            const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                            st.st_size == static_cast<off_t>(kKeySize) &&
                            ReadAll(fd, key.Data(), kKeySize);
            ::close(fd);
            if (!ok) {
                // Never replace a key that exists: every stored secret
                // depends on it.
                key.Clear();
                error = EKEYREJECTED;
                return false;
            }
            return true;
        }
        if (errno != ENOENT || !create) {
            error = errno == ENOENT ? ENOKEY : static_cast<uint32_t>(errno);
            key.Clear();
            return false;
        }
        // Make the key in a private file, then link it into place: when
        // another process got there first, its key wins and is read back.
        std::string tmp = m_keyPath + ".XXXXXX";
        const int out = ::mkostemp(&tmp[0], O_CLOEXEC);
        if (out < 0) {
            error = static_cast<uint32_t>(errno);
            key.Clear();
            return false;
        }
        randombytes_buf(key.Data(), kKeySize);
        bool ok = ::fchmod(out, 0600) == 0 && WriteAll(out, key.Data(), kKeySize) &&
                  ::fsync(out) == 0;
        int err = ok ? 0 : errno;
        if (::close(out) != 0 && ok) {
            ok = false;
            err = errno;
        }
        if (ok && ::link(tmp.c_str(), m_keyPath.c_str()) != 0 && errno != EEXIST) {
            ok = false;
            err = errno;
        }
        ::unlink(tmp.c_str());
        if (!ok) {
            error = static_cast<uint32_t>(err ? err : EIO);
            key.Clear();
            return false;
        }
        const std::string folder = GetFolderOnly(m_keyPath);
        const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        // Read the key back from the file, so that every user of it agrees.
    }
    error = EKEYREJECTED;
    key.Clear();
    return false;
}

bool CSodiumDataProtector::DeriveKey(bool create, const uint8_t* entropy, size_t entropySize,
                                     CSecretBytes& key, uint32_t& error)
{
    CSecretBytes machineKey;
    if (!LoadKey(machineKey, create, error))
        return false;
    key.Resize(kKeySize);
    crypto_generichash_state state;
    bool ok = crypto_generichash_init(&state, machineKey.Data(), machineKey.Size(), kKeySize) == 0 &&
              crypto_generichash_update(&state, reinterpret_cast<const uint8_t*>(kLabel), sizeof kLabel) == 0 &&
              (entropySize == 0 || crypto_generichash_update(&state, entropy, entropySize) == 0) &&
              crypto_generichash_final(&state, key.Data(), kKeySize) == 0;
    sodium_memzero(&state, sizeof state);
    if (!ok) {
        key.Clear();
        error = EINVAL;
    }
    return ok;
}

bool CSodiumDataProtector::Protect(const uint8_t* plain, size_t size, const std::string& description,
                                   const uint8_t* entropy, size_t entropySize,
                                   std::vector<uint8_t>& blob, uint32_t& error)
{
    blob.clear();
    if (!SodiumReady()) {
        error = ENOSYS;
        return false;
    }
    CSecretBytes key;
    if (!DeriveKey(true, entropy, entropySize, key, error))
        return false;
    const size_t descSize = description.size() > 255 ? 255 : description.size();
    CSecretBytes message(1 + descSize + size);
    message.Data()[0] = static_cast<uint8_t>(descSize);
    if (descSize)
        std::memcpy(message.Data() + 1, description.data(), descSize);
    if (size)
        std::memcpy(message.Data() + 1 + descSize, plain, size);

    blob.resize(kHeaderSize + crypto_secretbox_MACBYTES + message.Size());
    std::memcpy(blob.data(), kMagic, 4);
    blob[4] = kVersion;
    blob[5] = entropySize ? kFlagEntropy : 0;
    uint8_t* nonce = blob.data() + 6;
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    if (crypto_secretbox_easy(blob.data() + kHeaderSize, message.Data(), message.Size(), nonce,
                              key.Data()) != 0) {
        blob.clear();
        error = EINVAL;
        return false;
    }
    return true;
}

bool CSodiumDataProtector::Unprotect(const std::vector<uint8_t>& blob, const uint8_t* entropy,
                                     size_t entropySize, CSecretBytes& plain, uint32_t& error)
{
    plain.Clear();
    if (!SodiumReady()) {
        error = ENOSYS;
        return false;
    }
    if (blob.size() < kHeaderSize + crypto_secretbox_MACBYTES + 1 ||
        std::memcmp(blob.data(), kMagic, 4) != 0) {
        error = EBADMSG;
        return false;
    }
    if (blob[4] != kVersion) {
        error = ENOTSUP;
        return false;
    }
    if (((blob[5] & kFlagEntropy) != 0) != (entropySize != 0) || (blob[5] & ~kFlagEntropy) != 0) {
        error = EBADMSG;
        return false;
    }
    CSecretBytes key;
    if (!DeriveKey(false, entropy, entropySize, key, error))
        return false;
    const size_t sealedSize = blob.size() - kHeaderSize;
    CSecretBytes message(sealedSize - crypto_secretbox_MACBYTES);
    if (crypto_secretbox_open_easy(message.Data(), blob.data() + kHeaderSize, sealedSize,
                                   blob.data() + 6, key.Data()) != 0) {
        // Another computer's key, other entropy, or a changed blob.
        error = EBADMSG;
        return false;
    }
    const size_t descSize = message.Data()[0];
    if (1 + descSize > message.Size()) {
        error = EBADMSG;
        return false;
    }
    plain.Resize(message.Size() - 1 - descSize);
    if (plain.Size())
        std::memcpy(plain.Data(), message.Data() + 1 + descSize, plain.Size());
    return true;
}
