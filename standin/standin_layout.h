// An in-process layout component that answers the layout program's
// automation interface (platform/vantorel_interface.h) when the layout
// program itself is not installed. It reads PBN hand records and the text
// output of the scoring program and writes a plain results page and a PDF
// of the hand records. Double-dummy analysis does nothing.
//
// Members (all methods take file paths as strings):
//   1  Version (get)          "5.53.1"
//   15 Quiet (get, put)       remembered; the component never shows dialogs
//   20 OpenHandRecords(path)  reads a PBN file; replaces hand records open before
//   30 SortBoards()           puts the deals in board order
//   21 LoadLayout(path)       a text file of name=value lines; "title" names
//                             the page (and the PDF); other names are ignored
//   4  DoubleDummyAllBoards() nothing
//   22 SaveAsPdf(path)        needs hand records
//   18 ImportScoreData(path)  reads the score text (Windows-1252 or UTF-8)
//   42 CheckScoreData()       needs hand records and score data; returns the
//                             number of boards the results name that have
//                             no deal in the hand records
//   16 SaveAsHtml(path)       needs score data; includes the hand records
//                             when they are open
// A member that cannot do its work returns DISP_E_EXCEPTION with a code
// (HRESULT_FROM_WIN32 of the system error for a file that cannot be read
// or written, E_INVALIDARG for a bad file or a call out of order) and a
// description.
#pragma once

#include <string>
#include <vector>

#include "platform/dispatch.h"
#include "standin/pbn_reader.h"

inline constexpr const char* kStandInLayoutVersion = "5.53.1";

class CStandInLayout : public IDispatchObject {
public:
    HRESULT Invoke(DispId id, unsigned flags, const std::vector<Variant>& args,
                   Variant* result, ExcepInfo* excep) override;

    // The boards the last CheckScoreData reported.
    const std::vector<int>& GetReportedBoards() const { return m_reported; }

private:
    Variant Call(DispId id, unsigned flags, const std::vector<std::string>& paths, const Variant& value);
    void OpenHandRecords(const std::string& path);
    void LoadLayout(const std::string& path);
    void SaveAsPdf(const std::string& path);
    void ImportScoreData(const std::string& path);
    int32_t CheckScoreData();
    void SaveAsHtml(const std::string& path);
    void RequireHandRecords() const;
    void RequireScoreData() const;

    bool m_quiet = false;
    bool m_handRecordsOpen = false;
    PbnFile m_handRecords;
    std::string m_layoutTitle;
    bool m_scoreImported = false;
    std::string m_scorePath;
    std::string m_scoreText;  // UTF-8
    std::vector<int> m_reported;
};

// Registers the component under "Vantorel.Object" (an explicit call, not a
// static initialiser, so that linking from a static library keeps it). The
// application calls it at start-up; tests call it before they create the
// object. Calling it again does no harm.
void RegisterStandInLayout();
