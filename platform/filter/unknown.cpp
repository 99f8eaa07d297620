// Reference counting of the framework's objects, and the live-object count.
#include "platform/filter/unknown.hpp"

namespace platform::filter {

namespace {
#if ZENTIL_TEST_HOOKS
std::atomic<long> live_count{0};
#endif
}  // namespace

#if ZENTIL_TEST_HOOKS
long live_objects() { return live_count.load(); }
live_object::live_object() { ++live_count; }
live_object::live_object(const live_object&) { ++live_count; }
live_object::~live_object() { --live_count; }
#else
live_object::live_object() = default;
live_object::live_object(const live_object&) = default;
live_object::~live_object() = default;
#endif

CUnknown::CUnknown(const char* object_name, IUnknown* outer, HRESULT*) : name_(object_name ? object_name : "")
{
    (void)outer;  // the system never aggregates: every object answers for itself
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
        *out = static_cast<IUnknown*>(this);
        NonDelegatingAddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() { return static_cast<ULONG>(++m_cRef); }

ULONG CUnknown::NonDelegatingRelease()
{
    long left = --m_cRef;
    if (left == 0) {
        // A count of 1 during destruction keeps an AddRef/Release pair made by
        // the destructor from deleting the object a second time.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(left);
}

}  // namespace platform::filter
