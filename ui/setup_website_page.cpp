#include <algorithm>

#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/date_helpers.h"
#include "ui/setup_sheet.h"

void SetSetupDateRange(wxDatePickerCtrl* picker);
wxDateTime LocalDateTime(int64_t time);

namespace {

constexpr int kMaxDaysToIndex = 999999;

}  // namespace

CSetupWebsitePage::CSetupWebsitePage(wxWindow* parent, SetupSheetValues& sheet)
    : CSetupPage(parent, sheet), m_values(sheet.website), m_given(sheet.website)
{
    BuildFields(SetupPage::Website, 2);
    m_url = ControlOf<wxTextCtrl>(SetupField::WebsiteUrl);
    m_url->SetMinSize(wxSize(320, -1));
    m_indexTemplate = ControlOf<wxTextCtrl>(SetupField::IndexTemplate);
    m_indexFile = ControlOf<wxTextCtrl>(SetupField::IndexFile);
    m_scoreFolder = ControlOf<wxTextCtrl>(SetupField::WebsiteScoreFileDirectory);
    m_scoreTemplate = ControlOf<wxTextCtrl>(SetupField::ScoreFileTemplate);
    m_multiPage = ControlOf<wxCheckBox>(SetupField::MultiPageIndex);
    m_linkPdf = ControlOf<wxCheckBox>(SetupField::LinkPdfHandRecords);
    m_linkHandRecords = ControlOf<wxCheckBox>(SetupField::LinkHandRecords);
    m_rebuild = ControlOf<wxCheckBox>(SetupField::RebuildIndexFromWebsite);
    GetSizer()->SetSizeHints(this);
}

wxWindow* CSetupWebsitePage::AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid)
{
    const SetupWebsiteValues& values = m_given;
    if (row.field == SetupField::OldestToIndex) {
        m_oldest = new wxDatePickerCtrl(parent, wxID_ANY, LocalDateTime(values.oldestToIndex), wxDefaultPosition,
                                        wxDefaultSize, wxDP_DROPDOWN | wxDP_SHOWCENTURY);
        SetSetupDateRange(m_oldest);
        grid->Add(m_oldest);
        return m_oldest;
    }
    if (row.field != SetupField::DaysToIndex)
        return CSetupPage::AddOwnControl(row, parent, grid);
    auto* days = new wxBoxSizer(wxHORIZONTAL);
    m_days = new wxTextCtrl(parent, wxID_ANY, wxString::Format("%d", values.daysToIndex), wxDefaultPosition,
                            wxSize(90, -1), wxTE_RIGHT);
    AcceptDigitsOnly(m_days);
    m_daysSpin = new wxSpinButton(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL | wxSP_ARROW_KEYS);
    m_daysSpin->SetRange(0, kMaxDaysToIndex);
    m_daysSpin->SetValue(std::min(std::max(values.daysToIndex, 0), kMaxDaysToIndex));
    m_daysSpin->Bind(wxEVT_SPIN, [this](wxSpinEvent& event) {
        m_days->SetValue(wxString::Format("%d", event.GetPosition()));
    });
    m_days->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        long n = 0;
        if (m_days->GetValue().ToLong(&n) && n >= 0 && n <= kMaxDaysToIndex)
            m_daysSpin->SetValue(static_cast<int>(n));
    });
    days->Add(m_days, 0, wxALIGN_CENTER_VERTICAL);
    days->Add(m_daysSpin, 0, wxALIGN_CENTER_VERTICAL);
    days->Add(new wxStaticText(parent, wxID_ANY, "(0 = All)"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    grid->Add(days);
    return m_days;
}

SetupProblem CSetupWebsitePage::Read(wxWindow** focus)
{
    SetupWebsiteValues& v = m_values;
    ReadFields();
    int32_t days = 0;
    const std::string daysMessage = CheckDaysToIndexText(m_days->GetValue().utf8_string(), days);
    if (!daysMessage.empty()) {
        SetupProblem problem;
        problem.page = 1;
        problem.field = SetupField::DaysToIndex;
        problem.message = daysMessage;
        *focus = m_days;
        return problem;
    }
    v.daysToIndex = days;
    // A date left alone keeps the stored time exactly.
    const wxDateTime picked = m_oldest->GetValue();
    const wxDateTime given = LocalDateTime(m_given.oldestToIndex);
    if (picked.IsValid() && !picked.IsSameDate(given)) {
        const int64_t midnight = LocalMidnight(picked.GetYear(), picked.GetMonth() + 1, picked.GetDay());
        if (midnight != 0)
            v.oldestToIndex = midnight;
    } else {
        v.oldestToIndex = m_given.oldestToIndex;
    }
    SetupProblem problem = CheckWebsiteValues(m_given, v);
    *focus = FieldControl(problem);
    return problem;
}
