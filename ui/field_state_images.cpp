#include "ui/field_state_images.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/window.h>

#include <memory>

namespace {

// One 64x16 strip (four 16x16 cells, in state order) drawn at the screen's
// scale, then cut into the four images.
struct StateImages {
    wxBitmap cells[4];
    wxBitmap none;

    StateImages()
    {
        const double scale = wxWindow::FromDIP(100, nullptr) / 100.0;
        const int cell = static_cast<int>(16 * scale + 0.5);
        wxBitmap strip(cell * 4, cell, 32);
        strip.UseAlpha();
        {
            wxMemoryDC dc(strip);
            dc.SetBackground(*wxTRANSPARENT_BRUSH);
            dc.Clear();
            std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
            if (gc) {
                gc->Scale(scale, scale);
                DrawStrip(*gc);
            }
        }
        for (int i = 0; i < 4; ++i)
            cells[i] = strip.GetSubBitmap(wxRect(i * cell, 0, cell, cell));
    }

    static void DrawStrip(wxGraphicsContext& gc)
    {
        // 0: empty but allowed: a grey ring.
        gc.SetPen(wxPen(wxColour(128, 128, 128), 2));
        gc.SetBrush(*wxTRANSPARENT_BRUSH);
        gc.DrawEllipse(3, 3, 10, 10);
        // 1: warning: an amber disc with a bar.
        gc.SetPen(*wxTRANSPARENT_PEN);
        gc.SetBrush(wxBrush(wxColour(230, 160, 0)));
        gc.DrawEllipse(16 + 1, 1, 14, 14);
        gc.SetBrush(*wxWHITE_BRUSH);
        gc.DrawRectangle(16 + 7, 4, 2, 6);
        gc.DrawRectangle(16 + 7, 11, 2, 2);
        // 2: invalid: a red disc with a white cross.
        gc.SetBrush(wxBrush(wxColour(200, 30, 30)));
        gc.DrawEllipse(32 + 1, 1, 14, 14);
        gc.SetPen(wxPen(*wxWHITE, 2));
        gc.StrokeLine(32 + 5, 5, 32 + 11, 11);
        gc.StrokeLine(32 + 11, 5, 32 + 5, 11);
        // 3: valid: a green disc with a white tick.
        gc.SetPen(*wxTRANSPARENT_PEN);
        gc.SetBrush(wxBrush(wxColour(30, 150, 50)));
        gc.DrawEllipse(48 + 1, 1, 14, 14);
        gc.SetPen(wxPen(*wxWHITE, 2));
        wxPoint2DDouble tick[] = {{48 + 4.5, 8.5}, {48 + 7, 11}, {48 + 11.5, 5}};
        gc.StrokeLines(3, tick);
    }
};

}  // namespace

const wxBitmap& GetFieldStateBitmap(int state)
{
    static StateImages images;
    if (state < 0 || state > 3)
        return images.none;
    return images.cells[state];
}
