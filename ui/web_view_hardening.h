// Switches off what the HTML view never needs for results and index pages.
#pragma once

#include <string>
#include <vector>

class wxWebView;

// Applies the settings to the view's WebKit engine. False when the view has
// no WebKit engine to set (nothing is changed then).
bool HardenWebView(wxWebView* view);
// The names of the hardening settings that are not in force on the view
// (all of them when it has no WebKit engine); empty when all are.
std::vector<std::string> WebViewSettingsNotInForce(wxWebView* view);
