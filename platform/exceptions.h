// The exception classes of the program's class layer. Operations catch them
// at their boundary, log them ("Exception(Class[,code])=[message]") and show
// the message; see app/error_report.h.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class CException : public std::exception {
public:
    ~CException() override = default;
    // Name used in the log entry "Exception(<name>...)".
    virtual const char* GetClassName() const = 0;
    // The code that follows the class name in the log entry; HasCode() false
    // when the class carries none.
    virtual bool HasCode() const { return false; }
    virtual int64_t GetCode() const { return 0; }
    // The text shown to the user.
    virtual std::string GetErrorMessage() const = 0;
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

// A damaged, short or unexpected data file.
class CArchiveException : public CException {
public:
    enum Cause { none = 0, genericException, readOnly, endOfFile, writeOnly,
                 badIndex, badClass, badSchema };
    explicit CArchiveException(Cause cause, std::string fileName = {});
    const char* GetClassName() const override { return "CArchiveException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return m_cause; }
    std::string GetErrorMessage() const override;
    Cause m_cause;
    std::string m_strFileName;
};

// A file operation that failed; m_lOsError is the errno value.
class CFileException : public CException {
public:
    CFileException(int osError, std::string fileName);
    const char* GetClassName() const override { return "CFileException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return m_lOsError; }
    std::string GetErrorMessage() const override;
    int m_lOsError;
    std::string m_strFileName;
};

class CInvalidArgException : public CException {
public:
    explicit CInvalidArgException(std::string detail = {}) : m_detail(std::move(detail)) {}
    const char* GetClassName() const override { return "CInvalidArgException"; }
    std::string GetErrorMessage() const override;
    std::string m_detail;
};

class CMemoryException : public CException {
public:
    const char* GetClassName() const override { return "CMemoryException"; }
    std::string GetErrorMessage() const override { return "Out of memory."; }
};

// An error of the internet layer; m_dwError is an internet error code
// (12001 and up, see platform/error_text.h).
class CInternetException : public CException {
public:
    explicit CInternetException(uint32_t error, std::string message = {})
        : m_dwError(error), m_message(std::move(message)) {}
    const char* GetClassName() const override { return "CInternetException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return m_dwError; }
    std::string GetErrorMessage() const override;
    uint32_t m_dwError;
    std::string m_message;
};

// An automation call that failed; m_sc is an HRESULT-style status code.
class COleException : public CException {
public:
    explicit COleException(int32_t sc, std::string message = {})
        : m_sc(sc), m_message(std::move(message)) {}
    const char* GetClassName() const override { return "COleException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return static_cast<uint32_t>(m_sc); }
    std::string GetErrorMessage() const override;
    int32_t m_sc;
    std::string m_message;
};

// An error raised by the automation object itself (with its own text).
class COleDispatchException : public CException {
public:
    COleDispatchException(int32_t sc, std::string description)
        : m_scError(sc), m_strDescription(std::move(description)) {}
    const char* GetClassName() const override { return "COleDispatchException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return static_cast<uint32_t>(m_scError); }
    std::string GetErrorMessage() const override { return m_strDescription; }
    int32_t m_scError;
    std::string m_strDescription;
};

// "Already reported": the operation has told the user and only unwinds.
class CUserException : public CException {
public:
    const char* GetClassName() const override { return "CUserException"; }
    std::string GetErrorMessage() const override { return {}; }
};
