// The program's log, "QuillmarkLogfile.txt" in the program data folder.
// Every entry is "[%m/%d/%y %H:%M:%S]" + the text with carriage returns
// removed and a line end added when missing. Entries come from the UI thread
// and from workers; one lock keeps each entry whole.
#pragma once

#include <mutex>
#include <string>

class CException;
class IStatusSink;

class CLogfile {
public:
    // The log in the given file (the program data folder's log normally).
    explicit CLogfile(std::string path);

    const std::string& GetPath() const { return m_path; }
    // 1 written, 0 not written; never reports to the user.
    int Write(const std::string& text);
    int Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // "LastStatus=[%s]\n" when there is a main frame.
    int WriteLastStatus();
    // The "LastStatus" entry, then "Exception(Class[,code])=[message]".
    int WriteException(const CException& e);
    // "%s=\n|" + body with every CR LF replaced by LF + "|", then "\n".
    int WriteBlock(const std::string& body, const std::string& name);
    // Drops whole lines from the front until the file is below maxBytes.
    void Trim(size_t maxBytes);

private:
    std::string m_path;
    std::mutex m_mutex;
};
