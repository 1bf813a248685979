#include "ui/help_window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <wx/button.h>
#include <wx/display.h>
#include <wx/html/htmlcell.h>
#include <wx/html/htmlwin.h>
#include <wx/sizer.h>

#include "ui/size_box.h"

namespace {

// No white space between the elements: where a paragraph's last line fills
// the width, the text view would wrap it onto an empty line of its own.
const char kPage[] =
    "<h3>Quillmark Help</h3>"
    "<p>Quillmark posts the results of your club's games on the club's website. Post Games (F4) finds the"
    " score files written since the last posting, lets you confirm them and their hand records, makes "
    "each results page, puts it into the website's results template and uploads it, then updates the "
    "index page. Hold Shift (Repost, Shift+F4) to list files posted before as well; File &gt; Post... "
    "picks files by hand. File &gt; Cancel stops a running posting.</p>"
    "<h3>Posting, step by step</h3>"
    "<p>The status line beside the Post Games button, at the top of the window, names the step Quillmark "
    "is at. When a game cannot be posted, "
    "Quillmark says why in a message and in the log (View &gt; Logfile), leaves that game out of the "
    "Upload History and goes on with the next one; the next Post Games offers the failed game again. "
    "When the server cannot be reached or refuses the login, one message says so and the posting stops."
    "</p>"
    "<p><b>1. \"Setup required: ...\"</b>: a setting that posting needs is empty. Open Setup &gt; "
    "Setup... and fill in the item named (Computer: Score File Directory; Website: Website URL, Score "
    "File Directory, Score File Template Filename, Index Template Filename, Index Filename; FTP: Server, "
    "User and Password).</p>"
    "<p><b>2. \"Selecting score files to post\"</b>: Quillmark looks in the Score File Directory for "
    "score files changed after Post Files Modified After that are not yet in the Upload History. \"There "
    "are no new score files in ...\" means none was found: check that the scoring program wrote its "
    "results as a text file into that folder. To post a game again use Repost (Shift+F4) or File &gt; "
    "Post... When the status line says \"The Score File Directory ... cannot be read\" (the log says it "
    "too, and nothing is posted), the folder is not there or may not be read: plug in the memory stick or connect the shared folder that holds it, or correct Score File "
    "Directory on Setup's Computer page.</p>"
    "<p><a name=\"confirm-posting\"><b>3. \"Confirming score files to post\"</b></a>: the Confirm Posting "
    "window lists the games. Tick "
    "the ones to post. The Hand Records column shows the hand-record file found for each game; click "
    "\"[click here]\" to choose one, or right-click a row for Clear Hand Records, Select Hand Records... "
    "and View Score File. Cancel stops without posting anything.</p>"
    "<p><b>4. \"Downloading score file template\"</b>: the results template is read from the Website URL,"
    " the Website Score File Directory and the Score File Template Filename. If it fails, open that "
    "address in a web browser; correct the three Website settings or put the template on the website.</p>"
    "<p><a name=\"posting-questions\"><b>5. \"Posting score file '...'\"</b></a>: Quillmark asks before it "
    "posts results that are in the "
    "Upload History already (\"The results in a score file have been posted previously to a web page.\"; "
    "Insert is the place on that page, 1 for the first) or a score file more than four hours old. Yes "
    "posts, No skips the game, Cancel ends the posting, Yes to All answers every later question with Yes."
    "</p>"
    "<p><a name=\"identify-score-file\"><b>Identify Score File</b></a>: when the event, date, session "
    "time, masterpoint limit or section cannot be read from the score file, this window asks for them "
    "before the game is posted. OK posts the game with what you entered, Skip leaves it out and Cancel "
    "ends the posting.</p>"
    "<p><b>6. \"Vantorel is processing score file '...'\"</b>: the layout program makes the results page "
    "(and the PDF of the hand records) with the HTML Layout and PDF Layout files of Setup's Computer "
    "page. If it fails, check that the layout program is installed and that both layout files exist. With"
    " \"Check Score Data\" on, \"Potential scoring errors were found\" lists the boards concerned: "
    "correct them in the scoring program and post again, or post anyway.</p>"
    "<p><b>7. \"Opening web page staging file\", \"Merging\"</b>: the page is put into the template below"
    " its marker line &lt;!--quillmark:insert--&gt;. \"Expected 1 insert locations, found 0\" (or 2) "
    "means the template must hold that line exactly once: correct the template on the website.</p>"
    "<p><b>8. \"Upload pending\", \"Connecting to ...\", \"Changing to directory: ...\", \"Uploading "
    "file: ...\"</b>: the page, its files, the PDF and the hand-record file go to the server by FTP, FTPS"
    " or SFTP. \"FTP: Could not connect\": the server did not answer on that port (it is down, the name "
    "is wrong, or a firewall is in the way): check that it is up, and Server, Port Number and Protocol on "
    "Setup's FTP page. \"FTP: Login was unsuccessful\": the server answered but refused the login: check "
    "Server, User, Password, Protocol and Port Number on Setup's FTP page. "
    "\"FTP: Change to directory was unsuccessful\": check Directory on the FTP page "
    "(see below) and the Website's Score File Directory. Help &gt; Upload a Test File tries the FTP "
    "settings without posting anything, and View &gt; Logfile shows what the server answered.</p>"
    "<p><b>9. \"Creating local index page\", then the index upload</b>: the index page lists the posted "
    "games. \"Indexing failed\" at the end means the games are posted but the index is not; Index &gt; "
    "Create Index and Index &gt; Publish Index try it again.</p>"
    "<p>At the end the status line says \"Post Games succeeded\" with the number of games, or how many "
    "failed. After File &gt; Cancel it says how many games were posted before the cancel: those are on "
    "the website but not yet in the index, and the next Post Games posts the rest and updates the index."
    "</p>"
    "<h3><a name=\"setup-computer\">Setup: Computer page</a></h3>"
    "<p><b>Post Files Modified After:</b> Post Games looks only at score files changed after this date "
    "and time. The field is greyed out so that it is not changed by accident: to change it, hold down "
    "Shift while you choose Setup &gt; Setup... and keep it held until the Setup window opens. An earlier"
    " time lets Post Games find older games; games already in the Upload History are still left out "
    "(Repost lists them).</p>"
    "<h3><a name=\"setup-website\">Setup: Website page</a></h3>"
    "<p><b>Provide link to computer hand records on index page:</b> the index page then links the "
    "hand-record file of each game, so anyone can download every deal of the set as the dealing program "
    "wrote it, including boards that were not played. <b>Caution:</b> when the same deals will be played "
    "again (in a later session, at another club or in another round of the same event), leave this off "
    "until the last of them has been played, or the file gives the deals away.</p>"
    "<h3><a name=\"setup-ftp\">Setup: FTP page</a></h3>"
    "<p><b>Directory:</b> the folder on the server, as your FTP login sees it, that holds the website's "
    "home page (the page the Website URL opens). Leave it empty when the login starts in that folder; "
    "often it is public_html, www or htdocs. Quillmark changes to it after logging in, and the Website's "
    "Score File Directory and the index page are taken from there. For BridgeWebs it is the part of the "
    "address between the server name and /cgi-bin/. To check it, use Help &gt; Upload a Test File: it "
    "puts TestFile.txt into this folder, and the Website URL followed by /TestFile.txt should then show "
    "that file in a web browser.</p>"
    "<p><b>SFTP:</b> Quillmark logs in with your SSH key (in the .ssh folder of your home folder), never "
    "with the Password above. The files go up over SSH, but the results template and the index template "
    "are read from the website over HTTP or HTTPS (the Website URL, as in step 4), so the website "
    "must be reachable from this computer too. The server's host key must be in "
    "your known_hosts file: connect once from a terminal (ssh -p PORT USER@SERVER) and accept the key. "
    "When the server cannot be reached, its host key is unknown or has changed, or it refuses the key, "
    "one message gives ssh's own reason (such as \"Host key verification failed.\") and the posting "
    "stops. A host key that has changed may mean that someone listens in between: ask the server's "
    "administrator, and only once they confirm the new key remove the old one (ssh-keygen -R SERVER, or "
    "-R \"[SERVER]:PORT\" for another port than 22) and connect once again. Help &gt; Upload a Test File "
    "tries the connection without posting anything.</p>"
    "<h3><a name=\"history\">History</a></h3>"
    "<p>View &gt; History lists every score file in the Upload History, the record Quillmark uses to "
    "notice games posted before. Click a column heading to sort by it. Destination Path is the page on "
    "the website and Destination Insert the place on that page (1 for the first). Remove forgets the "
    "selected games, so the next Post Games offers them again; Add... records games as posted without "
    "posting them. Nothing changes until you press OK.</p>"
    "<h3>Keys</h3>"
    "<p>F4 Post Games, Shift+F4 Repost, F1 this Help, F6 and Shift+F6 move between the address line and "
    "the page. In the web view: Alt+Left back, Alt+Right forward, "
    "F5 refresh, Esc stop. In Confirm Posting and Index, Space ticks or clears the row that has the "
    "focus. In every dialog F1 opens the Help at its part. Esc closes this window.</p>";

}  // namespace

CHelpWindow::CHelpWindow(wxWindow* parent, const std::string& topic)
    : wxDialog(parent, wxID_ANY, "Help - Quillmark", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_topic(topic)
{
    // The page is laid out at the opening width to learn its height.
    const int width = FromDIP(660);
    m_view = new wxHtmlWindow(this, wxID_ANY, wxDefaultPosition, wxSize(width, FromDIP(200)),
                              wxHW_SCROLLBAR_AUTO | wxBORDER_THEME);
    m_view->SetBorders(FromDIP(14));  // the margin round the text
    m_view->SetPage(kPage);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_view, 1, wxEXPAND);
    // Close is the dialog's Cancel button, so Escape presses it.
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Close"));
    top->Add(buttons, 0, wxALIGN_RIGHT | wxALL, FromDIP(8));

    // Tall enough for the whole text where the screen allows; past that the
    // text scrolls, and the window opens with no line cut at its bottom.
    const int screen = wxDisplay(std::max(wxDisplay::GetFromWindow(this), 0)).GetClientArea().height;
    m_view->SetMinSize(wxSize(width, WholeLinesHeight(screen * 3 / 4)));
    const wxSize opening = top->ComputeFittingWindowSize(this);
    m_view->SetMinSize(FromDIP(wxSize(280, 120)));
    SetSizer(top);
    SetSize(opening);
    CSizeBox::Attach(this, "HelpText");
    // The wheel and the keys are the user's: the part is left where the
    // user takes it. (The toolkit also reports scroll-bar changes that a new
    // layout makes, so those cannot tell the user's own.)
    auto userScrolls = [this](wxEvent& event) {
        event.Skip();
        m_userScrolled = true;
    };
    m_view->Bind(wxEVT_MOUSEWHEEL, userScrolls);
    m_view->Bind(wxEVT_KEY_DOWN, userScrolls);
    KeepTopicInView();
    // The view lays its page out again when its client width changes, say
    // when the scroll bar comes or goes or turns out to take no room on the
    // screen, and the lines move: fit it again once that is done.
    m_view->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (!m_refitPending) {
            m_refitPending = true;
            CallAfter([this] {
                m_refitPending = false;
                FitViewToWholeLines();
                KeepTopicInView();
            });
        }
    });
}

bool CHelpWindow::Layout()
{
    const bool done = wxDialog::Layout();
    FitViewToWholeLines();
    KeepTopicInView();
    return done;
}

void CHelpWindow::KeepTopicInView()
{
    // The page is laid out again at each new width (the stored size, the
    // window manager's frame), which moves the part: it is put back at the
    // top until the user scrolls.
    if (m_topic.empty() || m_userScrolled)
        return;
    const wxString name = wxString::FromUTF8(m_topic);
    const wxHtmlContainerCell* page = m_view->GetInternalRepresentation();
    const wxHtmlCell* anchor = page ? page->Find(wxHTML_COND_ISANCHOR, &name) : nullptr;
    if (!anchor)
        return;
    // The anchor sits on its line's base line: the part starts at the top
    // of the heading or paragraph that holds it.
    const wxHtmlCell* part = anchor->GetParent() ? anchor->GetParent() : anchor;
    int unitX = 0, unitY = 0;
    m_view->GetScrollPixelsPerUnit(&unitX, &unitY);
    m_view->Scroll(-1, unitY > 0 ? part->GetAbsPos().y / unitY : 0);
}

void CHelpWindow::FitViewToWholeLines()
{
    // The window's final size is not ours to choose: a window manager adds
    // its frame after the window is shown, may keep it inside the work area
    // and sends sizes of its own on the way, and the user may drag it. So
    // the text view takes the whole lines of the room the sizer gave it and
    // leaves the rest of the last line empty below it, above the Close
    // button.
    wxSizerItem* slot = GetSizer() ? GetSizer()->GetItem(m_view) : nullptr;
    if (!slot)
        return;
    const wxRect room = slot->GetRect();
    if (room.height <= 0)
        return;
    const int whole = WholeLinesHeight(room.height);
    const wxSize fitted(room.width, whole > 0 ? whole : room.height);
    if (m_view->GetSize() != fitted)
        m_view->SetSize(room.x, room.y, fitted.x, fitted.y);
}

int CHelpWindow::WholeLinesHeight(int limit) const
{
    const wxHtmlContainerCell* page = m_view->GetInternalRepresentation();
    const int border = m_view->GetWindowBorderSize().y;
    if (page->GetHeight() + border <= limit)
        return page->GetHeight() + border;
    // The words of the page, top and bottom; a height is good when no word
    // reaches across it.
    std::vector<std::pair<int, int>> words;
    for (wxHtmlTerminalCellsInterator it(page->GetFirstTerminal(), page->GetLastTerminal()); it; ++it) {
        const int top = it->GetAbsPos().y;
        words.emplace_back(top, top + it->GetHeight());
    }
    int best = 0;
    for (const auto& word : words) {
        const int edge = word.second;
        if (edge > limit - border || edge <= best)
            continue;
        if (std::none_of(words.begin(), words.end(),
                         [edge](const std::pair<int, int>& w) { return w.first < edge && edge < w.second; }))
            best = edge;
    }
    return best > 0 ? best + border : limit;
}

const char* CHelpWindow::Page()
{
    return kPage;
}

int CHelpWindow::ShowHelp(wxWindow* parent, const std::string& topic)
{
    CHelpWindow help(parent, topic);
    return help.ShowModal();
}
