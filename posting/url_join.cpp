#include "posting/url_join.h"

std::string AppendUrlPath(std::string_view base, std::string_view path)
{
    std::string url(base);
    if (path.empty())
        return url;
    if (!url.empty() && url.back() != '/')
        url += '/';
    const size_t start = url.size();
    url.append(path);
    for (size_t i = start; i < url.size(); ++i)
        if (url[i] == '\\')
            url[i] = '/';
    return url;
}
