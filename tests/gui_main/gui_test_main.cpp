// Test main for the window tests: a real wxApp on the display that
// xvfb-run provides. The tests run from inside the event loop's first idle
// turn, so dialogs, timers and CallAfter behave as in the program.
#include <gtest/gtest.h>
#include <wx/wx.h>

#include <clocale>
#include <cstdlib>
#include <ctime>

static int g_result = 1;

class CGuiTestApp : public wxApp {
public:
    bool OnInit() override
    {
        // Tests close main windows of their own; the loop ends with the
        // tests, not with the last window.
        SetExitOnFrameDelete(false);
        wxInitAllImageHandlers();
        // A failed wx check (a gauge set past its range, a bad window
        // call) fails the running test instead of opening a box that waits
        // for a click nobody gives.
        wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                              const wxString& msg) {
            ADD_FAILURE() << "wx assertion failed at " << file.utf8_str() << ":" << line << " in "
                          << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
        });
        CallAfter([this] {
            g_result = RUN_ALL_TESTS();
            ExitMainLoop();
        });
        return true;
    }
};

wxIMPLEMENT_APP_NO_MAIN(CGuiTestApp);

int main(int argc, char** argv)
{
    // UTC unless a test runs this program again in another zone (the
    // toolkit reads the zone once, so it cannot be switched in-process).
    const char* zone = std::getenv("QM_GUI_TEST_TZ");
    ::setenv("TZ", zone && *zone ? zone : "UTC", 1);
    ::tzset();
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    wxApp::SetInstance(new CGuiTestApp);
    wxEntryStart(argc, argv);
    std::setlocale(LC_ALL, "C");
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return 1;
    }
    wxTheApp->OnRun();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return g_result;
}
