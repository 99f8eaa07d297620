// Reference-counted objects: the IUnknown contract, the CUnknown base that
// implements it, and a holder that releases what it holds.
#pragma once

#include "platform/filter/guid.hpp"
#include "platform/filter/result.hpp"

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform::filter {

using ULONG = std::uint32_t;

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// The operations a class overrides; its IUnknown forwards to them.
struct INonDelegatingUnknown {
    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;

protected:
    ~INonDelegatingUnknown() = default;
};

#if ZENTIL_TEST_HOOKS
// Objects of this framework alive now (CUnknown objects and media samples).
long live_objects();
#endif

// Counts one live object from construction to destruction.
class live_object {
public:
    live_object();
    live_object(const live_object&);
    live_object& operator=(const live_object&) = default;
    ~live_object();
};

// A reference-counted object. Its count starts at 0; the last Release deletes
// it. An outer object may be given and is never used: every object is its own
// owner, so its IUnknown forwards to the non-delegating operations. A class
// that adds interfaces (each deriving from IUnknown) declares
// ZENTIL_DECLARE_IUNKNOWN once to give them all the same three operations.
class CUnknown : public INonDelegatingUnknown, public IUnknown {
public:
    CUnknown(const char* object_name, IUnknown* outer, HRESULT* result = nullptr);
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;
    virtual ~CUnknown() = default;

    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    HRESULT QueryInterface(REFIID iid, void** out) override { return NonDelegatingQueryInterface(iid, out); }
    ULONG AddRef() override { return NonDelegatingAddRef(); }
    ULONG Release() override { return NonDelegatingRelease(); }

    const char* ObjectName() const { return name_; }

protected:
    std::atomic<long> m_cRef{0};

private:
    const char* name_;
    live_object live_;
};

// Hands out `object` as the interface asked for, with one reference added.
template <typename Interface>
HRESULT GetInterface(Interface* object, void** out)
{
    if (!out)
        return E_POINTER;
    *out = object;
    object->AddRef();
    return S_OK;
}

// The IUnknown operations of a CUnknown-derived class, forwarding to the
// non-delegating ones (the object is always its own owner).
#define ZENTIL_DECLARE_IUNKNOWN                                                                            \
    ::platform::filter::HRESULT QueryInterface(::platform::filter::REFIID iid, void** out) override         \
    {                                                                                                      \
        return NonDelegatingQueryInterface(iid, out);                                                      \
    }                                                                                                      \
    ::platform::filter::ULONG AddRef() override { return NonDelegatingAddRef(); }                          \
    ::platform::filter::ULONG Release() override { return NonDelegatingRelease(); }

// Holds one reference to an interface and releases it on destruction.
template <typename T>
class com_ptr {
public:
    com_ptr() = default;
    // Takes over a reference the caller owns.
    explicit com_ptr(T* owned) : p_(owned) {}
    com_ptr(const com_ptr& other) : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adds a reference to `p` and holds it.
    static com_ptr share(T* p)
    {
        if (p)
            p->AddRef();
        return com_ptr(p);
    }

    void reset()
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // The place for an out parameter; whatever was held is released first.
    T** put()
    {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // The object's interface `iid` as U, or empty.
    template <typename U>
    com_ptr<U> as(REFIID iid) const
    {
        com_ptr<U> out;
        if (p_)
            p_->QueryInterface(iid, out.put_void());
        return out;
    }

private:
    T* p_ = nullptr;
};

}  // namespace platform::filter
