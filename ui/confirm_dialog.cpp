#include "ui/confirm_dialog.h"

#include <algorithm>
#include <memory>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/utils.h>
#include <wx/display.h>
#include <wx/gdicmn.h>

#include "app/quillmark_app.h"
#include "platform/path_helpers.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_services.h"
#include "ui/help_window.h"
#include "ui/file_text_viewer.h"
#include "ui/text_dialog.h"
#include "ui/list_check_keys.h"
#include "ui/list_columns.h"
#include "ui/size_box.h"

namespace {

const char* const kClickHere = "[click here]";
const char* const kNotAttached =
    "Hand records are not attached to one or more selected score files.\r\n\r\nPress OK to continue "
    "and post anyway.\r\nPress Cancel to go back and attach hand records.\r\n";

struct ColumnInfo {
    const char* title;
    int width;
    wxListColumnFormat align;
};
const ColumnInfo kColumns[] = {
    {"Filename", 100, wxLIST_FORMAT_LEFT}, {"Hand Records", 100, wxLIST_FORMAT_LEFT},
    {"Event", 140, wxLIST_FORMAT_LEFT},    {"Session", 100, wxLIST_FORMAT_LEFT},
    {"Sec", 30, wxLIST_FORMAT_CENTRE},     {"Date", 60, wxLIST_FORMAT_LEFT},
    {"Limits", 60, wxLIST_FORMAT_LEFT},
};

}  // namespace

CConfirmDialog::CConfirmDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Confirm Posting", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    const int gap = FromDIP(6);
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_checkAll = new wxCheckBox(this, wxID_ANY, "Check All", wxDefaultPosition, wxDefaultSize,
                                wxCHK_3STATE);
    top->Add(m_checkAll, 0, wxLEFT | wxTOP | wxRIGHT, gap * 2);
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(620, 260)),
                            wxLC_REPORT | wxLC_NO_SORT_HEADER | wxBORDER_SUNKEN);
    m_list->EnableCheckBoxes();
    ToggleCheckBoxWithSpace(m_list);
    for (const ColumnInfo& c : kColumns)
        m_list->AppendColumn(c.title, c.align, FromDIP(c.width));
    top->Add(m_list, 1, wxEXPAND | wxALL, gap * 2);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_ok = new wxButton(this, wxID_OK, "OK");
    m_ok->SetDefault();
    buttons->Add(m_ok, 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_HELP, "Help"), 0);
    top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);
    SetSizerAndFit(top);

    m_checkAll->Bind(wxEVT_CHECKBOX, &CConfirmDialog::OnCheckAll, this);
    m_list->Bind(wxEVT_LIST_ITEM_CHECKED, &CConfirmDialog::OnItemChecked, this);
    m_list->Bind(wxEVT_LIST_ITEM_UNCHECKED, &CConfirmDialog::OnItemChecked, this);
    m_list->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &CConfirmDialog::OnRightClick, this);
    m_list->Bind(wxEVT_CONTEXT_MENU, &CConfirmDialog::OnContextMenu, this);
    m_list->GetMainWindowOfCompositeControl()->Bind(wxEVT_LEFT_UP, &CConfirmDialog::OnListClick, this);
    Bind(wxEVT_MENU, &CConfirmDialog::OnClearHandRecords, this, ID_CLEAR_HAND_RECORDS);
    Bind(wxEVT_MENU, &CConfirmDialog::OnSelectHandRecords, this, ID_SELECT_HAND_RECORDS);
    Bind(wxEVT_MENU, &CConfirmDialog::OnViewScoreFile, this, ID_VIEW_SCORE_FILE);
    Bind(wxEVT_BUTTON, &CConfirmDialog::OnOK, this, wxID_OK);
    BindHelpButton(this, [] { return std::string(help::kConfirmPosting); });
}

CConfirmDialog::~CConfirmDialog()
{
    if (m_viewer)
        delete m_viewer;  // now, while the profile it saves its placement to is there
}

int CConfirmDialog::ShowModal()
{
    if (!m_request)
        return wxID_CANCEL;
    if (AddMode())
        SetTitle("Add Score Files");
    FillList();
    // Room for every column's text where the screen allows it.
    WidenColumnsToText(m_list, FromDIP(28));
    const int wanted = TotalColumnWidth(m_list) + FromDIP(30);
    const int screen = wxGetClientDisplayRect().width * 9 / 10;
    if (m_list->GetSize().x < wanted) {
        m_list->SetMinSize(wxSize(std::min(wanted, screen), m_list->GetMinSize().y));
        Fit();
    }
    // Placement and column widths as the director left them last time.
    CSizeBox::Attach(this, "ConfirmDialog");
    return wxDialog::ShowModal();
}

void CConfirmDialog::FillList()
{
    ++m_updating;
    m_list->DeleteAllItems();
    m_handRecordPaths.clear();
    for (const ConfirmPostingRow& r : m_request->rows) {
        const int row = static_cast<int>(m_handRecordPaths.size());
        m_handRecordPaths.push_back(r.handRecordPath);
        m_list->InsertItem(row, ToWx(GetFileNameOnly(r.path)));
        SetHandRecordCell(row);
        m_list->SetItem(row, COL_EVENT, ToWx(r.event));
        m_list->SetItem(row, COL_SESSION, ToWx(r.session));
        m_list->SetItem(row, COL_SEC, ToWx(r.section));
        m_list->SetItem(row, COL_DATE, ToWx(r.date));
        m_list->SetItem(row, COL_LIMITS, ToWx(r.limits));
        m_list->CheckItem(row, !AddMode() && r.checked);
    }
    --m_updating;
    UpdateCheckAll();
}

void CConfirmDialog::SetHandRecordCell(int row)
{
    const std::string& path = m_handRecordPaths[row];
    std::string text;
    if (AddMode())
        text = path;
    else
        text = path.empty() ? kClickHere : GetFileNameOnly(path);
    m_list->SetItem(row, COL_HAND_RECORDS, ToWx(text));
}

void CConfirmDialog::UpdateCheckAll()
{
    if (m_updating)
        return;
    const int count = m_list->GetItemCount();
    int checked = 0;
    for (int i = 0; i < count; ++i)
        if (m_list->IsItemChecked(i))
            ++checked;
    if (checked == count)
        m_checkAll->Set3StateValue(wxCHK_CHECKED);
    else if (checked == 0)
        m_checkAll->Set3StateValue(wxCHK_UNCHECKED);
    else
        m_checkAll->Set3StateValue(wxCHK_UNDETERMINED);
    m_ok->Enable(checked > 0);
}

void CConfirmDialog::OnCheckAll(wxCommandEvent&)
{
    const int count = m_list->GetItemCount();
    bool anyUnchecked = false;
    for (int i = 0; i < count && !anyUnchecked; ++i)
        anyUnchecked = !m_list->IsItemChecked(i);
    ++m_updating;
    for (int i = 0; i < count; ++i)
        m_list->CheckItem(i, anyUnchecked);
    --m_updating;
    m_checkAll->Set3StateValue(anyUnchecked ? wxCHK_CHECKED : wxCHK_UNCHECKED);
    m_ok->Enable(anyUnchecked);
}

void CConfirmDialog::OnItemChecked(wxListEvent&)
{
    UpdateCheckAll();
}

std::vector<int> CConfirmDialog::GetSelectedRows() const
{
    std::vector<int> rows;
    for (long i = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); i != -1;
         i = m_list->GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        rows.push_back(static_cast<int>(i));
    return rows;
}

bool CConfirmDialog::ChooseHandRecords(int row)
{
    if (!m_request->selectHandRecords)
        return false;
    std::string path = m_handRecordPaths[row];
    if (!m_request->selectHandRecords(static_cast<size_t>(row), false, path))
        return false;
    m_handRecordPaths[row] = path;
    SetHandRecordCell(row);
    return true;
}

void CConfirmDialog::OnListClick(wxMouseEvent& event)
{
    event.Skip();
    if (AddMode())
        return;
    // The list hands on the clicks of its rows part in that part's
    // coordinates, while cell rectangles count from the list's own top
    // (header included): take the pointer's place on the screen instead.
    const wxPoint pos = m_list->ScreenToClient(wxGetMousePosition());
    const long first = m_list->GetTopItem();
    const long last = std::min<long>(m_list->GetItemCount(), first + m_list->GetCountPerPage() + 1);
    for (long row = first; row < last; ++row) {
        wxRect cell;
        if (m_list->GetSubItemRect(row, COL_HAND_RECORDS, cell) && cell.Contains(pos)) {
            // After the list has finished with the click (selection, focus).
            CallAfter([this, row] { ChooseHandRecords(static_cast<int>(row)); });
            return;
        }
    }
}

wxMenu* CConfirmDialog::CreateContextMenu()
{
    const std::vector<int> selected = GetSelectedRows();
    if (AddMode() || selected.empty())
        return nullptr;
    bool anyWithPath = false;
    for (int row : selected)
        anyWithPath = anyWithPath || !m_handRecordPaths[row].empty();
    auto* menu = new wxMenu;
    menu->Append(ID_CLEAR_HAND_RECORDS, "&Clear Hand Records",
                 "Omit hand record processing for selected score file");
    menu->Append(ID_SELECT_HAND_RECORDS, "&Select Hand Records...",
                 "Select the .pbn hand record file for the selected score file");
    menu->AppendSeparator();
    menu->Append(ID_VIEW_SCORE_FILE, "&View Score File...");
    menu->Enable(ID_CLEAR_HAND_RECORDS, anyWithPath);
    return menu;
}

void CConfirmDialog::OnRightClick(wxListEvent& event)
{
    std::unique_ptr<wxMenu> menu(CreateContextMenu());
    if (menu)
        PopupMenu(menu.get(), ScreenToClient(m_list->ClientToScreen(event.GetPoint())));
}

void CConfirmDialog::OnContextMenu(wxContextMenuEvent& event)
{
    // From the keyboard (menu key, Shift+F10); the mouse goes through the
    // right-click above.
    if (event.GetPosition() != wxDefaultPosition)
        return;
    std::unique_ptr<wxMenu> menu(CreateContextMenu());
    if (menu)
        PopupMenu(menu.get());
}

void CConfirmDialog::OnClearHandRecords(wxCommandEvent&)
{
    if (AddMode())
        return;
    for (int row : GetSelectedRows()) {
        m_handRecordPaths[row].clear();
        SetHandRecordCell(row);
    }
}

void CConfirmDialog::OnSelectHandRecords(wxCommandEvent&)
{
    const std::vector<int> selected = GetSelectedRows();
    if (AddMode() || selected.empty() || !ChooseHandRecords(selected.front()))
        return;
    const std::string path = m_handRecordPaths[selected.front()];
    for (size_t i = 1; i < selected.size(); ++i) {
        m_handRecordPaths[selected[i]] = path;
        SetHandRecordCell(selected[i]);
    }
}

void CConfirmDialog::OnViewScoreFile(wxCommandEvent&)
{
    const std::vector<int> selected = GetSelectedRows();
    if (AddMode() || selected.empty())
        return;
    const size_t row = static_cast<size_t>(selected.front());
    const std::string text = m_request->scoreFileText ? m_request->scoreFileText(row) : std::string();
    m_viewer = ShowFileText(m_viewer, m_request->rows[row].path, text);
}

void CConfirmDialog::OnOK(wxCommandEvent&)
{
    const size_t count = m_handRecordPaths.size();
    bool missingHandRecords = false;
    for (size_t i = 0; i < count; ++i)
        if (m_list->IsItemChecked(static_cast<long>(i)) && m_handRecordPaths[i].empty())
            missingHandRecords = true;
    if (!AddMode() && missingHandRecords && m_request->alertHandRecordsNotFilled) {
        const unsigned style = MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2;
        CQuillmarkApp* app = GetAppPtr();
        const int answer = app ? app->MessageBoxLogged(kNotAttached, style) : ShowDialogMessage(kNotAttached, style);
        // Back to the dialog with nothing given back.
        if (answer != IDOK)
            return;
    }
    m_answer.checked.assign(count, false);
    for (size_t i = 0; i < count; ++i)
        m_answer.checked[i] = m_list->IsItemChecked(static_cast<long>(i));
    m_answer.handRecordPaths = m_handRecordPaths;
    EndModal(wxID_OK);
}
