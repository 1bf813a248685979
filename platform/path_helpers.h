// Path helpers. File names on Linux are case-sensitive, but extensions and
// names the program looks for are matched without regard to case.
#pragma once

#include <string>
#include <string_view>

// The file-name part (folders stripped, '/' and '\' both separators).
std::string GetFileNameOnly(std::string_view path);
// The folder part without a trailing separator ("" when none).
std::string GetFolderOnly(std::string_view path);
// The extension with its dot ("" when none).
std::string GetExtension(std::string_view path);
// The path without its extension.
std::string RemoveExtension(std::string_view path);
// Joins a folder and a name with one '/'.
std::string JoinPath(std::string_view folder, std::string_view name);
// A name that names one entry of a folder and nothing else: not empty, not
// "." or "..", no "/" or "\", no NUL or other control character. Names
// that come from outside (setup files, score files, server listings) must
// pass this before they become part of a local path.
bool IsPlainFileName(std::string_view name);
// A relative path whose every part (between "/" or "\") is a plain file
// name, so that it names something inside the folder it is taken from.
bool IsPlainRelativePath(std::string_view path);
// folder joined with name when name is a plain file name; false (path left
// as it was) when it is not, so that what is built never leaves the folder.
bool JoinInside(std::string_view folder, std::string_view name, std::string& path);
// "index.htm" + "ByMonth" -> "indexByMonth.htm".
std::string MakeSiblingFileName(std::string_view path, std::string_view suffix);
// 0..3 for ".acm", ".aca", ".ace", ".acl" (any case), else -1.
int GetScoreFileTypeOf(std::string_view path);

// A path on a server ("/" between parts) with its empty and "." parts
// dropped, and with resolveDotDot each ".." taking the part before it away
// (at the top it goes); a leading "/" is kept ("/" for the root), a
// relative path stays relative ("" for none).
std::string NormalRemotePath(std::string_view path, bool resolveDotDot);

// The temporary folder: $TMPDIR, else "/tmp", without a trailing "/".
std::string SystemTempFolder();
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool IsReadableFile(const std::string& path);

// "%u.%u" of the high half, then ".%u" parts of the low half when present.
std::string FormatVersion(unsigned long low, unsigned long high);
// The smallest odd number not below v|1 with no odd divisor from 3 up to its
// square root.
unsigned NextPrime(unsigned v);
