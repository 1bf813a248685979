// The start-up check of the layout program: can its automation object be
// created, and is it recent enough for the members the posting calls.
#include <cctype>
#include <climits>
#include <exception>

#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/vantorel_dispatch.h"

namespace {

constexpr unsigned kMinMajor = 5;
constexpr unsigned kMinMinor = 53;
constexpr unsigned kMinBuild = 1;
const char kDownloadPage[] = "https://www.vantorel.com/download";

struct Version {
    unsigned major = 0, minor = 0, build = 0;
};

// Up to three dot-separated decimal numbers; parts that are missing, or
// that do not start with a digit, count 0. A sign is not accepted (a
// negative number would otherwise wrap round to a huge version).
Version ReadVersion(const std::string& text)
{
    Version v;
    unsigned* parts[3] = {&v.major, &v.minor, &v.build};
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    for (unsigned* part : parts) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            break;
        unsigned long long n = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (n <= UINT_MAX)
                n = n * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
        }
        *part = n > UINT_MAX ? UINT_MAX : static_cast<unsigned>(n);
        if (i >= text.size() || text[i] != '.')
            break;
        ++i;
    }
    return v;
}

// 5.53.1 is the oldest usable version; any higher major or minor passes
// whatever its build.
bool IsTooOld(const Version& v)
{
    if (v.major != kMinMajor)
        return v.major < kMinMajor;
    if (v.minor != kMinMinor)
        return v.minor < kMinMinor;
    return v.build < kMinBuild;
}

std::string VersionText(unsigned major, unsigned minor, unsigned build)
{
    return FormatVersion(static_cast<unsigned long>(build & 0xFFFF) << 16,
                         (static_cast<unsigned long>(major & 0xFFFF) << 16) | (minor & 0xFFFF));
}

}  // namespace

bool CQuillmarkApp::CheckVantorel()
{
    CVantorelDispatch vantorel;
    COleException error(S_OK);
    if (!vantorel.CreateDispatch(&error)) {
        LogOperation("CQuillmarkApp::CheckVantorel: CreateDispatch");
        if (m_pLog)
            m_pLog->WriteException(error);
        std::string text = StrFormat("Is Vantorel installed?\r\n\r\nCreateDispatch returned 0x%08X",
                                     static_cast<unsigned>(error.m_sc));
        const std::string message = TrimRight(error.m_message);
        text += message.empty() ? std::string(".\r\n") : ":\r\n\"" + message + "\"";
        Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
        return false;
    }

    std::string versionText;
    try {
        versionText = vantorel.GetVersion();
    } catch (const CException& e) {
        // An object that cannot tell its version cannot be trusted with the
        // members the posting calls.
        ReportException(e, "CQuillmarkApp::CheckVantorel: GetVersion");
        return false;
    } catch (const std::exception& e) {
        // Nothing may cross the automation boundary but a status code.
        ReportException(COleException(E_FAIL, e.what()), "CQuillmarkApp::CheckVantorel: GetVersion");
        return false;
    }
    vantorel.ReleaseDispatch();

    const Version v = ReadVersion(versionText);
    if (!IsTooOld(v))
        return true;

    std::string text = "Vantorel update required.\r\n\r\n";
    if (v.major != 0 || v.minor != 0 || v.build != 0)
        text += StrFormat("Your version: %s\r\n", VersionText(v.major, v.minor, v.build).c_str());
    text += StrFormat("Minimum version required: %s\r\n", VersionText(kMinMajor, kMinMinor, kMinBuild).c_str());
    text += "\r\nTo update Vantorel,\r\nuse Vantorel Help>Check For Updates\r\nor visit ";
    text += kDownloadPage;
    text += " and click \"Download Now\"";
    Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
    return false;
}
