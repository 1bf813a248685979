// A recording stand-in for the layout program, registered under
// "Vantorel.Object" for the life of a FakeLayout object (the component that
// was registered before is put back afterwards). It records every call with
// the thread it came on, answers the version and the number of boards
// reported, writes small files for "save as" calls, and can be told to fail
// one call in one of the ways a real component fails.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch.h"

class FakeLayout {
public:
    struct Call {
        DispId id = 0;
        unsigned flags = 0;
        std::vector<Variant> args;
        std::thread::id thread;
    };
    enum class Failure {
        None,
        Raise,       // the member raises an error: DISP_E_EXCEPTION with code and description
        ReturnCode,  // the call itself fails with code
        Throw,       // the member throws std::runtime_error(description)
    };

    FakeLayout();
    ~FakeLayout();
    FakeLayout(const FakeLayout&) = delete;
    FakeLayout& operator=(const FakeLayout&) = delete;

    // What the component answers.
    std::string version = "5.53.1";
    int32_t boardsReported = 0;
    // The failure, at the occurrence-th call (1-based) of member failId.
    Failure failure = Failure::None;
    DispId failId = 0;
    int occurrence = 1;
    HRESULT code = E_FAIL;
    std::string description;
    // Run before each call is answered (on the calling thread).
    std::function<void(DispId)> beforeCall;

    std::vector<Call> Calls() const;
    std::vector<DispId> Ids() const;
    int Created() const { return m_created; }
    int Released() const { return m_released; }
    // Threads on which objects were created and released.
    std::vector<std::thread::id> ObjectThreads() const;

private:
    class Object;
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::vector<std::thread::id> m_objectThreads;
    std::atomic<int> m_created{0};
    std::atomic<int> m_released{0};
    DispatchCreator m_previous;
};
