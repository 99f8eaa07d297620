// What the processor's CPUID instruction reports. Only x86 has one: elsewhere
// every feature reads as absent.
#pragma once

#include <cstdint>

struct CPUFEATURES {
    std::int32_t cpuid;  // 1 when CPUID can be used
    std::int32_t tsc;    // time-stamp counter (leaf 1 EDX bit 4)
    std::int32_t mmx;    // leaf 1 EDX bit 23
    std::int32_t sse;    // leaf 1 EDX bit 25
    std::int32_t sse2;   // leaf 1 EDX bit 26
    char vendor[13];     // leaf 0: 12 characters and a NUL
    char brand[49];      // leaves 0x80000002 to 0x80000004, NUL-terminated; "" without them
};

// Fills the record: 0, or -1 (the record all zero) without CPUID or when it
// reports no leaf beyond 0.
int ReadCpuFeatures(CPUFEATURES* features);
// 1 when CPUID reports MMX in leaf 1; else 0.
int CpuHasMmx();
