#include <gtest/gtest.h>
#include <wx/wx.h>

// The display is there and a top-level window can be shown and closed.
TEST(GuiSmokeTest, FrameShowsOnTheDisplay)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Smoke");
    frame->Show();
    wxYield();
    EXPECT_TRUE(frame->IsShown());
    frame->Destroy();
}
