#include "posting/page_markers.h"

namespace {

bool IsTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool IsMarkerLine(std::string_view line, std::string_view marker)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (line.compare(i, marker.size(), marker) != 0 || line.size() - i < marker.size())
        return false;
    for (i += marker.size(); i < line.size(); ++i)
        if (!IsTrailingSpace(line[i]))
            return false;
    return true;
}
