// The view shows pages the program makes (results pages merged into the
// club's template, the local index pages) and pages fetched from the club's
// website, and the user can follow links from them. None of them needs more
// than HTML, style sheets, images and at most a little script for a menu,
// so the engine is set up as follows:
//
// - file URLs may read neither other files nor anything of another origin
//   ("allow-file-access-from-file-urls", "allow-universal-access-from-
//   file-urls" off): a downloaded page opened from the staging folder must
//   not read the user's files and send them away;
// - no plugins and no Java;
// - no WebGL, Web Audio, media streams (camera, microphone) or WebRTC;
// - no developer tools (the inspector could run script in any page);
// - script may not open windows by itself.
//
// JavaScript itself stays on: club templates use it for menus, and the
// settings above keep a page's script to its own page.
//
// wxWebView gives the WebKitWebView through GetNativeBackend(). The WebKit
// calls are looked up at run time, so that no WebKit headers are needed to
// build and a view without WebKit is simply left as it is.
#include "ui/web_view_hardening.h"

#include <dlfcn.h>
#include <wx/webview.h>

namespace {

using GetSettingsFn = void* (*)(void*);
using SetFn = void (*)(void*, int);
using GetFn = int (*)(void*);

struct Setting {
    const char* name;  // as in webkit_settings_set_<name>
    int value;
};

const Setting kSettings[] = {
    {"allow_file_access_from_file_urls", 0},
    {"allow_universal_access_from_file_urls", 0},
    {"enable_plugins", 0},
    {"enable_java", 0},
    {"enable_webgl", 0},
    {"enable_webaudio", 0},
    {"enable_media_stream", 0},
    {"enable_webrtc", 0},
    {"enable_developer_extras", 0},
    {"javascript_can_open_windows_automatically", 0},
};

void* Settings(wxWebView* view)
{
    if (!view)
        return nullptr;
    auto getSettings = reinterpret_cast<GetSettingsFn>(::dlsym(RTLD_DEFAULT, "webkit_web_view_get_settings"));
    void* webView = view->GetNativeBackend();
    return getSettings && webView ? getSettings(webView) : nullptr;
}

template <typename Fn>
Fn Lookup(const char* verb, const char* name)
{
    const std::string symbol = std::string("webkit_settings_") + verb + name;
    return reinterpret_cast<Fn>(::dlsym(RTLD_DEFAULT, symbol.c_str()));
}

}  // namespace

bool HardenWebView(wxWebView* view)
{
    void* settings = Settings(view);
    if (!settings)
        return false;
    for (const Setting& s : kSettings) {
        // A setting this WebKit does not know (older or newer) is skipped.
        if (SetFn set = Lookup<SetFn>("set_", s.name))
            set(settings, s.value);
    }
    return true;
}

std::vector<std::string> WebViewSettingsNotInForce(wxWebView* view)
{
    std::vector<std::string> off;
    void* settings = Settings(view);
    for (const Setting& s : kSettings) {
        GetFn get = settings ? Lookup<GetFn>("get_", s.name) : nullptr;
        if (!get || (get(settings) != 0) != (s.value != 0))
            off.push_back(s.name);
    }
    return off;
}
