// What the program writes into the pages it generates: texts that came from
// outside (event names, dates, sections, file names) are escaped, and links
// are made from a base URL and a relative path whose parts are
// percent-encoded, then escaped for the double-quoted attribute.
#pragma once

#include <string>
#include <string_view>

// A text for between tags (UTF-8 kept as it is).
std::string PageText(std::string_view utf8);

// The value of href="..." for relativePath (either separator) below base:
// every part of the relative path percent-encoded (so "#", "?", "%", blanks
// and quotes in a file name stay part of the name), the whole escaped for
// the attribute. An empty base gives a relative link.
std::string LinkAttribute(std::string_view base, std::string_view relativePath);
