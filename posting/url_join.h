// Joining a base URL with a relative path written with either separator:
// backslashes become "/" and exactly one "/" is put between the parts when
// the base does not end with one. An empty path leaves the base alone.
#pragma once

#include <string>
#include <string_view>

std::string AppendUrlPath(std::string_view base, std::string_view path);
