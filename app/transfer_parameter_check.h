// The checks that every transfer command makes before it starts: a setup
// file may bring Additional Parameters or a Website URL that Setup would
// refuse.
#pragma once

class CQuillmarkApp;

// True when the current protocol's Additional Parameters hold one that is
// not passed on; the user has then been told which one and where to change
// it (message box, log and status line), and nothing may be sent.
bool RefuseTransferParameters(CQuillmarkApp& app);

// True when the Website URL is set but is not one Setup would take (a setup
// file may hold gopher://, file:// or anything else); the user has then
// been told why and where to change it (message box, log and status line),
// and nothing may be read from or sent to it. An empty URL passes: the
// commands report that as missing themselves.
bool RefuseWebsiteUrl(CQuillmarkApp& app);
