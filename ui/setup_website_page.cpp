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

CSetupWebsitePage::CSetupWebsitePage(wxWindow* parent, const SetupWebsiteValues& values)
    : CSetupPage(parent), m_values(values), m_given(values)
{
    auto* grid = new wxFlexGridSizer(2, wxSize(6, 6));
    grid->AddGrowableCol(1);
    auto label = [&](const char* text) {
        grid->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL);
    };
    auto edit = [&](const std::string& value) {
        auto* ctrl = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(value));
        grid->Add(ctrl, 1, wxEXPAND);
        return ctrl;
    };

    label("Website URL:");
    m_url = edit(values.websiteUrl);
    m_url->SetMinSize(wxSize(320, -1));
    label("Index Template Filename:");
    m_indexTemplate = edit(values.indexTemplate);
    label("Oldest To Index:");
    m_oldest = new wxDatePickerCtrl(this, wxID_ANY, LocalDateTime(values.oldestToIndex),
                                    wxDefaultPosition, wxDefaultSize, wxDP_DROPDOWN | wxDP_SHOWCENTURY);
    SetSetupDateRange(m_oldest);
    grid->Add(m_oldest);
    label("Index Filename:");
    m_indexFile = edit(values.indexFile);

    label("Days To Index:");
    auto* days = new wxBoxSizer(wxHORIZONTAL);
    m_days = new wxTextCtrl(this, wxID_ANY, wxString::Format("%d", values.daysToIndex), wxDefaultPosition,
                            wxSize(90, -1), wxTE_RIGHT);
    AcceptDigitsOnly(m_days);
    m_daysSpin = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL | wxSP_ARROW_KEYS);
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
    days->Add(new wxStaticText(this, wxID_ANY, "(0 = All)"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    grid->Add(days);

    label("Score File Directory:");
    m_scoreFolder = edit(values.scoreFileDirectory);
    label("Score File Template Filename:");
    m_scoreTemplate = edit(values.scoreFileTemplate);

    auto* checks = new wxBoxSizer(wxVERTICAL);
    auto check = [&](const char* text, bool value) { return AddCheckBox(this, checks, text, value, wxBOTTOM); };
    m_multiPage = check("Generate multi-page results index (recommended)", values.multiPageIndex);
    m_linkPdf = check("Provide link to PDF hand records on index page", values.linkPdfHandRecords);
    m_linkHandRecords = check("Provide link to computer hand records on index page (See Caution in Help)",
                              values.linkHandRecords);
    m_rebuild = check("Rebuild index from website after every posting", values.rebuildIndexFromWebsite);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxEXPAND | wxALL, 10);
    top->Add(checks, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
}

SetupProblem CSetupWebsitePage::Read(wxWindow** focus)
{
    SetupWebsiteValues& v = m_values;
    v.websiteUrl = m_url->GetValue().utf8_string();
    v.indexTemplate = m_indexTemplate->GetValue().utf8_string();
    v.indexFile = m_indexFile->GetValue().utf8_string();
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
    v.scoreFileDirectory = m_scoreFolder->GetValue().utf8_string();
    v.scoreFileTemplate = m_scoreTemplate->GetValue().utf8_string();
    v.multiPageIndex = m_multiPage->GetValue();
    v.linkPdfHandRecords = m_linkPdf->GetValue();
    v.linkHandRecords = m_linkHandRecords->GetValue();
    v.rebuildIndexFromWebsite = m_rebuild->GetValue();
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

wxWindow* CSetupWebsitePage::FieldControl(const SetupProblem& problem)
{
    switch (problem.field) {
    case SetupField::WebsiteUrl: return m_url;
    case SetupField::IndexFilename: return m_indexFile;
    case SetupField::DaysToIndex: return m_days;
    case SetupField::WebsiteScoreFileDirectory: return m_scoreFolder;
    default: return nullptr;
    }
}
