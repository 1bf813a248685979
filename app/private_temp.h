// This user's private folder under the temporary folder, and the clean-up
// of what earlier runs left there and in the temporary folder.
//
// Files that hold a secret (the netrc file curl reads) are made only in
// the private folder: made with mode 0700, and used only while it is this
// user's and neither group nor others may write in it (see
// IsPrivateFolder); the secret files themselves are mode 0600. Each run
// also keeps there a list of the temporary files and folders it made; at
// exit the run deletes them and its list. A run that was killed cannot, so start-up
// deletes what the lists of runs that are no longer running name, and the
// secret files those runs left, overwritten with zeros first, and ends an
// sftp such a run kept running for its steps. Nothing of a run that still
// runs is touched.
#pragma once

#include <string>

#include "platform/private_folder.h"

// Adds a temporary path of this run to the run's list.
void RecordRunTempPath(const std::string& path);
// Removes this run's list (its paths have been deleted).
void ForgetRunTempPaths();
// Deletes what runs that are no longer running left behind.
void SweepEarlierRuns();
