#include "posting/page_markers.h"

#include "platform/text_helpers.h"

bool IsMarkerLine(std::string_view line, std::string_view marker)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (line.compare(i, marker.size(), marker) != 0 || line.size() - i < marker.size())
        return false;
    for (i += marker.size(); i < line.size(); ++i)
        if (!IsAsciiSpace(line[i]))
            return false;
    return true;
}
