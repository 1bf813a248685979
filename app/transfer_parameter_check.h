// The check that every transfer command makes before it starts: a setup file
// may bring Additional Parameters that Setup would refuse.
#pragma once

class CQuillmarkApp;

// True when the current protocol's Additional Parameters hold one that is
// not passed on; the user has then been told which one and where to change
// it (message box, log and status line), and nothing may be sent.
bool RefuseTransferParameters(CQuillmarkApp& app);
