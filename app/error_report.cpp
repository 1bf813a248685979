#include "app/error_report.h"

#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "platform/hresult.h"

std::string FormatErrorCode(uint32_t code)
{
    return code < 0xFFFF ? StrFormat("%d", static_cast<int>(code)) : StrFormat("0x%08X", code);
}

std::string GetErrorText(uint32_t code)
{
    if (code == 0)
        code = kInvalidDataError;
    std::string text;
    if (code == inet::ExtendedError) {
        text = GetLastServerResponse();
        if (text.size() >= 1024)
            text.clear();
        if (Trim(text).empty())
            text = InternetErrorText(code);  // never an empty message
    } else if (code >= inet::kFirst && code <= inet::kLast) {
        text = InternetErrorText(code);
    } else if (code <= 0x7FFFFFFF) {
        text = SystemErrorText(static_cast<int>(code));
    } else {
        // A failure status of the automation layer (HRESULT form).
        text = HResultText(static_cast<HRESULT>(code));
    }
    if (text.empty())
        text = StrFormat("Error code %d (0x%08X)", static_cast<int>(code), code);
    return Trim(text);
}

void LogOperation(const std::string& operation)
{
    CQuillmarkApp* app = GetAppPtr();
    if (app && app->GetLog())
        app->GetLog()->Printf("Operation=[%s]\n", operation.c_str());
}

void ReportError(uint32_t code, const std::string& operation)
{
    const std::string codeText = FormatErrorCode(code);
    const std::string errorText = GetErrorText(code);
    CQuillmarkApp* app = GetAppPtr();
    std::string box = errorText;
    if (app && app->GetLog()) {
        LogOperation(operation);
        app->GetLog()->WriteLastStatus();
        app->GetLog()->Printf("Error(%s)=[%s]\n", codeText.c_str(), errorText.c_str());
    } else if (!operation.empty()) {
        box = operation + ":\r\n\r\n" + errorText;
    }
    if (app)
        app->Prompter().MessageBox(box, MB_OK | MB_ICONERROR);
}

int ReportException(const CException& e, const std::string& operation, const std::string& boxText)
{
    CQuillmarkApp* app = GetAppPtr();
    if (app && app->GetLog()) {
        LogOperation(operation);
        app->GetLog()->WriteException(e);
    }
    std::string message = boxText.empty() ? Trim(e.GetErrorMessage()) : boxText;
    if (message.empty())
        message = "An unknown error occurred.";
    return app ? app->Prompter().MessageBox(message, MB_OK | MB_ICONERROR) : IDOK;
}
