#include <functional>

#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timectrl.h>

#include "platform/path_helpers.h"
#include "ui/dialog_services.h"
#include "ui/setup_sheet.h"

namespace {

wxDateTime RangeStart()
{
    return wxDateTime(2, wxDateTime::Jan, 1970, 0, 0, 0);
}

wxDateTime RangeEnd()
{
    return wxDateTime(30, wxDateTime::Dec, 3000, 23, 59, 59);
}

}  // namespace

// A stored time as the pickers show it: local time, brought into their
// range (a damaged file may hold anything).
wxDateTime LocalDateTime(int64_t time)
{
    wxDateTime value(static_cast<wxLongLong>(time) * 1000);
    if (!value.IsValid() || value.IsEarlierThan(RangeStart()))
        return RangeStart();
    if (value.IsLaterThan(RangeEnd()))
        return RangeEnd();
    return value;
}

// The pickers' range: 1970-01-02 00:00:00 to 3000-12-30 23:59:59 local time.
void SetSetupDateRange(wxDatePickerCtrl* picker)
{
    picker->SetRange(RangeStart(), RangeEnd());
}

CSetupComputerPage::CSetupComputerPage(wxWindow* parent, SetupSheetValues& sheet, bool allowPostAfter)
    : CSetupPage(parent, sheet), m_values(sheet.computer), m_given(sheet.computer)
{
    BuildFields(SetupPage::Computer, 3);
    m_scoreFolder = ControlOf<wxTextCtrl>(SetupField::ScoreFileDirectory);
    m_scoreFolder->SetMinSize(wxSize(320, -1));
    m_htmlLayout = ControlOf<wxTextCtrl>(SetupField::HtmlLayout);
    m_pdfLayout = ControlOf<wxTextCtrl>(SetupField::PdfLayout);
    m_autoFill = ControlOf<wxCheckBox>(SetupField::AutoFillHandRecord);
    m_alertNotFilled = ControlOf<wxCheckBox>(SetupField::AlertHandRecordNotFilled);
    m_useCheck = ControlOf<wxCheckBox>(SetupField::UseCheckScoreData);
    m_alertCheck = ControlOf<wxCheckBox>(SetupField::AlertCheckScoreData);

    // The time after which files count as new changes only when Setup was
    // opened with Shift held.
    m_postDate->Enable(allowPostAfter);
    m_postTime->Enable(allowPostAfter);
    const char* const tip =
        "Post Games looks only at score files changed after this time.\n"
        "To change it, hold down Shift while you choose Setup > Setup...";
    for (wxWindow* window : {static_cast<wxWindow*>(LabelOf(SetupField::PostFilesModifiedAfter)),
                             static_cast<wxWindow*>(m_postDate), static_cast<wxWindow*>(m_postTime)})
        window->SetToolTip(tip);
    GetSizer()->SetSizeHints(this);
}

wxWindow* CSetupComputerPage::AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid)
{
    if (row.field != SetupField::PostFilesModifiedAfter)
        return CSetupPage::AddOwnControl(row, parent, grid);
    const wxDateTime when = LocalDateTime(m_given.postFilesModifiedAfter);
    auto* pickers = new wxBoxSizer(wxHORIZONTAL);
    m_postDate = new wxDatePickerCtrl(parent, wxID_ANY, when, wxDefaultPosition, wxDefaultSize,
                                      wxDP_DROPDOWN | wxDP_SHOWCENTURY);
    SetSetupDateRange(m_postDate);
    m_postTime = new wxTimePickerCtrl(parent, wxID_ANY, when);
    pickers->Add(m_postDate, 0, wxRIGHT, 6);
    pickers->Add(m_postTime);
    grid->Add(pickers);
    return m_postDate;
}

wxWindow* CSetupComputerPage::AddButton(const SetupFieldRow& row, wxWindow* parent)
{
    std::function<void()> handler;
    const char* name = "";
    switch (row.field) {
    case SetupField::ScoreFileDirectory:
        handler = [this] { OnBrowseScoreDirectory(); };
        name = "browseScoreFolder";
        break;
    case SetupField::HtmlLayout:
        handler = [this] { OnBrowseLayout(m_htmlLayout, "Choose Vantorel Layout For HTML"); };
        name = "browseHtml";
        break;
    case SetupField::PdfLayout:
        handler = [this] { OnBrowseLayout(m_pdfLayout, "Choose Vantorel Layout For PDF"); };
        name = "browsePdf";
        break;
    default: return nullptr;
    }
    auto* button = new wxButton(parent, wxID_ANY, "...", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    button->Bind(wxEVT_BUTTON, [handler](wxCommandEvent&) { handler(); });
    button->SetName(name);
    return button;
}

SetupProblem CSetupComputerPage::Read(wxWindow** focus)
{
    SetupComputerValues& v = m_values;
    ReadFields();
    // The time is built from the date of one picker and the time of the
    // other; untouched pickers keep the time exactly as given.
    const wxDateTime given = LocalDateTime(m_given.postFilesModifiedAfter);
    const wxDateTime date = m_postDate->GetValue();
    const wxDateTime time = m_postTime->GetValue();
    if (date.IsValid() && time.IsValid() &&
        (!date.IsSameDate(given) || time.GetHour() != given.GetHour() || time.GetMinute() != given.GetMinute() ||
         time.GetSecond() != given.GetSecond())) {
        const wxDateTime combined(date.GetDay(), date.GetMonth(), date.GetYear(), time.GetHour(), time.GetMinute(),
                                  time.GetSecond());
        v.postFilesModifiedAfter = static_cast<int64_t>(combined.GetTicks());
    } else {
        v.postFilesModifiedAfter = m_given.postFilesModifiedAfter;
    }
    SetupProblem problem = CheckComputerValues(m_given, v, wxDateTime::Now().GetTicks());
    *focus = FieldControl(problem);
    return problem;
}

void CSetupComputerPage::OnBrowseScoreDirectory()
{
    FileChooserRequest request;
    request.title = "Select directory that Quillmark will search for score files";
    request.start = m_scoreFolder->GetValue();
    wxString path;
    if (ChooseFolder(this, request, path))
        m_scoreFolder->SetValue(path);
}

void CSetupComputerPage::OnBrowseLayout(wxTextCtrl* edit, const wxString& title)
{
    FileChooserRequest request;
    request.title = title;
    request.start = edit->GetValue();
    request.wildcard = "PBN Files (*.pbn)|*.pbn|All Files (*.*)|*.*";
    wxString path;
    if (ChooseFile(this, request, path))
        edit->SetValue(path);
}
