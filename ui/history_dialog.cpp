#include "ui/history_dialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "app/quillmark_app.h"
#include "platform/date_helpers.h"
#include "platform/exceptions.h"
#include "platform/text_helpers.h"
#include "posting/history_edit.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_services.h"
#include "ui/help_window.h"
#include "ui/list_columns.h"
#include "ui/qm_list_ctrl.h"
#include "ui/size_box.h"

namespace {

struct ColumnInfo {
    const char* title;
    int width;
    wxListColumnFormat align;
};
const ColumnInfo kColumns[CHistoryDialog::COL_COUNT] = {
    {"Pathname", 140, wxLIST_FORMAT_LEFT},       {"Flags", 40, wxLIST_FORMAT_LEFT},
    {"Hand Records", 140, wxLIST_FORMAT_LEFT},   {"Size", 76, wxLIST_FORMAT_RIGHT},
    {"Modified", 106, wxLIST_FORMAT_LEFT},       {"Destination Path", 150, wxLIST_FORMAT_LEFT},
    {"Destination Insert", 25, wxLIST_FORMAT_LEFT}, {"Posted", 105, wxLIST_FORMAT_LEFT},
    {"Event", 140, wxLIST_FORMAT_LEFT},          {"Session", 105, wxLIST_FORMAT_LEFT},
    {"Sec", 29, wxLIST_FORMAT_LEFT},             {"Date", 56, wxLIST_FORMAT_LEFT},
    {"Limits", 90, wxLIST_FORMAT_LEFT},
};

// The path columns are drawn shortened to their width.
bool IsPathColumn(long column)
{
    return column == CHistoryDialog::COL_PATHNAME || column == CHistoryDialog::COL_HAND_RECORDS ||
           column == CHistoryDialog::COL_DESTINATION;
}

// A time as text in one of the program's short forms; empty for a time the
// local calendar cannot show.
std::string TimeText(int64_t time, std::string (*format)(int64_t))
{
    try {
        return format(time);
    } catch (const CException&) {
        return std::string();
    }
}

template <typename T>
int CompareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

// The rows are drawn from the history on demand; path cells are shortened
// in the middle to the column's width, except when the list asks for the
// whole text (its tool tip).
class CHistoryDialog::CList : public CQMListCtrl {
public:
    CList(CHistoryDialog* owner, wxWindow* parent)
        : CQMListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                      wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_SUNKEN),
          m_owner(owner)
    {
    }

    wxString OnGetItemText(long item, long column) const override
    {
        if (!m_owner->m_request || item < 0 || static_cast<size_t>(item) >= m_owner->m_order.size())
            return wxString();
        const CScoreFile& file = (*m_owner->m_request->history)[m_owner->m_order[item]];
        const wxString text = ToWx(GetColumnText(file, static_cast<int>(column)));
        if (!IsPathColumn(column) || IsUpdating())
            return text;
        wxClientDC dc(const_cast<CList*>(this));
        dc.SetFont(GetFont());
        return CompactPathForColumn(text, dc, GetColumnWidth(column) - FromDIP(12),
                                    m_owner->NameRoom(static_cast<int>(column), text));
    }

private:
    CHistoryDialog* m_owner;
};

CHistoryDialog::CHistoryDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "History", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    const int gap = FromDIP(6);
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_list = new CList(this, this);
    m_list->EnableAlternateRowColours(false);
    for (const ColumnInfo& c : kColumns)
        m_list->AppendColumn(c.title, c.align, FromDIP(c.width));
    top->Add(m_list, 1, wxEXPAND | wxALL, gap * 2);

    auto* edit = new wxBoxSizer(wxHORIZONTAL);
    edit->Add(new wxButton(this, ID_ADD, "Add..."), 0, wxRIGHT, gap);
    m_remove = new wxButton(this, ID_REMOVE, "Remove");
    edit->Add(m_remove, 0);
    top->Add(edit, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_HELP, "Help"), 0);
    top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);
    // It opens wide, but the director may make it much narrower: the list
    // then scrolls sideways.
    m_list->SetMinSize(FromDIP(wxSize(860, 300)));
    const wxSize opening = top->ComputeFittingWindowSize(this);
    m_list->SetMinSize(FromDIP(wxSize(300, 160)));
    SetSizer(top);
    SetSize(opening);

    m_list->Bind(wxEVT_LIST_COL_CLICK, &CHistoryDialog::OnHeaderClick, this);
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { UpdateRemove(); });
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { UpdateRemove(); });
    Bind(wxEVT_BUTTON, &CHistoryDialog::OnAdd, this, ID_ADD);
    Bind(wxEVT_BUTTON, &CHistoryDialog::OnRemove, this, ID_REMOVE);
    BindHelpButton(this, [] { return std::string(help::kHistory); });
}

int CHistoryDialog::ShowModal()
{
    if (!m_request || !m_request->history)
        return wxID_CANCEL;
    // Widen the short columns to their text; the path columns stay as they
    // are and are drawn shortened.
    SetSortColumn(COL_POSTED);
    FillList();
    const int margin = FromDIP(16);
    for (int col = 0; col < COL_COUNT; ++col) {
        if (IsPathColumn(col))
            continue;
        int widest = m_list->GetTextExtent(kColumns[col].title).x;
        const long rows = std::min<long>(m_list->GetItemCount(), 200);
        for (long row = 0; row < rows; ++row)
            widest = std::max(widest, m_list->GetTextExtent(m_list->GetItemText(row, col)).x);
        if (m_list->GetColumnWidth(col) < widest + margin)
            m_list->SetColumnWidth(col, widest + margin);
    }
    CSizeBox::Attach(this, "HistoryDialog");
    UpdateRemove();
    return wxDialog::ShowModal();
}

// ---- cells and sorting -----------------------------------------------------------

std::string CHistoryDialog::GetColumnText(const CScoreFile& file, int column)
{
    switch (column) {
    case COL_PATHNAME: return file.GetPath();
    case COL_FLAGS: {
        static const struct { const char* letter; uint32_t bit; } kFlags[] = {
            {"A", SFF_ADDED_TO_HISTORY}, {"B", SFF_BINARY}, {"F", SFF_PDF_HR_UPLOADED},
            {"N", SFF_COMPUTER_HR_UPLOADED}};
        std::string letters;
        for (const auto& f : kFlags)
            if (file.GetFlags() & f.bit)
                letters += f.letter;
        return letters;
    }
    case COL_HAND_RECORDS: return file.GetHandRecordPath();
    case COL_SIZE: return FormatFileSize(file.GetSize(), false);
    case COL_MODIFIED: return TimeText(file.GetModifiedTime(), FormatShortDateTime);
    case COL_DESTINATION: return file.GetWebName();
    // Insert locations count from 1 for the director (the posted-before
    // question and the log say "Insert: 1" for the first); the record keeps
    // them from 0. An entry that went nowhere has none.
    case COL_INSERT: return file.GetWebName().empty() ? std::string() : StrFormat("%d", file.GetInsertNumber() + 1);
    case COL_POSTED: return file.GetPostedTime() ? TimeText(file.GetPostedTime(), FormatShortDateTime) : "";
    case COL_EVENT: return file.GetDescriptor(SFD_EVENT);
    case COL_SESSION: return file.GetSessionText(true);
    case COL_SEC: return file.GetSection();
    case COL_DATE: return TimeText(file.GetDate(), FormatShortDate);
    case COL_LIMITS: return file.GetDescriptor(SFD_MP_LIMITS);
    default: return std::string();
    }
}

int CHistoryDialog::CompareByColumn(const CScoreFile& a, const CScoreFile& b, int column)
{
    switch (column) {
    case COL_SIZE: return CompareValues(a.GetSize(), b.GetSize());
    case COL_MODIFIED: return CompareValues(a.GetModifiedTime(), b.GetModifiedTime());
    case COL_INSERT: return CompareValues(a.GetInsertNumber(), b.GetInsertNumber());
    case COL_POSTED: return CompareValues(a.GetPostedTime(), b.GetPostedTime());
    case COL_SESSION: return CompareValues(a.GetSessionTimeIndex(), b.GetSessionTimeIndex());
    case COL_DATE: return CompareValues(a.GetDate(), b.GetDate());
    default: return GetColumnText(a, column).compare(GetColumnText(b, column));
    }
}

void CHistoryDialog::SetSortColumn(int column)
{
    if (column == m_sortColumn) {
        m_descending = !m_descending;
    } else {
        m_sortColumn = column;
        m_descending = true;
    }
    // The header's up arrow marks the descending order, newest or largest first.
    m_list->ShowSortArrow(m_sortColumn, m_descending);
}

int CHistoryDialog::NameRoom(int column, const wxString& path)
{
    auto& rooms = m_nameRooms[column];
    if (!m_nameRoomsMeasured) {
        m_nameRoomsMeasured = true;
        wxClientDC dc(m_list);
        dc.SetFont(m_list->GetFont());
        const CColScoreFile& history = *m_request->history;
        for (int col = 0; col < COL_COUNT; ++col) {
            if (!IsPathColumn(col))
                continue;
            std::vector<wxString> paths;
            paths.reserve(static_cast<size_t>(history.GetCount()));
            for (int64_t i = 0; i < history.GetCount(); ++i)
                paths.push_back(ToWx(GetColumnText(history[i], col)));
            m_nameRooms[col] = NameRoomByFolder(dc, paths);
        }
    }
    const auto found = rooms.find(FolderOfPath(path));
    return found == rooms.end() ? 0 : found->second;
}

void CHistoryDialog::FillList()
{
    const CColScoreFile& history = *m_request->history;
    m_order.resize(static_cast<size_t>(history.GetCount()));
    for (size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = static_cast<int64_t>(i);
    if (m_sortColumn >= 0) {
        const int column = m_sortColumn;
        const bool descending = m_descending;
        std::stable_sort(m_order.begin(), m_order.end(), [&](int64_t a, int64_t b) {
            const int c = CompareByColumn(history[a], history[b], column);
            return descending ? c > 0 : c < 0;
        });
    }
    // Selection belongs to rows that are now in another place: start afresh.
    for (long row : GetSelectedRows())
        m_list->SetItemState(row, 0, wxLIST_STATE_SELECTED);
    m_list->SetItemCount(static_cast<long>(m_order.size()));
    m_list->Refresh();
    UpdateRemove();
}

wxString CHistoryDialog::GetShownText(long row, int column) const
{
    return m_list->GetItemText(row, column);
}

// ---- selection, header, Add and Remove -------------------------------------------

std::vector<long> CHistoryDialog::GetSelectedRows() const
{
    std::vector<long> rows;
    for (long i = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); i != -1;
         i = m_list->GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        rows.push_back(i);
    return rows;
}

void CHistoryDialog::UpdateRemove()
{
    m_remove->Enable(m_list->GetSelectedItemCount() > 0);
}

void CHistoryDialog::OnHeaderClick(wxListEvent& event)
{
    if (event.GetColumn() < 0 || event.GetColumn() >= COL_COUNT)
        return;
    SetSortColumn(event.GetColumn());
    FillList();
}

void CHistoryDialog::OnRemove(wxCommandEvent&)
{
    std::vector<int64_t> indices;
    for (long row : GetSelectedRows())
        if (row >= 0 && static_cast<size_t>(row) < m_order.size())
            indices.push_back(m_order[row]);
    if (indices.empty())
        return;
    if (RemoveFromHistory(*m_request->history, indices) > 0)
        ++m_modified;
    m_nameRoomsMeasured = false;
    FillList();
}

void CHistoryDialog::OnAdd(wxCommandEvent&)
{
    CQuillmarkApp* app = GetAppPtr();
    if (!app)
        return;
    std::unique_ptr<wxBusyCursor> busy;
    HistoryAddView view;
    view.message = [](const std::string& text, unsigned style) { return ShowDialogMessage(text, style); };
    view.scanning = [&busy](bool scanning) {
        if (scanning)
            busy = std::make_unique<wxBusyCursor>();
        else
            busy.reset();
    };
    if (AddNewScoreFilesToHistory(*app, *m_request->history, view) > 0) {
        ++m_modified;
        m_nameRoomsMeasured = false;
        FillList();
    }
}

CQMListCtrl* CHistoryDialog::GetList() const
{
    return m_list;
}
