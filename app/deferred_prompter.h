// Message boxes asked for on a worker thread are kept instead of shown: the
// windows belong to the user-interface thread, and a worker must not wait on
// it. A worker installs a CDeferredPrompter on itself for as long as it runs
// (CDeferredPrompter::Scope); CQuillmarkApp::Prompter() on that thread then
// answers with it. The report's log entries are written at once; the boxes
// are shown by the user-interface thread, in order, after the worker ended.
#pragma once

#include <string>
#include <vector>

#include "app/prompter.h"

class CDeferredPrompter : public IPrompter {
public:
    struct Box {
        std::string text;
        unsigned style = 0;
    };

    // Keeps the box. The answer is IDOK for a plain box; a question cannot be
    // put to the user from here, so it gets the cautious answer (No, Cancel
    // or Abort) and is shown later as a plain box with the same icon.
    int MessageBox(const std::string& text, unsigned style) override;

    const std::vector<Box>& Boxes() const { return m_boxes; }
    // Shows the kept boxes through prompter and forgets them.
    void ShowDeferred(IPrompter& prompter);

    // Installs a prompter on the calling thread until destroyed (scopes nest).
    class Scope {
    public:
        explicit Scope(CDeferredPrompter& prompter);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        IPrompter* m_previous;
    };

    // The prompter installed on the calling thread, or null.
    static IPrompter* Installed();

private:
    std::vector<Box> m_boxes;
};
