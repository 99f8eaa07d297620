// CPUID, through the compiler's <cpuid.h> on x86.
#include "media/core/cpu.hpp"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define ZENTIL_HAS_CPUID 1
#else
#define ZENTIL_HAS_CPUID 0
#endif

int ReadCpuFeatures(CPUFEATURES* features)
{
    std::memset(features, 0, sizeof *features);
#if ZENTIL_HAS_CPUID
    // __get_cpuid_max answers 0 when CPUID is missing (it runs the ID flag
    // test on 32-bit processors) and when CPUID has no leaf but 0.
    const unsigned largest = __get_cpuid_max(0, nullptr);
    if (largest == 0)
        return -1;
    features->cpuid = 1;
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    std::memcpy(features->vendor + 0, &b, 4);
    std::memcpy(features->vendor + 4, &d, 4);
    std::memcpy(features->vendor + 8, &c, 4);
    __cpuid(1, a, b, c, d);
    features->tsc = (d >> 4) & 1;
    features->mmx = (d >> 23) & 1;
    features->sse = (d >> 25) & 1;
    features->sse2 = (d >> 26) & 1;
    if (__get_cpuid_max(0x80000000u, nullptr) >= 0x80000004u) {
        unsigned words[12];
        for (unsigned leaf = 0; leaf < 3; ++leaf)
            __cpuid(0x80000002u + leaf, words[leaf * 4], words[leaf * 4 + 1], words[leaf * 4 + 2],
                    words[leaf * 4 + 3]);
        std::memcpy(features->brand, words, 48);
    }
    return 0;
#else
    return -1;
#endif
}

int CpuHasMmx()
{
    CPUFEATURES f;
    return ReadCpuFeatures(&f) == 0 ? f.mmx : 0;
}
