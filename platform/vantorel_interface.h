// The automation interface of the layout program: its ProgID and the
// dispatch ids of the members the program calls. The wrapper that drives
// the layout program and the stand-in component that can take its place
// both use these numbers.
#pragma once

#include "platform/dispatch.h"

inline constexpr const char* kVantorelProgId = "Vantorel.Object";

namespace vantorel {
// Property get: the version text, "major.minor.build".
constexpr DispId Version = 1;
// Method, no arguments: double-dummy analysis of all boards of the open
// hand records.
constexpr DispId DoubleDummyAllBoards = 4;
// Property put (bool): no dialogs or message boxes while driven.
constexpr DispId Quiet = 15;
// Method (HTML file path): write the results page.
constexpr DispId SaveAsHtml = 16;
// Method (score-file path): read the results of a game.
constexpr DispId ImportScoreData = 18;
// Method (hand-record file path): open a hand-record file.
constexpr DispId OpenHandRecords = 20;
// Method (layout file path): use a layout for the following output.
constexpr DispId LoadLayout = 21;
// Method (PDF file path): write the hand records as PDF.
constexpr DispId SaveAsPdf = 22;
// Method, no arguments: put the boards of the hand records in order.
constexpr DispId SortBoards = 30;
// Method, no arguments: check the imported results against the hand
// records; the result (int32) is the number of boards reported.
constexpr DispId CheckScoreData = 42;
}  // namespace vantorel
