// Stand-ins for the transfer layer: a URL source answering from a table
// and a server connection that works on a local folder (the "website"),
// with a listing given by the test so that its order is known.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "posting/web_transport.h"

class CQuillmarkApp;

class CFakeUrlSource : public IUrlSource {
public:
    std::map<std::string, std::string> pages;  // URL -> bytes
    // Called when a URL is asked for (for example to press Cancel); the
    // download then fails silently when the application was cancelled.
    std::function<void()> onRequest;
    CQuillmarkApp* app = nullptr;
    std::vector<std::string> requested;

    bool GetURL(const std::string& url, std::string& bytes) override;
};

// The server side: a local folder that receives uploads, the listing the
// walk reports (so that its order is the test's), and what was done.
class CFakeWebsite {
public:
    struct Entry {
        std::string folder;  // backslash separators, "" at the top
        std::string name;
        bool isFolder = false;
        std::string content;
    };

    explicit CFakeWebsite(std::string root) : root(std::move(root)) {}

    std::string root;
    bool loginOk = true;
    std::vector<Entry> listing;
    std::set<std::string> failUploads;  // remote paths whose upload fails
    std::vector<std::string> uploaded;  // remote paths, in order
    std::vector<std::string> calls;     // "login", "cd x", "list", "disconnect"
    std::multiset<std::string> failFolders;  // each entry fails one change into that folder
    // Called before each upload with the remote path (it may throw, as a
    // transfer that goes wrong in an unexpected way does).
    std::function<void(const std::string&)> beforeUpload;
    std::vector<std::string> events;    // "put x" and "delete x", in order
    bool connected = false;             // between a login and a disconnect
    std::string transcript;             // shown by ShowLog
    int transcriptsShown = 0;
};

// One connection to the fake website; the website outlives it.
class CFakeWebTransport : public IWebTransport {
public:
    explicit CFakeWebTransport(CFakeWebsite& site) : m_site(site) {}

    bool Login() override;
    void Disconnect() override;
    bool SetCurrentDirectory(const std::string& folder, bool webVisible) override;
    bool UploadFile(const std::string& localPath, const std::string& remotePath) override;
    bool DownloadFile(std::string& bytes, const std::string& remotePath) override;
    bool EnumerateFiles(const EntryCallback& callback) override;
    bool DeleteFile(const std::string& remotePath) override;
    void ShowLog() override;

private:
    CFakeWebsite& m_site;
    std::string m_current;
};
