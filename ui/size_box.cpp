#include "ui/size_box.h"

#include <chrono>
#include <map>
#include <memory>
#include <vector>

#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include "app/quillmark_app.h"
#include "ui/window_frame.h"

namespace {

std::vector<QMRect> WorkAreas()
{
    std::vector<QMRect> areas;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
        const wxRect r = wxDisplay(i).GetClientArea();
        areas.push_back({r.GetLeft(), r.GetTop(), r.GetLeft() + r.GetWidth(),
                         r.GetTop() + r.GetHeight()});
    }
    return areas;
}

long ListViewType(wxListCtrl* list)
{
    if (list->HasFlag(wxLC_REPORT))
        return LV_VIEW_DETAILS;
    if (list->HasFlag(wxLC_SMALL_ICON))
        return LV_VIEW_SMALLICON;
    if (list->HasFlag(wxLC_LIST))
        return LV_VIEW_LIST;
    return LV_VIEW_ICON;
}

// The box of each window that has one.
std::map<wxWindow*, CSizeBox*>& Boxes()
{
    static std::map<wxWindow*, CSizeBox*> boxes;
    return boxes;
}

}  // namespace

CSizeBox* CSizeBox::Attach(wxTopLevelWindow* window, const std::string& section, bool resizable)
{
    // The handler below owns the object: it goes when the window's event
    // table goes, after the window's destroy event has saved the placement.
    auto box = std::shared_ptr<CSizeBox>(new CSizeBox(window, section, resizable));
    CSizeBox* raw = box.get();
    window->Bind(wxEVT_DESTROY, [box](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == box->m_window) {
            box->m_watch.Stop();
            box->Save();
        }
        event.Skip();
    });
    return raw;
}

CSizeBox::CSizeBox(wxTopLevelWindow* window, const std::string& section, bool resizable)
    : m_window(window), m_section(section), m_resizable(resizable)
{
    // The smallest size at which the sizer still fits every control, but
    // never less than what the caller has already asked for.
    wxSize minimum = window->GetMinSize();
    if (wxSizer* sizer = window->GetSizer()) {
        const wxSize fit = sizer->ComputeFittingWindowSize(window);
        minimum.x = std::max(minimum.x, fit.x);
        minimum.y = std::max(minimum.y, fit.y);
    }
    if (minimum.x < 0)
        minimum.x = 0;
    if (minimum.y < 0)
        minimum.y = 0;
    m_minSize = minimum;
    window->SetMinSize(minimum);
    if (resizable) {
        const wxSize now = window->GetSize();
        if (now.x < minimum.x || now.y < minimum.y)
            window->SetSize(std::max(now.x, minimum.x), std::max(now.y, minimum.y));
    }

    ++m_suppress;
    if (!m_section.empty()) {
        if (wxListCtrl* list = FindListCtrl(window))
            LoadListColumns(m_section, list);
        wxRect rect;
        if (LoadWindowRect(m_section, rect, resizable ? minimum : wxSize(0, 0))) {
            if (resizable) {
                window->SetSize(rect);
                HoldWindowSize(window, rect.GetSize());
            } else {
                window->Move(rect.GetPosition());
            }
            m_restoreTo = rect.GetPosition();
            m_restoreMoves = 2;
        }
    }
    --m_suppress;
    Boxes()[window] = this;
    window->Bind(wxEVT_SHOW, &CSizeBox::OnShow, this);
    m_watch.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Track(); });
    window->Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        TrackLater();
        event.Skip();
    });
    window->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        TrackLater();
        event.Skip();
    });
}

CSizeBox::~CSizeBox()
{
    Boxes().erase(m_window);
}

void CSizeBox::OnShow(wxShowEvent& event)
{
    // A modeless viewer is only hidden when closed and a modal dialog is
    // hidden before it is destroyed: keep the placement the user left.
    if (event.GetEventObject() == m_window) {
        if (event.IsShown()) {
            TrackLater();
            m_watch.Start(250);
        } else {
            m_watch.Stop();
            Save();
        }
    }
    event.Skip();
}

void CSizeBox::TrackLater()
{
    // The window manager places a window after it is shown and reports a
    // move before the frame has settled: look once the events are through.
    if (m_trackPending)
        return;
    m_trackPending = true;
    wxWeakRef<wxTopLevelWindow> window(m_window);
    m_window->CallAfter([this, window] {
        if (!window)
            return;
        m_trackPending = false;
        Track();
    });
}

void CSizeBox::Track()
{
    wxRect rect;
    if (!ScreenRectOf(m_window, rect))
        return;
    m_placed = rect;
    if (m_restoreMoves > 0) {
        if (rect.GetPosition() == m_restoreTo) {
            m_restoreMoves = 0;
        } else if (!m_moveSent || rect.GetPosition() != m_movedFrom ||
                   std::chrono::steady_clock::now() - m_moveSentAt > std::chrono::seconds(5)) {
            // Shown somewhere else than restored (the toolkit does not
            // always pass the place on): once more to where the user left
            // it. A window manager that keeps it elsewhere, say wholly on
            // the screen, has the last word. A move not yet answered is
            // waited for: a busy window manager answers late, and a look
            // before its answer is no refusal.
            --m_restoreMoves;
            m_moveSent = true;
            m_movedFrom = rect.GetPosition();
            m_moveSentAt = std::chrono::steady_clock::now();
            MoveFrameTo(m_window, m_restoreTo);
        }
    }
}

bool CSizeBox::IsPlacing() const
{
    return m_restoreMoves > 0 || HoldingWindowSize(m_window);
}

CSizeBox* CSizeBox::Of(wxWindow* window)
{
    const auto it = Boxes().find(window);
    return it == Boxes().end() ? nullptr : it->second;
}

void CSizeBox::Save()
{
    if (m_suppress > 0 || m_section.empty() || !GetAppPtr())
        return;
    // While on the screen, where it stands now; once hidden, where it
    // stood last. A window never shown has no placement to keep.
    Track();
    if (m_placed.IsEmpty())
        return;
    theApp().Profile().WriteString(
        m_section, "WindowRect",
        FormatWindowRect({m_placed.GetLeft(), m_placed.GetTop(), m_placed.GetLeft() + m_placed.GetWidth(),
                          m_placed.GetTop() + m_placed.GetHeight()}));
    if (wxListCtrl* list = FindListCtrl(m_window))
        SaveListColumns(m_section, list);
}

bool CSizeBox::ScreenRectOf(wxWindow* window, wxRect& rect)
{
    if (!window || !window->IsShownOnScreen())
        return false;
    // The toolkit's size is the one a restore sets; the corner comes from
    // the screen itself.
    wxPoint origin;
    if (!GetFrameOrigin(window, origin))
        return false;
    const wxSize size = window->GetSize();
    if (size.x <= 0 || size.y <= 0)
        return false;
    rect = wxRect(origin, size);
    return true;
}

bool CSizeBox::LoadWindowRect(const std::string& section, wxRect& rect, const wxSize& minSize)
{
    if (section.empty() || !GetAppPtr())
        return false;
    const std::string text = theApp().Profile().GetString(section, "WindowRect");
    QMRect stored, fitted;
    if (text.empty() || !ParseWindowRect(text, stored))
        return false;
    if (!FitWindowRect(stored, WorkAreas(), {minSize.x, minSize.y}, fitted))
        return false;
    rect = wxRect(static_cast<int>(fitted.left), static_cast<int>(fitted.top),
                  static_cast<int>(fitted.Width()), static_cast<int>(fitted.Height()));
    return true;
}

void CSizeBox::SaveWindowRect(wxWindow* window, const std::string& section)
{
    // A window outliving the application has nowhere to save to.
    if (section.empty() || !window || !GetAppPtr())
        return;
    wxRect r;
    if (!ScreenRectOf(window, r))
        return;
    const QMRect rect{r.GetLeft(), r.GetTop(), r.GetLeft() + r.GetWidth(), r.GetTop() + r.GetHeight()};
    theApp().Profile().WriteString(section, "WindowRect", FormatWindowRect(rect));
    if (wxListCtrl* list = FindListCtrl(window))
        SaveListColumns(section, list);
}

void CSizeBox::SaveListColumns(const std::string& section, wxListCtrl* list)
{
    if (section.empty() || !list || !GetAppPtr())
        return;
    std::vector<int> widths, order;
    const int count = list->InReportView() ? list->GetColumnCount() : 0;
    for (int i = 0; i < count; ++i)
        widths.push_back(list->GetColumnWidth(i));
#ifdef wxHAS_LISTCTRL_COLUMN_ORDER
    for (int i = 0; i < count; ++i)
        order.push_back(list->GetColumnOrder(i));
#else
    for (int i = 0; i < count; ++i)
        order.push_back(i);
#endif
    IProfile& profile = theApp().Profile();
    profile.WriteString(section, "Width", JoinNumbers(widths));
    profile.WriteString(section, "Order", JoinNumbers(order));
    profile.WriteString(section, "Type", std::to_string(ListViewType(list)));
}

void CSizeBox::LoadListColumns(const std::string& section, wxListCtrl* list)
{
    if (section.empty() || !list || !GetAppPtr())
        return;
    IProfile& profile = theApp().Profile();
    const ColumnState state = ParseColumnState(
        profile.GetString(section, "Width"), profile.GetString(section, "Order"),
        profile.GetString(section, "Type"), list->InReportView() ? list->GetColumnCount() : 0);
    // Switching the view of a filled list would throw its items away; the
    // program never changes a view, so a stored view only applies to an
    // empty list.
    if (state.view >= 0 && state.view != ListViewType(list) && list->GetItemCount() == 0) {
        static const long styles[] = {wxLC_ICON, wxLC_REPORT, wxLC_SMALL_ICON, wxLC_LIST};
        list->SetSingleStyle(styles[state.view]);
    }
    if (!list->InReportView())
        return;
    const int count = list->GetColumnCount();
    for (size_t i = 0; i < state.widths.size() && static_cast<int>(i) < count; ++i)
        list->SetColumnWidth(static_cast<int>(i), state.widths[i]);
#ifdef wxHAS_LISTCTRL_COLUMN_ORDER
    if (static_cast<int>(state.order.size()) == count) {
        // The stored value gives each column's position; wx wants the
        // column at each position.
        wxArrayInt byPosition(count);
        for (int i = 0; i < count; ++i)
            byPosition[state.order[i]] = i;
        list->SetColumnsOrder(byPosition);
    }
#endif
}

wxListCtrl* CSizeBox::FindListCtrl(wxWindow* window)
{
    if (!window)
        return nullptr;
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel())
            continue;
        if (auto* list = dynamic_cast<wxListCtrl*>(child))
            return list;
        if (wxListCtrl* inner = FindListCtrl(child))
            return inner;
    }
    return nullptr;
}
