#include "platform/dispatch.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <new>

#include "platform/text_helpers.h"

namespace {

bool ParseNumber(const std::string& text, double& value)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && errno == 0 && std::isfinite(value);
}

std::string FormatDouble(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

// Rounds half to even, as the conversion of numbers to integers does.
HRESULT DoubleToInt32(double d, int32_t& out)
{
    if (!std::isfinite(d))
        return DISP_E_OVERFLOW;
    const double r = std::nearbyint(d);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return DISP_E_OVERFLOW;
    out = static_cast<int32_t>(r);
    return S_OK;
}

struct Registry {
    std::mutex lock;
    // Keys are lower-cased ProgIDs.
    std::map<std::string, DispatchCreator> creators;
};

Registry& GetRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

HRESULT ChangeType(const Variant& in, VarType to, Variant& out)
{
    if (in.Type() == to) {
        out = in;
        return S_OK;
    }
    switch (to) {
    case VarType::Empty:
        out = Variant();
        return S_OK;
    case VarType::Bool:
        switch (in.Type()) {
        case VarType::Empty: out = Variant(false); return S_OK;
        case VarType::Int32: out = Variant(in.GetInt32() != 0); return S_OK;
        case VarType::Double: out = Variant(in.GetDouble() != 0.0); return S_OK;
        case VarType::String: {
            const std::string t = Trim(in.GetString());
            double d;
            if (EqualsNoCase(t, "true")) { out = Variant(true); return S_OK; }
            if (EqualsNoCase(t, "false")) { out = Variant(false); return S_OK; }
            if (ParseNumber(t, d)) { out = Variant(d != 0.0); return S_OK; }
            return DISP_E_TYPEMISMATCH;
        }
        default: return DISP_E_TYPEMISMATCH;
        }
    case VarType::Int32:
        switch (in.Type()) {
        case VarType::Empty: out = Variant(int32_t{0}); return S_OK;
        case VarType::Bool: out = Variant(int32_t{in.GetBool() ? -1 : 0}); return S_OK;
        case VarType::Double: {
            int32_t v = 0;
            const HRESULT hr = DoubleToInt32(in.GetDouble(), v);
            if (SUCCEEDED(hr))
                out = Variant(v);
            return hr;
        }
        case VarType::String: {
            double d;
            if (!ParseNumber(in.GetString(), d))
                return DISP_E_TYPEMISMATCH;
            int32_t v = 0;
            const HRESULT hr = DoubleToInt32(d, v);
            if (SUCCEEDED(hr))
                out = Variant(v);
            return hr;
        }
        default: return DISP_E_TYPEMISMATCH;
        }
    case VarType::Double:
        switch (in.Type()) {
        case VarType::Empty: out = Variant(0.0); return S_OK;
        case VarType::Bool: out = Variant(in.GetBool() ? -1.0 : 0.0); return S_OK;
        case VarType::Int32: out = Variant(static_cast<double>(in.GetInt32())); return S_OK;
        case VarType::String: {
            double d;
            if (!ParseNumber(in.GetString(), d))
                return DISP_E_TYPEMISMATCH;
            out = Variant(d);
            return S_OK;
        }
        default: return DISP_E_TYPEMISMATCH;
        }
    case VarType::String:
        switch (in.Type()) {
        case VarType::Empty: out = Variant(std::string()); return S_OK;
        case VarType::Bool: out = Variant(std::string(in.GetBool() ? "True" : "False")); return S_OK;
        case VarType::Int32: out = Variant(std::to_string(in.GetInt32())); return S_OK;
        case VarType::Double: out = Variant(FormatDouble(in.GetDouble())); return S_OK;
        default: return DISP_E_TYPEMISMATCH;
        }
    case VarType::Bytes:
        if (in.Type() == VarType::String) {
            const std::string& s = in.GetString();
            out = Variant(std::vector<uint8_t>(s.begin(), s.end()));
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    }
    return DISP_E_BADVARTYPE;
}

DispatchCreator RegisterDispatchClass(const std::string& progId, DispatchCreator creator)
{
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    const std::string key = ToLowerAscii(progId);
    DispatchCreator previous;
    auto it = registry.creators.find(key);
    if (it != registry.creators.end()) {
        previous = std::move(it->second);
        registry.creators.erase(it);
    }
    if (creator)
        registry.creators.emplace(key, std::move(creator));
    return previous;
}

HRESULT CreateDispatch(const std::string& progId, std::unique_ptr<IDispatchObject>& out, std::string* reason)
{
    out.reset();
    if (reason)
        reason->clear();
    DispatchCreator creator;
    {
        Registry& registry = GetRegistry();
        std::lock_guard<std::mutex> guard(registry.lock);
        auto it = registry.creators.find(ToLowerAscii(progId));
        if (it == registry.creators.end())
            return REGDB_E_CLASSNOTREG;
        // A copy, so that the creator runs without the lock held and may
        // itself create objects.
        creator = it->second;
    }
    HRESULT hr;
    try {
        hr = creator(out);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        hr = E_FAIL;
        if (reason)
            *reason = e.what();
    } catch (...) {
        hr = E_FAIL;
    }
    if (FAILED(hr)) {
        out.reset();
        return hr;
    }
    if (!out)
        return E_FAIL;
    return S_OK;
}
