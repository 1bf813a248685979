#include "standin/standin_layout.h"

#include <cerrno>
#include <cstdio>
#include <new>

#include "platform/path_helpers.h"
#include "platform/line_splitter.h"
#include "platform/text_encoding.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "standin/hand_record_pdf.h"
#include "standin/results_page.h"
#include "standin/score_text.h"
#include "platform/vantorel_interface.h"

namespace {

// What a member raises; Invoke turns it into DISP_E_EXCEPTION.
struct LayoutError {
    HRESULT code;
    std::string description;
};

[[noreturn]] void ThrowFileError(int error, const char* what, const std::string& path)
{
    std::string text = SystemErrorText(error);
    throw LayoutError{error ? HRESULT_FROM_WIN32(error) : E_FAIL,
                      StrFormat("Cannot %s \"%s\"%s%s", what, path.c_str(), text.empty() ? "" : ": ",
                                text.c_str())};
}

std::string ReadWholeFile(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        ThrowFileError(errno, "open", path);
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed)
        ThrowFileError(error, "read", path);
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        ThrowFileError(errno, "create", path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int error = errno;
    if (std::fclose(f) != 0 || !written)
        ThrowFileError(written ? errno : error, "write", path);
}

enum class Kind { Property, ReadOnlyProperty, Method };

struct Member {
    DispId id;
    Kind kind;
    int pathArgs;  // string arguments of a method
};

const Member kMembers[] = {
    {vantorel::Version, Kind::ReadOnlyProperty, 0},
    {vantorel::DoubleDummyAllBoards, Kind::Method, 0},
    {vantorel::Quiet, Kind::Property, 0},
    {vantorel::SaveAsHtml, Kind::Method, 1},
    {vantorel::ImportScoreData, Kind::Method, 1},
    {vantorel::OpenHandRecords, Kind::Method, 1},
    {vantorel::LoadLayout, Kind::Method, 1},
    {vantorel::SaveAsPdf, Kind::Method, 1},
    {vantorel::SortBoards, Kind::Method, 0},
    {vantorel::CheckScoreData, Kind::Method, 0},
};

const Member* FindMember(DispId id)
{
    for (const Member& m : kMembers) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

}  // namespace

HRESULT CStandInLayout::Invoke(DispId id, unsigned flags, const std::vector<Variant>& args,
                               Variant* result, ExcepInfo* excep)
{
    if (result)
        *result = Variant();
    const Member* member = FindMember(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;

    // Check the call kind and the arguments before anything is done.
    unsigned kind;
    size_t argc;
    if (member->kind == Kind::Method) {
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        kind = DISPATCH_METHOD;
        argc = static_cast<size_t>(member->pathArgs);
    } else if (flags & DISPATCH_PROPERTYPUT) {
        if (member->kind == Kind::ReadOnlyProperty)
            return DISP_E_MEMBERNOTFOUND;
        kind = DISPATCH_PROPERTYPUT;
        argc = 1;
    } else if (flags & DISPATCH_PROPERTYGET) {
        kind = DISPATCH_PROPERTYGET;
        argc = 0;
    } else {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (args.size() != argc)
        return DISP_E_BADPARAMCOUNT;
    std::vector<std::string> paths;
    Variant value;
    if (kind == DISPATCH_METHOD) {
        for (const Variant& arg : args) {
            Variant text;
            if (FAILED(ChangeType(arg, VarType::String, text)))
                return DISP_E_TYPEMISMATCH;
            paths.push_back(text.GetString());
        }
    } else if (kind == DISPATCH_PROPERTYPUT) {
        if (FAILED(ChangeType(args[0], VarType::Bool, value)))
            return DISP_E_TYPEMISMATCH;
    }

    LayoutError error{S_OK, {}};
    try {
        Variant out = Call(id, kind, paths, value);
        if (result)
            *result = std::move(out);
        return S_OK;
    } catch (LayoutError& e) {
        error = std::move(e);
    } catch (const std::bad_alloc&) {
        error = {E_OUTOFMEMORY, "Out of memory."};
    } catch (const std::exception& e) {
        error = {E_FAIL, e.what()};
    }
    if (excep) {
        excep->scode = error.code;
        excep->source = kVantorelProgId;
        excep->description = std::move(error.description);
    }
    return DISP_E_EXCEPTION;
}

Variant CStandInLayout::Call(DispId id, unsigned kind, const std::vector<std::string>& paths,
                             const Variant& value)
{
    for (const std::string& path : paths) {
        if (path.empty())
            throw LayoutError{E_INVALIDARG, "No file name was given."};
    }
    switch (id) {
    case vantorel::Version:
        return Variant(std::string(kStandInLayoutVersion));
    case vantorel::Quiet:
        if (kind == DISPATCH_PROPERTYPUT) {
            m_quiet = value.GetBool();
            return {};
        }
        return Variant(m_quiet);
    case vantorel::OpenHandRecords: OpenHandRecords(paths[0]); return {};
    case vantorel::SortBoards:
        RequireHandRecords();
        SortDeals(m_handRecords.deals);
        return {};
    case vantorel::LoadLayout: LoadLayout(paths[0]); return {};
    case vantorel::DoubleDummyAllBoards: return {};
    case vantorel::SaveAsPdf: SaveAsPdf(paths[0]); return {};
    case vantorel::ImportScoreData: ImportScoreData(paths[0]); return {};
    case vantorel::CheckScoreData: return Variant(CheckScoreData());
    case vantorel::SaveAsHtml: SaveAsHtml(paths[0]); return {};
    default: break;
    }
    throw LayoutError{E_UNEXPECTED, "Unknown member."};
}

void CStandInLayout::OpenHandRecords(const std::string& path)
{
    m_handRecordsOpen = false;
    m_handRecords = PbnFile();
    const std::string bytes = ReadWholeFile(path);
    PbnFile file;
    std::string why;
    if (!ReadPbn(bytes, file, why))
        throw LayoutError{E_INVALIDARG, GetFileNameOnly(path) + ": " + why};
    m_handRecords = std::move(file);
    m_handRecordsOpen = true;
}

void CStandInLayout::LoadLayout(const std::string& path)
{
    const std::string text = DecodeScoreText(ReadWholeFile(path));
    std::string title;
    CLineSplitter lines(TextBeforeNul(text), LineEnds::CrOrLf);
    std::string_view line;
    while (lines.Next(line)) {
        const std::string t = Trim(SanitizeUtf8(line));
        const size_t eq = t.find('=');
        if (t.empty() || t[0] == '#' || eq == std::string::npos)
            continue;
        if (EqualsNoCase(Trim(t.substr(0, eq)), "title"))
            title = Trim(t.substr(eq + 1));
    }
    m_layoutTitle = title;
}

void CStandInLayout::RequireHandRecords() const
{
    if (!m_handRecordsOpen)
        throw LayoutError{E_INVALIDARG, "No hand records are open."};
}

void CStandInLayout::RequireScoreData() const
{
    if (!m_scoreImported)
        throw LayoutError{E_INVALIDARG, "No score data has been imported."};
}

void CStandInLayout::SaveAsPdf(const std::string& path)
{
    RequireHandRecords();
    std::string title = m_layoutTitle;
    if (title.empty())
        title = m_handRecords.event;
    if (title.empty())
        title = "Hand records";
    CPdfWriter pdf;
    LayOutHandRecords(pdf, title, m_handRecords.deals);
    WriteWholeFile(path, pdf.Build());
}

void CStandInLayout::ImportScoreData(const std::string& path)
{
    m_scoreImported = false;
    m_scoreText = DecodeScoreText(ReadWholeFile(path));
    m_scorePath = path;
    m_scoreImported = true;
}

int32_t CStandInLayout::CheckScoreData()
{
    RequireHandRecords();
    RequireScoreData();
    m_reported = FindBoardsWithoutDeals(m_scoreText, m_handRecords.deals);
    return static_cast<int32_t>(m_reported.size());
}

void CStandInLayout::SaveAsHtml(const std::string& path)
{
    RequireScoreData();
    std::string title = m_layoutTitle;
    if (title.empty())
        title = RemoveExtension(GetFileNameOnly(m_scorePath));
    WriteWholeFile(path, BuildResultsPage(title, m_scoreText,
                                          m_handRecordsOpen ? &m_handRecords.deals : nullptr));
}

void RegisterStandInLayout()
{
    RegisterDispatchClass(kVantorelProgId, [](std::unique_ptr<IDispatchObject>& out) {
        out = std::make_unique<CStandInLayout>();
        return S_OK;
    });
}
