// Status codes of the automation layer, in the 32-bit HRESULT form the
// layout program and its callers exchange: negative values are failures,
// the facility in bits 16..26 tells where a code comes from. System error
// codes (errno values here) travel as HRESULT_FROM_WIN32 of the code.
#pragma once

#include <cstdint>
#include <string>

using HRESULT = int32_t;

constexpr HRESULT MakeHResult(uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);

constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0u);

constexpr uint32_t FACILITY_WIN32 = 7;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x1FFF; }
constexpr uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFF; }

// A system error code as a failure HRESULT; 0 and codes that are already
// negative pass through unchanged.
constexpr HRESULT HRESULT_FROM_WIN32(int64_t code)
{
    return code <= 0 ? static_cast<HRESULT>(code)
                     : MakeHResult((static_cast<uint32_t>(code) & 0xFFFF) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

// The standard text of a code: the program's own texts for the automation
// codes above, the system's text for a system error carried as
// HRESULT_FROM_WIN32. Empty when there is none.
std::string HResultText(HRESULT hr);

// HResultText, or "Error code %d (0x%08X)" when it is empty.
std::string HResultTextOrCode(HRESULT hr);
