// Where the time of a posting run goes. The run adds the wall-clock time
// of each phase of each file here; the posting benchmark prints it.
#pragma once

#include <chrono>

enum class PostingPhase { Layout, Merge, Uploads, History, Journal, Index, Count };

class CPhaseTimes {
public:
    void Reset()
    {
        for (double& s : m_seconds)
            s = 0;
    }
    void Add(PostingPhase phase, double seconds) { m_seconds[static_cast<int>(phase)] += seconds; }
    double Seconds(PostingPhase phase) const { return m_seconds[static_cast<int>(phase)]; }

private:
    double m_seconds[static_cast<int>(PostingPhase::Count)] = {};
};

// Adds the time from its making to Stop (or its end) to one phase.
class CPhaseTimer {
public:
    CPhaseTimer(CPhaseTimes& times, PostingPhase phase)
        : m_times(times), m_phase(phase), m_start(std::chrono::steady_clock::now())
    {
    }
    ~CPhaseTimer() { Stop(); }
    CPhaseTimer(const CPhaseTimer&) = delete;
    CPhaseTimer& operator=(const CPhaseTimer&) = delete;
    void Stop()
    {
        if (m_stopped)
            return;
        m_stopped = true;
        m_times.Add(m_phase, std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count());
    }

private:
    CPhaseTimes& m_times;
    PostingPhase m_phase;
    std::chrono::steady_clock::time_point m_start;
    bool m_stopped = false;
};
