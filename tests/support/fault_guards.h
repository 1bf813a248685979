// Guards that make file writes fail for the test that holds them.
#pragma once

#include <sys/resource.h>

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
