// SPDX-License-Identifier: GPL-3.0-or-later
// The run-time choice of a render set: the AVX2 set where the processor has
// AVX2, otherwise the scalar one. Built for the baseline, like everything but
// the AVX2 render functions themselves.
#include "VoiceRuns.h"

namespace kest::tolvane::synth {

namespace {
bool processorHasAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
#else
    return false;
#endif
}
} // namespace

const VoiceRunKernels* avx2VoiceRunKernels() { return processorHasAvx2() ? builtAvx2VoiceRunKernels() : nullptr; }

const VoiceRunKernels* fastestVoiceRunKernels()
{
    const VoiceRunKernels* avx2 = avx2VoiceRunKernels();
    return avx2 ? avx2 : scalarVoiceRunKernels();
}

} // namespace kest::tolvane::synth
