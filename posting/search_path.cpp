#include "posting/search_path.h"

#include "platform/text_helpers.h"

int CSearchPath::Add(const std::string& folder, bool atFront)
{
    if (!m_folders.empty()) {
        const std::string& end = atFront ? m_folders.front() : m_folders.back();
        if (EqualsNoCase(end, folder))
            return 0;
    }
    Remove(folder);
    if (atFront)
        m_folders.push_front(folder);
    else
        m_folders.push_back(folder);
    return 1;
}

bool CSearchPath::Remove(const std::string& folder)
{
    bool removed = false;
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        if (EqualsNoCase(*it, folder)) {
            it = m_folders.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

std::string CSearchPath::GetString() const
{
    std::string joined;
    for (const auto& folder : m_folders) {
        if (!joined.empty())
            joined += '|';
        joined += folder;
    }
    return joined;
}

void CSearchPath::SetString(const std::string& joined)
{
    m_folders.clear();
    size_t start = 0;
    while (start <= joined.size()) {
        size_t bar = joined.find('|', start);
        if (bar == std::string::npos)
            bar = joined.size();
        if (bar > start)
            Add(joined.substr(start, bar - start), false);
        start = bar + 1;
    }
}
