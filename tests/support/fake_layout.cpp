#include "support/fake_layout.h"

#include <fstream>
#include <stdexcept>

#include "platform/vantorel_interface.h"

class FakeLayout::Object : public IDispatchObject {
public:
    explicit Object(FakeLayout& owner) : m_owner(owner)
    {
        ++m_owner.m_created;
        std::lock_guard<std::mutex> lock(m_owner.m_mutex);
        m_owner.m_objectThreads.push_back(std::this_thread::get_id());
    }
    ~Object() override
    {
        ++m_owner.m_released;
        std::lock_guard<std::mutex> lock(m_owner.m_mutex);
        m_owner.m_objectThreads.push_back(std::this_thread::get_id());
    }

    HRESULT Invoke(DispId id, unsigned flags, const std::vector<Variant>& args, Variant* result,
                   ExcepInfo* excep) override
    {
        int seen = 0;
        {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            m_owner.m_calls.push_back({id, flags, args, std::this_thread::get_id()});
            for (const Call& c : m_owner.m_calls)
                seen += c.id == id ? 1 : 0;
        }
        if (m_owner.beforeCall)
            m_owner.beforeCall(id);
        if (m_owner.failure != Failure::None && id == m_owner.failId && seen == m_owner.occurrence) {
            switch (m_owner.failure) {
            case Failure::Raise:
                if (excep) {
                    excep->scode = m_owner.code;
                    excep->source = "Fake layout";
                    excep->description = m_owner.description;
                }
                return DISP_E_EXCEPTION;
            case Failure::ReturnCode:
                return m_owner.code;
            case Failure::Throw:
                throw std::runtime_error(m_owner.description);
            case Failure::None:
                break;
            }
        }
        Variant value;
        switch (id) {
        case vantorel::Version: value = Variant(m_owner.version); break;
        case vantorel::CheckScoreData: value = Variant(m_owner.boardsReported); break;
        case vantorel::SaveAsHtml:
            std::ofstream(args.at(0).GetString(), std::ios::binary) << "<html>\r\n<body>\r\nresults\r\n</body>\r\n</html>\r\n";
            break;
        case vantorel::SaveAsPdf:
            std::ofstream(args.at(0).GetString(), std::ios::binary) << "%PDF-1.4\n";
            break;
        default: break;
        }
        if (result)
            *result = value;
        return S_OK;
    }

private:
    FakeLayout& m_owner;
};

FakeLayout::FakeLayout()
{
    m_previous = RegisterDispatchClass(kVantorelProgId, [this](std::unique_ptr<IDispatchObject>& out) {
        out = std::make_unique<Object>(*this);
        return S_OK;
    });
}

FakeLayout::~FakeLayout()
{
    RegisterDispatchClass(kVantorelProgId, m_previous);
}

std::vector<FakeLayout::Call> FakeLayout::Calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

std::vector<DispId> FakeLayout::Ids() const
{
    std::vector<DispId> ids;
    for (const Call& c : Calls())
        ids.push_back(c.id);
    return ids;
}

std::vector<std::thread::id> FakeLayout::ObjectThreads() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_objectThreads;
}
