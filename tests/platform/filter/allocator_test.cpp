// Allocators: property agreement, commit, handing out and taking back samples.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace platform::filter;
using support::filters::filter_test;

class Allocator : public filter_test {
protected:
    Allocator() : allocator(com_ptr<IMemAllocator>::share(new CMemAllocator("allocator", nullptr, nullptr))) {}
    com_ptr<IMemAllocator> allocator;
};

TEST_F(Allocator, SetPropertiesRows)
{
    struct row {
        ALLOCATOR_PROPERTIES request;
        HRESULT result;
        LONG granted_size;
    } rows[] = {
        {{1, 100, 0, 0}, VFW_E_BADALIGN, 0},
        {{1, 100, 3, 0}, VFW_E_BADALIGN, 0},
        {{1, 100, -4, 0}, VFW_E_BADALIGN, 0},
        {{1, 100, 8192, 0}, VFW_E_BADALIGN, 0},
        {{1, 100, 4096, 0}, S_OK, 4096},
        {{2, 100, 1, 0}, S_OK, 100},
        {{2, 100, 16, 0}, S_OK, 112},
        {{2, 100, 16, 4}, S_OK, 108},  // prefix and buffer fill whole units
        {{1, 100, 1, -1}, E_INVALIDARG, 0},
        {{1, 0x7FFFFFF0, 4096, 0}, E_INVALIDARG, 0},
    };
    for (const row& r : rows) {
        ALLOCATOR_PROPERTIES actual{};
        EXPECT_EQ(allocator->SetProperties(&r.request, &actual), r.result) << r.request.cbAlign;
        if (r.result == S_OK) {
            EXPECT_EQ(actual.cbBuffer, r.granted_size);
            EXPECT_EQ(actual.cBuffers, r.request.cBuffers);
            EXPECT_EQ(actual.cbAlign, r.request.cbAlign);
            ALLOCATOR_PROPERTIES agreed{};
            EXPECT_EQ(allocator->GetProperties(&agreed), S_OK);
            EXPECT_EQ(agreed.cbBuffer, r.granted_size);
        }
    }
    ALLOCATOR_PROPERTIES request{1, 10, 1, 0};
    EXPECT_EQ(allocator->SetProperties(&request, nullptr), E_POINTER);
    EXPECT_EQ(allocator->SetProperties(nullptr, &request), E_POINTER);
    EXPECT_EQ(allocator->GetProperties(nullptr), E_POINTER);
}

TEST_F(Allocator, CommittedOrWithSamplesOutRefusesChanges)
{
    ALLOCATOR_PROPERTIES request{2, 32, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);

    com_ptr<IMediaSample> out;
    ASSERT_EQ(allocator->GetBuffer(out.put(), nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
    out.reset();
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
}

TEST_F(Allocator, GetBufferNeedsACommittedAllocator)
{
    com_ptr<IMediaSample> sample;
    EXPECT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);  // nothing agreed yet

    ALLOCATOR_PROPERTIES request{1, 8, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sample->GetSize(), 8);
    sample.reset();
    ASSERT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    EXPECT_FALSE(sample);
    EXPECT_EQ(allocator->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);

    // Committed again, the samples are made afresh.
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
}

TEST_F(Allocator, SamplesComeBackClearedAndCounted)
{
    ALLOCATOR_PROPERTIES request{2, 16, 16, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    LONG free = -1;
    EXPECT_EQ(allocator->GetFreeCount(&free), S_OK);
    EXPECT_EQ(free, 2);
    EXPECT_EQ(allocator->GetFreeCount(nullptr), E_POINTER);

    REFERENCE_TIME start = 10, stop = 20;
    com_ptr<IMediaSample> a, b, c;
    ASSERT_EQ(allocator->GetBuffer(a.put(), &start, &stop, 0), S_OK);
    ASSERT_EQ(allocator->GetBuffer(b.put(), nullptr, nullptr, 0), S_OK);
    REFERENCE_TIME got_start, got_stop;
    EXPECT_EQ(a->GetTime(&got_start, &got_stop), S_OK);
    EXPECT_EQ(got_stop, 20);
    BYTE *pa, *pb;
    a->GetPointer(&pa);
    b->GetPointer(&pb);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pa) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pb) % 16, 0u);
    EXPECT_NE(pa, pb);
    allocator->GetFreeCount(&free);
    EXPECT_EQ(free, 0);
    EXPECT_EQ(allocator->GetBuffer(c.put(), nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

    a->SetDiscontinuity(true);
    a->SetActualDataLength(5);
    IMediaSample* raw = a.get();
    a.reset();
    ASSERT_EQ(allocator->GetBuffer(c.put(), nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(c.get(), raw);
    EXPECT_EQ(c->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(c->GetActualDataLength(), 0);
    EXPECT_EQ(c->GetTime(&got_start, &got_stop), VFW_E_SAMPLE_TIME_NOT_SET);
}

TEST_F(Allocator, BlockedGetBufferWakesWhenASampleComesBack)
{
    ALLOCATOR_PROPERTIES request{1, 8, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com_ptr<IMediaSample> held;
    ASSERT_EQ(allocator->GetBuffer(held.put(), nullptr, nullptr, 0), S_OK);

    std::atomic<bool> waiting{false};
    HRESULT waited = E_FAIL;
    IMediaSample* got = nullptr;
    std::thread taker([&] {
        waiting = true;
        waited = allocator->GetBuffer(&got, nullptr, nullptr, 0);
    });
    while (!waiting)
        std::this_thread::yield();
    IMediaSample* expected = held.get();
    held.reset();  // the taker gets this very sample
    taker.join();
    EXPECT_EQ(waited, S_OK);
    EXPECT_EQ(got, expected);
    got->Release();
}

TEST_F(Allocator, DecommitWakesABlockedGetBuffer)
{
    ALLOCATOR_PROPERTIES request{1, 8, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com_ptr<IMediaSample> held;
    ASSERT_EQ(allocator->GetBuffer(held.put(), nullptr, nullptr, 0), S_OK);

    std::atomic<bool> waiting{false};
    HRESULT waited = S_OK;
    std::thread taker([&] {
        waiting = true;
        IMediaSample* got = nullptr;
        waited = allocator->GetBuffer(&got, nullptr, nullptr, 0);
    });
    while (!waiting)
        std::this_thread::yield();
    allocator->Decommit();
    taker.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
}

TEST_F(Allocator, ASampleOutlivesItsAllocatorsOtherHolders)
{
    ALLOCATOR_PROPERTIES request{1, 8, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com_ptr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    allocator.reset();  // the sample keeps it alive
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[7] = 1;
    sample.reset();  // and its return ends it
}

TEST_F(Allocator, ForeignSamplesAreRefused)
{
    BYTE memory[4];
    auto* stray = new CMediaSample("stray", nullptr, nullptr, memory, sizeof memory);
    stray->AddRef();
    EXPECT_EQ(allocator->ReleaseBuffer(stray), VFW_E_FOREIGN_SAMPLE);
    EXPECT_EQ(allocator->ReleaseBuffer(nullptr), E_POINTER);
    stray->Release();
}

class counting_notify : public CUnknown, public IMemAllocatorNotify {
public:
    counting_notify() : CUnknown("notify", nullptr) {}
    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NotifyRelease() override
    {
        ++released;
        return S_OK;
    }
    int released = 0;
};

TEST_F(Allocator, NotifyIsToldOfEachReturn)
{
    auto notify = com_ptr<counting_notify>::share(new counting_notify);
    ASSERT_EQ(allocator->SetNotify(notify.get()), S_OK);
    ALLOCATOR_PROPERTIES request{1, 8, 1, 0}, actual{};
    allocator->SetProperties(&request, &actual);
    allocator->Commit();
    for (int i = 0; i < 3; ++i) {
        com_ptr<IMediaSample> sample;
        ASSERT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    }
    EXPECT_EQ(notify->released, 3);
    EXPECT_EQ(allocator->SetNotify(nullptr), S_OK);
}

// An allocator that looks at the agreed state its Alloc works from.
class probing_allocator : public CMemAllocator {
public:
    probing_allocator() : CMemAllocator("probing allocator", nullptr, nullptr) {}
    HRESULT Alloc() override
    {
        std::lock_guard<std::recursive_mutex> hold(m_cs);
        seen = {m_lCount, m_lSize, m_lAlignment, m_lPrefix};
        changed = m_bChanged;
        HRESULT hr = CMemAllocator::Alloc();
        allocated = m_lAllocated;
        free = m_lFree.GetCount();
        buffer = m_pBuffer;
        return hr;
    }
    ALLOCATOR_PROPERTIES seen{};
    bool changed = false;
    LONG allocated = 0, free = 0;
    BYTE* buffer = nullptr;
};

TEST_F(Allocator, AllocOverrideSeesTheAgreedProperties)
{
    auto probe = com_ptr<probing_allocator>::share(new probing_allocator);
    ALLOCATOR_PROPERTIES request{3, 100, 32, 8}, actual{};
    ASSERT_EQ(probe->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(probe->Commit(), S_OK);
    EXPECT_EQ(probe->seen.cBuffers, 3);
    EXPECT_EQ(probe->seen.cbBuffer, actual.cbBuffer);
    EXPECT_EQ(probe->seen.cbAlign, 32);
    EXPECT_EQ(probe->seen.cbPrefix, 8);
    EXPECT_TRUE(probe->changed);
    EXPECT_EQ(probe->allocated, 3);
    EXPECT_EQ(probe->free, 3);
    EXPECT_NE(probe->buffer, nullptr);

    com_ptr<IMediaSample> sample;
    ASSERT_EQ(probe->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    EXPECT_GE(data, probe->buffer + 8);  // the prefix lies before the data
    EXPECT_EQ(sample->GetSize(), actual.cbBuffer);
}

}  // namespace
