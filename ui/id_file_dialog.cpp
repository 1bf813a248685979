#include "ui/id_file_dialog.h"

#include <ctime>
#include <vector>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/richtooltip.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "app/transfer_parameter_check.h"
#include "app/quillmark_app.h"
#include "platform/date_helpers.h"
#include "platform/text_helpers.h"
#include "transfer/url_string.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_services.h"
#include "ui/help_window.h"
#include "ui/field_state_images.h"
#include "ui/file_text_viewer.h"
#include "ui/text_dialog.h"

namespace {

const char* const kFieldHints[CIDFileDialog::F_COUNT] = {
    "Enter a title for the event being posted,\r\nfor example, \"Open Pairs\"",
    "Enter the correct session date",
    "Select the session time: Morning, Afternoon, Evening, or Late",
    "Enter the upper masterpoint limit (for the top stratum only):\r\n\"n\" or \"none\" for no "
    "limit\r\n\"nlm\" for non-life-master\r\nor numeric number of masterpoints",
    "Enter the section (one or two letters)\r\nor leave empty (for team events)",
};

const char* const kExplanation =
    "Quillmark could not determine some or all of the\nparameters below.\nEnter the missing "
    "parameters and click OK to proceed.\nClick Skip to skip this file.\nClick Cancel to stop the "
    "current operation.";

// The picker's range; dates outside it cannot be shown.
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 3000;

wxDateTime PickerDate(int year, int month, int day)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day),
                      static_cast<wxDateTime::Month>(month - 1), year);
}

}  // namespace

CIDFileDialog::CIDFileDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Identify Score File"),
      m_sessionDate(static_cast<int64_t>(std::time(nullptr)))
{
    CreateControls();
}

CIDFileDialog::~CIDFileDialog()
{
    if (m_viewer)
        delete m_viewer;  // now, while the profile it saves its placement to is there
}

void CIDFileDialog::CreateControls()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    const int gap = FromDIP(6);

    auto* fileRow = new wxBoxSizer(wxHORIZONTAL);
    fileRow->Add(new wxStaticText(this, wxID_ANY, "Filename:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    m_fileNameText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                    FromDIP(wxSize(300, -1)), wxTE_READONLY);
    fileRow->Add(m_fileNameText, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    m_viewFile = new wxButton(this, wxID_ANY, "View File");
    fileRow->Add(m_viewFile, 0, wxALIGN_CENTER_VERTICAL);
    top->Add(fileRow, 0, wxEXPAND | wxALL, gap * 2);
    top->Add(new wxStaticText(this, wxID_ANY, kExplanation), 0, wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);

    // One group per field: its state image, its control and, for some, a hint.
    auto group = [&](Field field, const char* title, auto makeControl, const char* hint) {
        auto* box = new wxStaticBoxSizer(wxVERTICAL, this, title);
        wxWindow* parent = box->GetStaticBox();
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        m_images[field] = new wxStaticBitmap(parent, wxID_ANY, GetFieldStateBitmap(FIELD_EMPTY_ALLOWED));
        row->Add(m_images[field], 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
        wxWindow* control = makeControl(parent);
        row->Add(control, 1, wxALIGN_CENTER_VERTICAL);
        box->Add(row, 0, wxEXPAND | wxALL, gap / 2);
        if (hint)
            box->Add(new wxStaticText(parent, wxID_ANY, hint), 0, wxLEFT | wxTOP | wxBOTTOM,
                     gap / 2);
        top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);
    };
    group(F_EVENT, "Event", [&](wxWindow* p) {
        return m_eventText = new wxTextCtrl(p, wxID_ANY);
    }, nullptr);
    group(F_DATE, "Session Date", [&](wxWindow* p) {
        m_datePicker = new wxDatePickerCtrl(p, wxID_ANY, wxDefaultDateTime, wxDefaultPosition,
                                            wxDefaultSize, wxDP_DROPDOWN | wxDP_SHOWCENTURY);
        m_datePicker->SetRange(PickerDate(kFirstYear, 1, 1), PickerDate(kLastYear, 12, 31));
        return m_datePicker;
    }, nullptr);
    group(F_TIME, "Session Time", [&](wxWindow* p) {
        const wxString names[] = {"Morning", "Afternoon", "Evening", "Late"};
        return m_timeChoice = new wxChoice(p, wxID_ANY, wxDefaultPosition, wxDefaultSize, 4, names);
    }, nullptr);
    group(F_LIMIT, "Masterpoint Limit", [&](wxWindow* p) {
        return m_limitText = new wxTextCtrl(p, wxID_ANY);
    }, "Enter masterpoint limit for top stratum.\nUse \"n\" for no limit (that is, unlimited).\n"
       "Use \"nlm\" for non-life-master.\nOr enter numeric limit.");
    group(F_SECTION, "Section", [&](wxWindow* p) {
        return m_sectionText = new wxTextCtrl(p, wxID_ANY);
    }, "May be left empty for team games.");

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, ID_SKIP, "Skip"), 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_HELP, "&Help"), 0);
    top->Add(buttons, 0, wxALIGN_CENTER | wxBOTTOM, gap * 2);
    SetSizerAndFit(top);

    // Typing or choosing in a field updates only that field's image.
    m_eventText->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateFieldIcon(F_EVENT); });
    m_datePicker->Bind(wxEVT_DATE_CHANGED, [this](wxDateEvent&) { UpdateFieldIcon(F_DATE); });
    m_timeChoice->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { UpdateFieldIcon(F_TIME); });
    m_limitText->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateFieldIcon(F_LIMIT); });
    m_sectionText->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateFieldIcon(F_SECTION); });
    m_viewFile->Bind(wxEVT_BUTTON, &CIDFileDialog::OnViewFile, this);
    Bind(wxEVT_BUTTON, &CIDFileDialog::OnOK, this, wxID_OK);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(ID_SKIP); }, ID_SKIP);
    BindHelpButton(this, [] { return std::string(help::kIdentify); });
}

// ---- field states ------------------------------------------------------------

int CIDFileDialog::GetEventState(const wxString& event)
{
    for (wxUniChar ch : event)
        if (!wxIsspace(ch))
            return FIELD_VALID;
    return FIELD_INVALID;
}

int CIDFileDialog::GetDateState(int64_t date)
{
    // Judged by the local calendar date, never by converting 1970-01-01
    // 00:00 local time to seconds: east of UTC that instant lies before the
    // epoch, and a stored 0 would then count as a later, valid date.
    int year = 0, month = 0, day = 0;
    if (date == 0 || !LocalDateOf(date, year, month, day))
        return FIELD_INVALID;
    const bool afterFirstDay = year > kFirstYear || month > 1 || day > 1;
    return afterFirstDay && year <= kLastYear ? FIELD_VALID : FIELD_INVALID;
}

int CIDFileDialog::GetTimeState(int index)
{
    return index >= 0 && index < 4 ? FIELD_VALID : FIELD_INVALID;
}

int CIDFileDialog::GetLimitState(const wxString& limit)
{
    const wxString text = limit.BeforeFirst('/');
    if (text.CmpNoCase("n") == 0 || text.CmpNoCase("none") == 0 || text.CmpNoCase("nlm") == 0)
        return FIELD_VALID;
    // Plain decimal digits only: no sign, no blanks, not zero.
    bool nonZero = false;
    for (wxUniChar ch : text) {
        if (ch < '0' || ch > '9')
            return FIELD_INVALID;
        if (ch != '0')
            nonZero = true;
    }
    return nonZero ? FIELD_VALID : FIELD_INVALID;
}

int CIDFileDialog::GetSectionState(const wxString& section)
{
    if (section.empty())
        return FIELD_EMPTY_ALLOWED;
    if (section.length() > 3)
        return FIELD_INVALID;
    const wxUniChar first = wxTolower(section[0]);
    for (wxUniChar ch : section)
        if (!wxIsalpha(ch) || wxUniChar(wxTolower(ch)) != first)
            return FIELD_INVALID;
    return FIELD_VALID;
}

int CIDFileDialog::ComputeState(Field field) const
{
    switch (field) {
    case F_EVENT: return GetEventState(ToWx(m_event));
    case F_DATE: return GetDateState(m_sessionDate);
    case F_TIME: return GetTimeState(m_sessionTime);
    case F_LIMIT: return GetLimitState(ToWx(m_limit));
    case F_SECTION: return GetSectionState(ToWx(m_section));
    default: return FIELD_INVALID;
    }
}

int CIDFileDialog::GetShownState(Field field) const
{
    return field >= 0 && field < F_COUNT ? m_shown[field] : FIELD_INVALID;
}

wxWindow* CIDFileDialog::GetFieldControl(Field field) const
{
    switch (field) {
    case F_EVENT: return m_eventText;
    case F_DATE: return m_datePicker;
    case F_TIME: return m_timeChoice;
    case F_LIMIT: return m_limitText;
    case F_SECTION: return m_sectionText;
    default: return nullptr;
    }
}

// ---- data exchange -----------------------------------------------------------

bool CIDFileDialog::TransferDataToWindow()
{
    m_fileNameText->ChangeValue(ToWx(m_fileName));
    m_eventText->ChangeValue(ToWx(m_event));
    int year = kFirstYear, month = 1, day = 1;
    if (m_sessionDate != 0) {
        int y = 0, m = 0, d = 0;
        if (LocalDateOf(m_sessionDate, y, m, d) && y >= kFirstYear && y <= kLastYear) {
            year = y, month = m, day = d;
        } else {
            ShowDialogMessage("The supported years are 1970 - 3000", MB_ICONERROR);
            m_sessionDate = 0;
        }
    }
    m_datePicker->SetValue(PickerDate(year, month, day));
    m_timeChoice->SetSelection(m_sessionTime >= 0 && m_sessionTime < 4 ? m_sessionTime : wxNOT_FOUND);
    m_limitText->ChangeValue(ToWx(m_limit));
    m_sectionText->ChangeValue(ToWx(m_section));
    for (int f = 0; f < F_COUNT; ++f) {
        const Field field = static_cast<Field>(f);
        m_shown[f] = ComputeState(field);
        m_images[f]->SetBitmap(GetFieldStateBitmap(m_shown[f]));
        GetFieldControl(field)->Enable(m_shown[f] != FIELD_VALID);
    }
    // Start in the first field that needs an answer.
    for (int f = 0; f < F_COUNT; ++f)
        if (GetFieldControl(static_cast<Field>(f))->IsEnabled()) {
            GetFieldControl(static_cast<Field>(f))->SetFocus();
            break;
        }
    return true;
}

void CIDFileDialog::UpdateFieldIcon(Field field)
{
    // The shown state follows the control, whatever the member holds.
    int state = FIELD_INVALID;
    switch (field) {
    case F_EVENT: state = GetEventState(m_eventText->GetValue()); break;
    case F_DATE: {
        const wxDateTime dt = m_datePicker->GetValue();
        state = dt.IsValid() ? GetDateState(LocalMidnight(dt.GetYear(), dt.GetMonth() + 1, dt.GetDay()))
                             : FIELD_INVALID;
        break;
    }
    case F_TIME: state = GetTimeState(m_timeChoice->GetSelection()); break;
    case F_LIMIT: state = GetLimitState(m_limitText->GetValue()); break;
    case F_SECTION: state = GetSectionState(m_sectionText->GetValue()); break;
    default: return;
    }
    m_shown[field] = state;
    m_images[field]->SetBitmap(GetFieldStateBitmap(state));
}

bool CIDFileDialog::CheckField(Field field)
{
    wxWindow* control = GetFieldControl(field);
    // A field that opened valid (and so disabled) keeps its value.
    if (control->IsEnabled()) {
        switch (field) {
        case F_EVENT: m_event = FromWx(m_eventText->GetValue()); break;
        case F_DATE: {
            const wxDateTime dt = m_datePicker->GetValue();
            m_sessionDate = dt.IsValid() ? LocalMidnight(dt.GetYear(), dt.GetMonth() + 1, dt.GetDay()) : 0;
            break;
        }
        case F_TIME: m_sessionTime = m_timeChoice->GetSelection(); break;
        case F_LIMIT: m_limit = FromWx(m_limitText->GetValue()); break;
        case F_SECTION: m_section = FromWx(m_sectionText->GetValue()); break;
        default: break;
        }
    }
    UpdateFieldIcon(field);
    const int state = ComputeState(field);
    if (state != FIELD_INVALID)
        return true;
    m_lastHint = ToDisplayLines(kFieldHints[field]);
    if (auto* edit = wxDynamicCast(control, wxTextCtrl)) {
        wxBell();
        wxRichToolTip tip(wxEmptyString, m_lastHint);
        tip.SetIcon(wxICON_ERROR);
        // The theme's tool-tip colours can leave the text unreadable on the
        // balloon: draw it on a light background.
        tip.SetBackgroundColour(wxColour(255, 255, 225), wxColour(255, 255, 225));
        tip.ShowFor(edit);
    } else {
        ShowDialogMessage(kFieldHints[field], MB_ICONERROR);
    }
    control->Enable();
    control->SetFocus();
    return false;
}

bool CIDFileDialog::TransferDataFromWindow()
{
    for (int f = 0; f < F_COUNT; ++f)
        if (!CheckField(static_cast<Field>(f)))
            return false;
    return true;
}

void CIDFileDialog::OnOK(wxCommandEvent&)
{
    if (TransferDataFromWindow())
        EndModal(wxID_OK);
}

void CIDFileDialog::OnViewFile(wxCommandEvent&)
{
    if (m_viewer) {
        m_viewer->Show();
        m_viewer->Raise();
        return;
    }
    std::string text;
    if (m_fileText) {
        text = m_fileText;
    } else {
        CQuillmarkApp* app = GetAppPtr();
        CUrlString url;
        if (!m_fileIsLocal && app) {
            if (RefuseWebsiteUrl(*app))
                return;
            url = CUrlString(app->Setup().m_strWebsiteUrl);
            url.AppendPath(app->Setup().m_strWebsiteScoreFileDirectory);
            url.AppendPath(m_fileName);
        } else {
            url.FromFilePath(m_fileName);
        }
        std::vector<char> bytes;
        if (!app || !app->GetURL(url.GetString(), bytes)) {
            m_viewFile->Disable();
            return;
        }
        text.assign(bytes.data());
    }
    m_viewer = ShowFileText(nullptr, m_fileName, Utf8ToString(text.c_str()));
}
