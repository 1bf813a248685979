// Guards that make file writes, opens or allocations fail for the test that
// holds them.
#pragma once

#include <cstddef>
#include <sys/resource.h>

#include "transfer/transfer_limits.h"

// Sanitizer builds reserve their shadow memory up front, so a limit on the
// address space cannot be used there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QM_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QM_UNDER_SANITIZER 1
#endif
#endif

// Files may not grow beyond a few bytes (as on a full disk): writes past the
// limit fail with EFBIG instead of raising SIGXFSZ.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes);
    ~CFileSizeLimit();
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Permission bits bind this thread even when it runs as root: the
// capabilities that override them are dropped from its effective set until
// the guard ends.
class CPermissionsEnforced {
public:
    CPermissionsEnforced();
    ~CPermissionsEnforced();
    CPermissionsEnforced(const CPermissionsEnforced&) = delete;
    CPermissionsEnforced& operator=(const CPermissionsEnforced&) = delete;

private:
    bool m_changed = false;
    unsigned m_oldEffective[2] = {0, 0};
};

// No new file descriptor can be opened (EMFILE) until the guard ends: the
// limit is set to the lowest free descriptor number.
class CDescriptorLimit {
public:
    CDescriptorLimit();
    ~CDescriptorLimit();
    CDescriptorLimit(const CDescriptorLimit&) = delete;
    CDescriptorLimit& operator=(const CDescriptorLimit&) = delete;

private:
    rlimit m_old{};
};

// The process may map only `spare` more bytes than it has mapped now, so a
// larger allocation fails with std::bad_alloc.
class CAddressSpaceLimit {
public:
    explicit CAddressSpaceLimit(size_t spare);
    ~CAddressSpaceLimit();
    CAddressSpaceLimit(const CAddressSpaceLimit&) = delete;
    CAddressSpaceLimit& operator=(const CAddressSpaceLimit&) = delete;

private:
    rlimit m_old{};
};

// The system refuses to start new threads (pthread_create answers EAGAIN,
// as when a process has run out of them) until the guard ends.
class CThreadStartsRefused {
public:
    CThreadStartsRefused();
    ~CThreadStartsRefused();
    CThreadStartsRefused(const CThreadStartsRefused&) = delete;
    CThreadStartsRefused& operator=(const CThreadStartsRefused&) = delete;
};

// Other transfer limits (lower ones, so that a test reaches them quickly)
// until the guard ends.
class CTransferLimitsGuard {
public:
    explicit CTransferLimitsGuard(const CTransferLimits& limits) : m_old(SetTransferLimits(limits)) {}
    ~CTransferLimitsGuard() { SetTransferLimits(m_old); }
    CTransferLimitsGuard(const CTransferLimitsGuard&) = delete;
    CTransferLimitsGuard& operator=(const CTransferLimitsGuard&) = delete;

private:
    CTransferLimits m_old;
};
