// Lets score-file records on the website be opened and loaded through the
// FTP worker (Index Website reads the results pages this way).
#pragma once

// Installs the worker's open and download into CScoreFile; idempotent.
void InstallScoreFileRemoteAccess();
