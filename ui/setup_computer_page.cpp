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
    const SetupComputerValues& values = m_given;
    auto* grid = new wxFlexGridSizer(3, wxSize(6, 6));
    grid->AddGrowableCol(1);
    auto browse = [&](std::function<void()> handler) {
        auto* button = new wxButton(this, wxID_ANY, "...", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        button->Bind(wxEVT_BUTTON, [handler](wxCommandEvent&) { handler(); });
        grid->Add(button, 0, wxALIGN_CENTER_VERTICAL);
        return button;
    };

    m_scoreFolder = AddTextField(this, grid, SetupField::ScoreFileDirectory);
    m_scoreFolder->SetMinSize(wxSize(320, -1));
    browse([this] { OnBrowseScoreDirectory(); })->SetName("browseScoreFolder");

    wxStaticText* postLabel = AddLabel(this, grid, SetupField::PostFilesModifiedAfter);
    auto* when = new wxBoxSizer(wxHORIZONTAL);
    m_postDate = new wxDatePickerCtrl(this, wxID_ANY, LocalDateTime(values.postFilesModifiedAfter),
                                      wxDefaultPosition, wxDefaultSize, wxDP_DROPDOWN | wxDP_SHOWCENTURY);
    SetSetupDateRange(m_postDate);
    m_postTime = new wxTimePickerCtrl(this, wxID_ANY, LocalDateTime(values.postFilesModifiedAfter));
    when->Add(m_postDate, 0, wxRIGHT, 6);
    when->Add(m_postTime);
    grid->Add(when);
    grid->AddSpacer(0);
    // The time after which files count as new changes only when Setup was
    // opened with Shift held.
    m_postDate->Enable(allowPostAfter);
    m_postTime->Enable(allowPostAfter);
    const char* const tip =
        "Post Games looks only at score files changed after this time.\n"
        "To change it, hold down Shift while you choose Setup > Setup...";
    for (wxWindow* window : {static_cast<wxWindow*>(postLabel), static_cast<wxWindow*>(m_postDate),
                             static_cast<wxWindow*>(m_postTime)})
        window->SetToolTip(tip);

    m_htmlLayout = AddTextField(this, grid, SetupField::HtmlLayout);
    browse([this] { OnBrowseLayout(m_htmlLayout, "Choose Vantorel Layout For HTML"); })->SetName("browseHtml");

    m_pdfLayout = AddTextField(this, grid, SetupField::PdfLayout);
    browse([this] { OnBrowseLayout(m_pdfLayout, "Choose Vantorel Layout For PDF"); })->SetName("browsePdf");

    auto* checks = new wxBoxSizer(wxVERTICAL);
    auto check = [&](SetupField field) { return AddFlagField(this, checks, field, wxBOTTOM); };
    m_autoFill = check(SetupField::AutoFillHandRecord);
    m_alertNotFilled = check(SetupField::AlertHandRecordNotFilled);
    m_useCheck = check(SetupField::UseCheckScoreData);
    m_alertCheck = check(SetupField::AlertCheckScoreData);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxEXPAND | wxALL, 10);
    top->Add(checks, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
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

wxWindow* CSetupComputerPage::FieldControl(const SetupProblem& problem)
{
    switch (problem.field) {
    case SetupField::ScoreFileDirectory: return m_scoreFolder;
    case SetupField::PostFilesModifiedAfter: return m_postDate;
    case SetupField::HtmlLayout: return m_htmlLayout;
    case SetupField::PdfLayout: return m_pdfLayout;
    default: return nullptr;
    }
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
