// The folders a walk over a remote tree still has to list, breadth-first,
// with the bounds that keep it finite. A broken or hostile server can list
// a subfolder in every folder, or the same folder again under another
// spelling, and would otherwise keep the walk going until the user cancels.
#pragma once

#include <deque>
#include <set>
#include <string>

struct CWalkLimits {
    // Levels below the starting folder (results/2024/05 is two levels).
    int maxDepth = 16;
    // Folders listed in one walk, the starting folder included.
    int maxFolders = 1000;
};

class CRemoteWalk {
public:
    enum class Added {
        Queued,   // will be listed
        Skipped,  // the same folder was queued before, or it lies outside the start
        TooDeep,  // below the depth limit: the walk must stop
        TooMany,  // over the folder limit: the walk must stop
    };

    // Starts with the starting folder ("") queued.
    explicit CRemoteWalk(CWalkLimits limits = {});

    // Takes the next folder to list (backslash between levels, "" for the
    // start); false when none is left.
    bool Next(std::string& folder);
    // A subfolder found in the folder last taken by Next.
    Added AddFolder(const std::string& name);
    // What stopped the walk, for the user, after TooDeep or TooMany.
    const std::string& Problem() const { return m_problem; }

    // The folder in one spelling: "/" separators, no empty or "." parts,
    // ".." taken back. Empty for the start; "/.." when it leaves the start.
    static std::string NormalFolder(const std::string& folder);

private:
    struct Pending {
        std::string folder;
        int depth;
    };

    CWalkLimits m_limits;
    std::deque<Pending> m_queue;
    std::set<std::string> m_seen;
    Pending m_current{std::string(), 0};
    int m_queuedCount = 1;
    std::string m_problem;
};
