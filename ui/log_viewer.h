// The log viewer: the log file in a modeless text viewer that keeps
// receiving every new entry. Entries written on worker threads reach the
// viewer through the UI thread; the viewer is only ever touched there.
#pragma once

class CLogfile;
class CTextDialog;
class wxWindow;

// Shows the log of the application object (View > Logfile): the first
// time opens the file in a new viewer (section "ViewLogfile"), later shows
// the same viewer again, scrolled to the end. Nothing when there is no log.
void ViewLogfile(wxWindow* parent);
// The same for a given log.
void ViewLogfile(CLogfile& log, wxWindow* parent);
// The open log viewer, or null.
CTextDialog* GetLogViewer();
