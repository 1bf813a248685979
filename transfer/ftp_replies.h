// What an FTP server's replies say beyond their codes: a listing the server
// cut short, an answer that lists other folders than the one asked for, a
// server that takes no login without TLS; and the exchanges of a curl run
// read back from its verbose output.
#pragma once

#include <string>
#include <vector>

// Collects the lines of an FTP server's replies as they come, one reply
// (all its lines) at a time.
class CFtpReplyReader {
public:
    // One line as the server sent it (CR LF removed); true when it ended
    // a reply.
    bool AddLine(const std::string& line);
    void Clear();
    // The last complete reply: code and text of each line, joined by a
    // blank ("421 Sorry, cleartext sessions are not accepted. 421 Please
    // reconnect using TLS."). Empty before the first.
    const std::string& LastReply() const { return m_last; }
    // The code of that reply (0 before the first).
    int LastCode() const { return m_lastCode; }

private:
    std::string m_pending;
    int m_pendingCode = 0;
    std::string m_last;
    int m_lastCode = 0;
};

// True when reply (the final reply of a listing) says the server listed
// only part of the folder, as Pure-FTPd does past its limit ("226 Output
// truncated to 10000 matches"); message then tells the director why the
// listing is no use and what keeps folders small enough.
bool ListingCutShort(const std::string& reply, std::string& message);

// True when a listing holds the headings servers put between the listings
// of several folders ("2024/:"): such an answer is not the listing of the
// one folder asked for.
bool ListingNamesOtherFolders(const std::string& listing);

// True when a reply to the greeting or the login says the server takes no
// login without TLS ("421 Please reconnect using TLS security mechanisms.",
// "550 SSL/TLS required on the control channel").
bool SaysTlsRequired(int code, const std::string& reply);

// One command of a curl run and the replies it got (each reply as
// CFtpReplyReader::LastReply gives it); command "" for the greeting.
struct CFtpExchange {
    std::string command;
    std::vector<std::string> replies;
};

// A curl run's error stream under --verbose, read back: curl's own lines
// (its error message) and the FTP exchanges.
struct CCurlVerboseText {
    std::string ownLines;  // curl's own lines, each ended by "\r\n"
    std::vector<CFtpExchange> exchanges;
    // The last reply to the last command that began with word ("STOR",
    // "LIST"); empty when there was none.
    std::string LastReplyTo(const std::string& word) const;
    // The last reply of the run that refused something (4xx or 5xx), to
    // whatever command curl had sent last; empty when there was none.
    std::string LastRefusal() const;
};
CCurlVerboseText ReadCurlVerbose(const std::string& errors);
