// What the template merge, the index commands and the score-file records
// on the website need from the transfer layer, kept to the few calls they
// make. The transfer layer provides the real ones (the FTP worker on the
// setup's FTP settings, the URL download on its worker thread); tests use
// stand-ins that work on local folders.
#pragma once

#include <functional>
#include <string>

#include "transfer/login_failure.h"

// Downloads one URL into memory. Failures are reported to the user by the
// implementation; a cancel returns false silently (the caller tells it
// from a failure by the application's cancel state).
class IUrlSource {
public:
    virtual ~IUrlSource() = default;
    virtual bool GetURL(const std::string& url, std::string& bytes) = 0;
};

// One connection to the club's server for one operation (Publish Index,
// Index Website, Edit Index). Every operation reports its own failures.
class IWebTransport {
public:
    // folder: the entry's folder relative to the starting folder
    // (backslash separators, "" at the top). Return false to stop the walk.
    using EntryCallback = std::function<bool(const std::string& folder, const std::string& name, bool isFolder)>;

    virtual ~IWebTransport() = default;
    virtual bool Login() = 0;
    virtual void Disconnect() = 0;
    // For an operation that logs in and out again and again in quick
    // succession (a posting run, once per score file): the connection may
    // stay open from one login to the next while it is good.
    virtual void KeepConnectionBetweenLogins() {}
    // Changes into a folder below the current one; webVisible when the
    // folder is part of the website's URL path.
    virtual bool SetCurrentDirectory(const std::string& folder, bool webVisible) = 0;
    // remotePath is relative to the current folder ("\" or "/" separators).
    virtual bool UploadFile(const std::string& localPath, const std::string& remotePath) = 0;
    // The bytes of a file relative to the web-visible current folder.
    virtual bool DownloadFile(std::string& bytes, const std::string& remotePath) = 0;
    // The same, telling why it failed: missing is set when the website
    // answered that it does not give the file, and left false when the
    // download itself failed (no answer, a broken reply, a server error).
    // Unless overridden, every failure counts as a missing file.
    virtual bool DownloadPage(std::string& bytes, const std::string& remotePath, bool& missing)
    {
        const bool ok = DownloadFile(bytes, remotePath);
        missing = !ok;
        return ok;
    }
    // Walks the tree below the current folder breadth-first, top folder
    // first, never entering (or reporting) a folder whose name ends with
    // "_files". False when the walk did not cover the whole tree: the
    // callback stopped it, or a folder could not be listed, or the tree
    // went past the walk's limits (the implementation has reported those).
    virtual bool EnumerateFiles(const EntryCallback& callback) = 0;
    // Whether score-file records on the website can be opened now: plain
    // FTP needs its open connection; the others open nothing until the
    // content is asked for.
    virtual bool CanOpenFiles() const { return true; }
    // Removes a file relative to the current folder; a failure is logged,
    // not shown.
    virtual bool DeleteFile(const std::string& remotePath) { return false; }
    // Shows the transcript of the curl and sftp runs, when there is one.
    virtual void ShowLog() {}
    // The connection or login failure the transport has told the user of
    // (once), or null: every further step would meet it too.
    virtual const LoginFailure* GetLoginFailure() const { return nullptr; }
};
