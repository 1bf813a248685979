// Folder helpers of the application core.
#pragma once

#include <string>

// Appends a folder name to path; when nothing exists there and create is
// set, makes the folder. true when the result is an existing folder (false
// when a file stands there).
bool AppendAndCreateFolder(std::string& path, const std::string& name, bool create);
// Deletes a folder with everything in it (symbolic links are removed, never
// followed), or a single file; failures are ignored.
void DeleteFolderTree(const std::string& path);
// Makes a folder and its missing parents (mode 0700 for new ones). true
// when the folder exists afterwards.
bool CreateFolderPath(const std::string& path);
// The base of this user's data or settings: the XDG variable when it holds
// an absolute path, else HOME joined with homeSubfolder, else this user's
// private folder under the temporary folder ("" when that is not ours
// alone).
std::string UserBaseFolder(const char* xdgName, const char* homeSubfolder);
// True when path is a folder owned by this user that others may not write.
bool IsUsersOwnFolder(const std::string& path);
