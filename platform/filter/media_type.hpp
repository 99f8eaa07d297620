// Media types: identifiers, sample flags and a format block, and CMediaType,
// which owns its format block and copies it with the rest.
#pragma once

#include "platform/filter/guid.hpp"
#include "platform/filter/result.hpp"

#include <cstdint>

namespace platform::filter {

using BYTE = std::uint8_t;

// The plain record; its format block is heap memory freed by FreeMediaType.
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples;
    bool bTemporalCompression;
    std::uint32_t lSampleSize;
    GUID formattype;
    std::uint32_t cbFormat;
    BYTE* pbFormat;
};

// Frees the format block and empties it; the identifiers stay.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees the format block and the record made by CreateMediaType.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Copies src into dst (whose own block is not freed). When the block cannot
// be copied, E_OUTOFMEMORY with every field but the block copied.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src);
// A heap copy of src, or null when memory runs out; DeleteMediaType frees it.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src);

#if ZENTIL_TEST_HOOKS
// The next `count` format-block allocations fail.
void fail_format_allocations(int count);
#endif

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    // An empty type of the given major type.
    explicit CMediaType(const GUID& major);
    // A failed copy of the format block leaves the identifiers and no block.
    CMediaType(const AM_MEDIA_TYPE& other);
    CMediaType(const CMediaType& other);
    CMediaType& operator=(const AM_MEDIA_TYPE& other);
    CMediaType& operator=(const CMediaType& other);
    ~CMediaType();

    // Replaces this type with a copy of `other`; E_OUTOFMEMORY when the block
    // cannot be copied (the identifiers are taken all the same).
    HRESULT Set(const AM_MEDIA_TYPE& other);

    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }

    // True when a major type is set.
    bool IsValid() const { return majortype != GUID_NULL; }
    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    void SetSampleSize(std::uint32_t size);
    void SetVariableSize();
    void SetTemporalCompression(bool compressed) { bTemporalCompression = compressed; }
    bool IsFixedSize() const { return bFixedSizeSamples; }
    bool IsTemporalCompressed() const { return bTemporalCompression; }
    std::uint32_t GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }

    BYTE* Format() const { return pbFormat; }
    std::uint32_t FormatLength() const { return cbFormat; }
    // Copies `length` bytes as the format block; false when memory runs out.
    bool SetFormat(const BYTE* format, std::uint32_t length);
    // A zeroed block of `length` bytes, or null when memory runs out.
    BYTE* AllocFormatBuffer(std::uint32_t length);
    void ResetFormatBuffer();
    // Back to an empty type: every identifier GUID_NULL, fixed-size samples of 1 byte.
    void InitMediaType();

    // True when every identifier set in `partial` equals this type's, and the
    // format blocks are equal where the partial type gives one.
    bool MatchesPartial(const CMediaType* partial) const;
    // True when one of the identifiers is GUID_NULL.
    bool IsPartiallySpecified() const;
};

}  // namespace platform::filter
