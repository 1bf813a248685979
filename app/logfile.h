// The program's log, "QuillmarkLogfile.txt" in the program data folder.
// Every entry is "[%m/%d/%y %H:%M:%S]" + the text with carriage returns
// removed and a line end added when missing. Entries come from the UI thread
// and from workers; one lock keeps each entry whole, and each entry is on
// disk when Write returns.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class CException;
class IStatusSink;

class CLogfile {
public:
    // The log in the given file (the program data folder's log normally);
    // an empty path makes a log that writes nothing.
    explicit CLogfile(std::string path);

    const std::string& GetPath() const { return m_path; }
    // 1 written, 0 not written; never reports to the user, never throws.
    int Write(const std::string& text);
    int Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // "LastStatus=[%s]\n" when there is a main frame (1 when nothing to do).
    int WriteLastStatus();
    // The "LastStatus" entry, then "Exception(Class[,code])=[message]".
    int WriteException(const CException& e);
    // "%s=\n|" + body with every CR LF replaced by LF + "|", then "\n".
    int WriteBlock(const std::string& body, const std::string& name);
    // Drops whole lines from the front until the file is below maxBytes (a
    // single last line without a line end that alone reaches the limit
    // stays). The file is replaced only once the shorter copy is complete;
    // any failure leaves it as it was.
    void Trim(size_t maxBytes);

    // The open log viewer: receives every finished entry before the file is
    // written (also when the write then fails).
    void SetViewer(std::function<void(const std::string&)> viewer);

private:
    std::string m_path;
    std::mutex m_mutex;
    std::function<void(const std::string&)> m_viewer;
};
