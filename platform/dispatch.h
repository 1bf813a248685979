// A small automation layer: objects created by a programmatic name
// (ProgID) and driven through numbered members (dispatch ids) with
// variant arguments and results. The layout program is reached through it;
// any component registered under its ProgID can take its place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/hresult.h"

enum class VarType { Empty, Bool, Int32, Double, String, Bytes };

// One argument or result value. Strings are UTF-8.
class Variant {
public:
    Variant() = default;
    Variant(bool v) : m_value(v) {}
    Variant(int32_t v) : m_value(v) {}
    Variant(double v) : m_value(v) {}
    Variant(std::string v) : m_value(std::move(v)) {}
    Variant(const char* v) : m_value(std::string(v)) {}
    Variant(std::vector<uint8_t> v) : m_value(std::move(v)) {}

    VarType Type() const { return static_cast<VarType>(m_value.index()); }
    bool IsEmpty() const { return Type() == VarType::Empty; }

    // The stored value; the type must match (checked: a mismatch throws
    // std::bad_variant_access).
    bool GetBool() const { return std::get<bool>(m_value); }
    int32_t GetInt32() const { return std::get<int32_t>(m_value); }
    double GetDouble() const { return std::get<double>(m_value); }
    const std::string& GetString() const { return std::get<std::string>(m_value); }
    const std::vector<uint8_t>& GetBytes() const { return std::get<std::vector<uint8_t>>(m_value); }

    bool operator==(const Variant& other) const { return m_value == other.m_value; }
    bool operator!=(const Variant& other) const { return !(*this == other); }

private:
    std::variant<std::monostate, bool, int32_t, double, std::string, std::vector<uint8_t>> m_value;
};

// Converts a value to another type: numbers and booleans into each other
// (true is -1 as a number), numbers and booleans to decimal text, text to a
// number or boolean when it reads as one. S_OK, DISP_E_TYPEMISMATCH when
// the value cannot be read as that type, DISP_E_OVERFLOW when a number does
// not fit. Converting to Empty gives an empty value.
HRESULT ChangeType(const Variant& in, VarType to, Variant& out);

using DispId = int32_t;

// Call kinds; a caller may combine method and property get.
enum : unsigned {
    DISPATCH_METHOD = 0x1,
    DISPATCH_PROPERTYGET = 0x2,
    DISPATCH_PROPERTYPUT = 0x4,
};

// The error an object raises from a member (returned with DISP_E_EXCEPTION).
struct ExcepInfo {
    HRESULT scode = S_OK;
    std::string source;
    std::string description;
};

// An automation object. Arguments are in call order (the first argument
// first); a property put passes the new value as its only argument.
class IDispatchObject {
public:
    virtual ~IDispatchObject() = default;
    // S_OK with the result set (Empty when the member gives none), or:
    // DISP_E_MEMBERNOTFOUND for an unknown id or a call kind the member does
    // not have, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH for an argument
    // of the wrong kind, DISP_E_EXCEPTION with excep filled in when the
    // member itself failed. result and excep may be null.
    virtual HRESULT Invoke(DispId id, unsigned flags, const std::vector<Variant>& args,
                           Variant* result, ExcepInfo* excep) = 0;
};

// Makes a new object; S_OK with out set, or a failure code.
using DispatchCreator = std::function<HRESULT(std::unique_ptr<IDispatchObject>& out)>;

// Registers (or, with an empty creator, removes) the creator for a ProgID.
// ProgIDs are matched without regard to case. Returns the creator that was
// registered before, so that a caller can put it back. Thread-safe.
DispatchCreator RegisterDispatchClass(const std::string& progId, DispatchCreator creator);

// Creates an object by ProgID. REGDB_E_CLASSNOTREG when nothing is
// registered under it; the creator's code when it fails (E_FAIL when it
// reports success without an object, E_OUTOFMEMORY or E_FAIL when it
// throws). out is empty on failure; reason, when given, receives why a
// creator failed when it told (what it threw), else stays empty.
// Thread-safe.
HRESULT CreateDispatch(const std::string& progId, std::unique_ptr<IDispatchObject>& out,
                       std::string* reason = nullptr);
