#include "platform/hresult.h"

#include <cstdio>

#include "platform/error_text.h"

std::string HResultText(HRESULT hr)
{
    switch (hr) {
    case S_OK: return "The operation completed successfully.";
    case E_NOTIMPL: return "Not implemented.";
    case E_NOINTERFACE: return "No such interface supported.";
    case E_POINTER: return "Invalid pointer.";
    case E_ABORT: return "Operation aborted.";
    case E_FAIL: return "Unknown error.";
    case E_UNEXPECTED: return "Catastrophic failure.";
    case E_OUTOFMEMORY: return "Not enough memory resources are available to complete this operation.";
    case E_INVALIDARG: return "The parameter is incorrect.";
    case DISP_E_UNKNOWNINTERFACE: return "Unknown interface.";
    case DISP_E_MEMBERNOTFOUND: return "Member not found.";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_UNKNOWNNAME: return "Unknown name.";
    case DISP_E_BADVARTYPE: return "Bad variable type.";
    case DISP_E_EXCEPTION: return "Exception occurred.";
    case DISP_E_OVERFLOW: return "Out of present range.";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters.";
    case REGDB_E_CLASSNOTREG: return "Class not registered.";
    case CO_E_NOTINITIALIZED: return "The automation layer has not been initialized.";
    default: break;
    }
    if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        std::string text = SystemErrorText(static_cast<int>(HRESULT_CODE(hr)));
        if (!text.empty())
            text += '.';
        return text;
    }
    return {};
}

std::string HResultTextOrCode(HRESULT hr)
{
    std::string text = HResultText(hr);
    if (!text.empty())
        return text;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Error code %d (0x%08X)", hr, static_cast<unsigned>(hr));
    return buf;
}
