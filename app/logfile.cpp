#include "app/logfile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "app/date_helpers.h"
#include "app/quillmark_app.h"
#include "app/text_helpers.h"
#include "platform/exceptions.h"

CLogfile::CLogfile(std::string path) : m_path(std::move(path)) {}

int CLogfile::Write(const std::string& text)
{
    int64_t now = static_cast<int64_t>(::time(nullptr));
    if (CQuillmarkApp* app = GetAppPtr())
        now = app->Now();
    std::string entry = "[" + FormatShortDateTime(now) + "]" + text;
    entry = ReplaceAll(entry, "\r", "");
    if (entry.empty() || entry.back() != '\n')
        entry += '\n';
    if (m_path.empty())
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    // Other processes may read, but entries are written whole.
    ::flock(fd, LOCK_EX);
    size_t done = 0;
    bool ok = true;
    while (done < entry.size()) {
        const ssize_t n = ::write(fd, entry.data() + done, entry.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::flock(fd, LOCK_UN);
    if (::close(fd) != 0)
        ok = false;
    return ok ? 1 : 0;
}

int CLogfile::Printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, args);
        text.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return Write(text);
}

int CLogfile::WriteLastStatus()
{
    CQuillmarkApp* app = GetAppPtr();
    if (!app || !app->MainFrame())
        return 1;
    return Printf("LastStatus=[%s]\n", ::Trim(app->MainFrame()->GetLastStatus()).c_str());
}

int CLogfile::WriteException(const CException& e)
{
    WriteLastStatus();
    std::string message = ::Trim(e.GetErrorMessage());
    if (message.empty())
        message = "(Error message was not found for this exception)";
    std::string entry = StrFormat("Exception(%s", e.GetClassName());
    if (e.HasCode()) {
        const int64_t code = e.GetCode();
        if (code >= 1 && code <= 65535)
            entry += StrFormat(",%d", static_cast<int>(code));
        else if (code != 0)
            entry += StrFormat(",0x%08X", static_cast<unsigned>(code));
    }
    entry += ")=[" + message + "]\n";
    return Write(entry);
}

int CLogfile::WriteBlock(const std::string& body, const std::string& name)
{
    std::string text = name + "=\n|" + body;
    text = ReplaceAll(text, "\r\n", "\n|");
    text += "\n";
    return Write(text);
}

void CLogfile::Trim(size_t maxBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FILE* f = std::fopen(m_path.c_str(), "rb");
    if (!f)
        return;
    std::string content;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        content.append(buf, n);
    std::fclose(f);
    if (content.size() < maxBytes)
        return;
    size_t cut = content.size() - maxBytes + 1;
    const size_t nl = content.find('\n', cut > 0 ? cut - 1 : 0);
    cut = nl == std::string::npos ? content.size() : nl + 1;
    const std::string tmp = m_path + ".trim";
    FILE* out = std::fopen(tmp.c_str(), "wb");
    if (!out)
        return;
    const bool ok = std::fwrite(content.data() + cut, 1, content.size() - cut, out) == content.size() - cut;
    if (std::fclose(out) == 0 && ok)
        std::rename(tmp.c_str(), m_path.c_str());
    else
        std::remove(tmp.c_str());
}
