// Where the main window stands on its way to closing: open; asked to close
// while an operation runs, so it closes when the operation has ended; that
// close queued; gone (being destroyed, its callbacks dropped). Set on the
// user-interface thread, asked from any.
#pragma once

#include <atomic>

class CFrameCloseState {
public:
    enum State { Open, CloseAfterRun, CloseQueued, Gone };

    State Get() const { return m_state.load(); }
    // A close waits for the operation's end (queued or not).
    bool Closing() const
    {
        const State s = Get();
        return s == CloseAfterRun || s == CloseQueued;
    }
    bool IsGone() const { return Get() == Gone; }
    // Gone is for good: nothing moves the window back from it.
    void Set(State state)
    {
        if (Get() != Gone)
            m_state = state;
    }

private:
    std::atomic<State> m_state{Open};
};
