#include "app/deferred_prompter.h"

namespace {
thread_local IPrompter* t_installed = nullptr;
constexpr unsigned kButtonMask = 0xF;
constexpr unsigned kIconMask = 0xF0;
}  // namespace

int CDeferredPrompter::MessageBox(const std::string& text, unsigned style)
{
    const unsigned buttons = style & kButtonMask;
    m_boxes.push_back({text, MB_OK | (style & kIconMask)});
    switch (buttons) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDCANCEL;
    }
}

void CDeferredPrompter::ShowDeferred(IPrompter& prompter)
{
    std::vector<Box> boxes;
    boxes.swap(m_boxes);
    for (const Box& box : boxes)
        prompter.MessageBox(box.text, box.style);
}

CDeferredPrompter::Scope::Scope(CDeferredPrompter& prompter) : m_previous(t_installed)
{
    t_installed = &prompter;
}

CDeferredPrompter::Scope::~Scope()
{
    t_installed = m_previous;
}

IPrompter* CDeferredPrompter::Installed()
{
    return t_installed;
}
