#include "support/fault_guards.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

CFileSizeLimit::CFileSizeLimit(rlim_t bytes)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

CFileSizeLimit::~CFileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool GetCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

CPermissionsEnforced::CPermissionsEnforced()
{
    __user_cap_data_struct data[2] = {};
    if (!GetCaps(data))
        return;
    m_oldEffective[0] = data[0].effective;
    m_oldEffective[1] = data[1].effective;
    if ((data[0].effective & kOverrides) == 0)
        return;
    data[0].effective &= ~kOverrides;
    m_changed = SetCaps(data);
}

CPermissionsEnforced::~CPermissionsEnforced()
{
    if (!m_changed)
        return;
    __user_cap_data_struct data[2] = {};
    if (!GetCaps(data))
        return;
    data[0].effective = m_oldEffective[0];
    data[1].effective = m_oldEffective[1];
    SetCaps(data);
}

CDescriptorLimit::CDescriptorLimit()
{
    ::getrlimit(RLIMIT_NOFILE, &m_old);
    const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (lowest < 0)
        return;
    ::close(lowest);
    rlimit limit = m_old;
    limit.rlim_cur = static_cast<rlim_t>(lowest);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

CDescriptorLimit::~CDescriptorLimit()
{
    ::setrlimit(RLIMIT_NOFILE, &m_old);
}

CAddressSpaceLimit::CAddressSpaceLimit(size_t spare)
{
    ::getrlimit(RLIMIT_AS, &m_old);
    unsigned long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "re")) {
        if (std::fscanf(f, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    if (pages == 0)
        return;
    rlimit limit = m_old;
    limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + spare;
    ::setrlimit(RLIMIT_AS, &limit);
}

CAddressSpaceLimit::~CAddressSpaceLimit()
{
    ::setrlimit(RLIMIT_AS, &m_old);
}

namespace {

std::atomic<int> g_threadStartsRefused{0};

}  // namespace

// Stands in front of the C library's own: the program starts its threads
// as always, and the refusal comes from where the system's would.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) noexcept
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create next = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    if (g_threadStartsRefused.load() > 0 || !next)
        return EAGAIN;
    return next(thread, attr, start, arg);
}

CThreadStartsRefused::CThreadStartsRefused()
{
    ++g_threadStartsRefused;
}

CThreadStartsRefused::~CThreadStartsRefused()
{
    --g_threadStartsRefused;
}
