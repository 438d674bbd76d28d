#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParameterizedModule.h"

#include "KXFramework/ObjectBase/Exception.h"

#include <string>

namespace {

constexpr const char* kSourcePath = "DeviceControl\\GeneratedCode\\Engine\\Src\\ParameterizedModule";

[[noreturn]] void ThrowLogicError(const char* description, const char* method, int line)
{
    throw KX::Exception<std::logic_error>(std::string("Logic Error : ") + description +
                                          KX::SourcePlace(method, kSourcePath, line));
}

// The rule of both local forms: S_OK when the leaf may serve the request; -1 without a parent,
// E_FAIL for another identifier than its own; a group cannot serve it at all.
KXRESULT CheckLocalRequest(const LParameterizedModule& module, const KX::ParamDescriptor& d, const char* method,
                           int line)
{
    if (!module.HasOwnParam())
        ThrowLogicError("Parameter request not served by this module", method, line);
    if (!module.GetParent())
        return -1;
    return d.id == module.GetFirstParamID() ? KX::S_OK : KX::E_FAIL;
}

} // namespace

void CheckFirstParamID(int32_t first, int32_t count, const char* method, int line)
{
    if (first < 0 || static_cast<int64_t>(first) + count - 1 > INT32_MAX)
        ThrowLogicError("Invalid FirstParamID", method, line);
}

LParameterizedModule::LParameterizedModule(bool ownParam) : m_ownParam(ownParam ? 1 : 0) {}

KXRESULT LParameterizedModule::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    m_parent = parent;
    m_firstParamID = first;
    m_index = index;
    return KX::S_OK;
}

KX::RCPtr<LParameterizedModule> LParameterizedModule::GetModule(int32_t)
{
    return KX::RCPtr<LParameterizedModule>();
}

KX::ConstRCPtr<LParameterizedModule> LParameterizedModule::GetModule(int32_t) const
{
    return KX::ConstRCPtr<LParameterizedModule>();
}

KXRESULT LParameterizedModule::SetParamValueLocal(const KX::ParamDescriptor& d, const KX::Variant& v, int)
{
    const KXRESULT r = CheckLocalRequest(*this, d, "LParameterizedModule::SetParamValueLocal", __LINE__);
    return r == KX::S_OK ? m_parent->SetCachedParamValue(d, v) : r;
}

KXRESULT LParameterizedModule::GetParamValueLocal(const KX::ParamDescriptor& d, KX::Variant& out) const
{
    const KXRESULT r = CheckLocalRequest(*this, d, "LParameterizedModule::GetParamValueLocal", __LINE__);
    return r == KX::S_OK ? m_parent->GetCachedParamValue(d, out) : r;
}

KXRESULT LParameterizedModule::SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    return m_parent ? m_parent->SetParamValue(d, v) : -1;
}

KXRESULT LParameterizedModule::GetParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const
{
    return m_parent ? m_parent->GetParamValue(d, out) : -1;
}

KXRESULT LParameterizedModule::GetParamValueDefault(const KX::ParamDescriptor&, KX::Variant& out) const
{
    out.Clear();
    return KX::S_OK;
}

KXRESULT LParameterizedModule::SetCachedParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    return m_parent ? m_parent->SetCachedParamValue(d, v) : -1;
}

KXRESULT LParameterizedModule::GetCachedParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const
{
    return m_parent ? m_parent->GetCachedParamValue(d, out) : -1;
}
