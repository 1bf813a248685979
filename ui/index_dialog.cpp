#include <wx/sizer.h>
#include <wx/stattext.h>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "posting/score_file.h"
#include "ui/dialog_services.h"
#include "ui/list_check_keys.h"
#include "ui/size_box.h"
#include "ui/small_dialogs.h"

namespace {

struct Column {
    const char* title;
    int width;
};
const Column kColumns[] = {{"Date", 100}, {"Session", 150}, {"Sec", 40}, {"Limits", 110}, {"Event", 220}};

}  // namespace

CIndexList::CIndexList(wxWindow* parent, const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
      m_entries(entries),
      m_toggles(toggles)
{
    for (size_t i = 0; i < sizeof kColumns / sizeof kColumns[0]; ++i)
        AppendColumn(kColumns[i].title, wxLIST_FORMAT_LEFT, FromDIP(kColumns[i].width));
    EnableCheckBoxes(true);
    SetItemCount(static_cast<long>(entries.size()));
    ToggleCheckBoxWithSpace(this);

    // The check box itself (a click, or Space on the focused row) reports
    // through the list's own events; a click elsewhere on a row is seen on
    // the rows' window.
    // The generic list draws its rows in the window it scrolls.
    m_rows = GetTargetWindow();
    if (m_rows) {
        // A second click soon after the first arrives as a double click: it
        // flips the row again all the same.
        auto onClick = [this](wxMouseEvent& event) {
            int flags = 0;
            const long item = HitTest(event.GetPosition(), flags);
            if (item >= 0 && item < GetItemCount()) {
                Flip(item);
                // The list may report the same click as a check box change.
                m_clickedItem = item;
                CallAfter([this] { m_clickedItem = -1; });
            }
            event.Skip();
        };
        m_rows->Bind(wxEVT_LEFT_DOWN, onClick);
        m_rows->Bind(wxEVT_LEFT_DCLICK, onClick);
    }
    auto onCheck = [this](wxListEvent& event) {
        const long item = event.GetIndex();
        if (item == m_clickedItem || item < 0 || item >= GetItemCount())
            return;
        if (OnGetItemIsChecked(item) != (event.GetEventType() == wxEVT_LIST_ITEM_CHECKED))
            Flip(item);
        else
            RefreshItem(item);
    };
    Bind(wxEVT_LIST_ITEM_CHECKED, onCheck);
    Bind(wxEVT_LIST_ITEM_UNCHECKED, onCheck);
}

void CIndexList::Flip(long item)
{
    m_toggles[static_cast<size_t>(item)] = !m_toggles[static_cast<size_t>(item)];
    RefreshItem(item);
}

wxString CIndexList::OnGetItemText(long item, long column) const
{
    if (item < 0 || static_cast<size_t>(item) >= m_entries.size())
        return {};
    const CScoreFile* file = m_entries[static_cast<size_t>(item)];
    std::string text;
    switch (column) {
    case 0:
        try {
            text = FormatShortDate(file->GetDate());
        } catch (...) {
            text.clear();
        }
        break;
    case 1: text = file->GetSessionText(true); break;
    case 2: text = file->GetSection(); break;
    case 3: text = file->GetDescriptor(SFD_MP_LIMITS); break;
    case 4:
        text = file->GetDescriptor(SFD_EVENT);
        if (text.empty())
            text = GetFileNameOnly(file->GetPath());
        break;
    default: break;
    }
    return wxString::FromUTF8(text);
}

bool CIndexList::OnGetItemIsChecked(long item) const
{
    if (item < 0 || static_cast<size_t>(item) >= m_entries.size())
        return false;
    return (m_entries[static_cast<size_t>(item)]->IsHidden() != 0) != m_toggles[static_cast<size_t>(item)];
}

CIndexDialog::CIndexDialog(wxWindow* parent, const std::vector<CScoreFile*>& entries)
    : wxDialog(parent, wxID_ANY, "Index", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_entries(entries),
      m_toggles(entries.size(), false)
{
    m_list = new CIndexList(this, m_entries, m_toggles);
    m_list->SetMinSize(FromDIP(wxSize(660, 260)));
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, "Checked items will be hidden (omitted from generated index webpages)"),
             0, wxLEFT | wxRIGHT | wxTOP, 10);
    top->Add(m_list, 1, wxEXPAND | wxALL, 10);
    top->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL | wxHELP), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
    // Placement and column widths kept in the profile.
    CSizeBox::Attach(this, "IndexDialog");
    BindHelpButton(this, nullptr);
}
