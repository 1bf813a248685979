// Posting one ACBLscore game file to the BridgeWebs results service by the
// HTTP form post (the counterpart of a web page's upload in a posting run).
#pragma once

#include "app/post_result.h"

class CQuillmarkApp;
class CScoreFile;

// Asks when the file was posted before, then sends the game file with its
// wireless scoring database and hand-record file.
PostResult PostToBridgeWebs(CQuillmarkApp& app, CScoreFile* file);
