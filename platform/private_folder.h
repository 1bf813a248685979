// This user's private folder under the temporary folder: where files that
// hold a secret are made.
#pragma once

#include <string>

// "<temporary folder>/Quillmark-<uid>", made when missing. "" (errno set)
// when it cannot be made or is not this user's alone (another owner, group
// or others may write, or a link stands there).
std::string PrivateTempFolder();
// True when path is a folder (not a link) owned by this user that neither
// group nor others may write.
bool IsPrivateFolder(const std::string& path);
