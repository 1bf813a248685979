#include "posting/html_links.h"

#include "platform/html_text.h"
#include "transfer/url_string.h"

std::string PageText(std::string_view utf8)
{
    return HtmlEscape(utf8, HtmlStyle::Utf8);
}

std::string LinkAttribute(std::string_view base, std::string_view relativePath)
{
    std::string path(relativePath);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    CUrlString url{std::string(base)};
    url.AppendPath(EncodePath(path));
    return HtmlEscape(url.GetString(), HtmlStyle::Utf8);
}
