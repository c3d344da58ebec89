// The reverb's steady sample eight lanes at a time, for processors with
// AVX2: the comb lanes and their lengths, the widen lines and the allpass
// stages. Built with -mavx2 -mno-fma -ffp-contract=off: every lane takes the
// same operations in the same order as the 128-bit path, so the output is
// the same to the bit. Nothing here may call an inline function of another
// file: a copy built for AVX2 could stand in for everyone's.
#include "dsp/TBasicReverb.h"

#include <immintrin.h>

namespace morlake {

namespace {

// Read offsets of lanes 8j .. 8j + 7 with these lengths (see the 128-bit
// laneOffsets()).
inline __m256i laneOffsets8 (__m256i length, int j, __m256i w, __m256i m)
{
    const __m256i f = _mm256_and_si256 (_mm256_sub_epi32 (w, length), m);
    const __m256i tile = _mm256_srli_epi32 (f, 4);
    const __m256i lane =
        _mm256_add_epi32 (_mm256_set1_epi32 (128 * j), _mm256_setr_epi32 (0, 16, 32, 48, 64, 80, 96, 112));
    return _mm256_add_epi32 (_mm256_sub_epi32 (_mm256_slli_epi32 (tile, 10), _mm256_slli_epi32 (tile, 6)),
                             _mm256_add_epi32 (_mm256_and_si256 (f, _mm256_set1_epi32 (15)), lane));
}

// The six-lane frames of the widen lines and allpass stages: lanes 0 .. 5
// in use, and lane j's float of frame f at 6 f + j.
inline __m256i sixLanes () { return _mm256_setr_epi32 (-1, -1, -1, -1, -1, -1, 0, 0); }

// Stores lanes 0 .. 5 as two plain stores (a masked store is slow on some
// processors).
inline void storeSix (float* to, __m256 v)
{
    _mm_storeu_ps (to, _mm256_castps256_ps128 (v));
    _mm_storel_pi (reinterpret_cast<__m64*> (to + 4), _mm256_extractf128_ps (v, 1));
}

// The floats at lines[at[0]], lines[at[1]], ... by plain loads: where
// gathers are slow (AMD processors, Intel ones with the gather-data-sampling
// fix in microcode) these are faster.
inline __m128 loadLanes4 (const float* lines, const std::uint32_t* at)
{
    return _mm_setr_ps (lines[at[0]], lines[at[1]], lines[at[2]], lines[at[3]]);
}
inline __m256 loadLanes8 (const float* lines, const std::uint32_t* at)
{
    return _mm256_set_m128 (loadLanes4 (lines, at + 4), loadLanes4 (lines, at));
}

// The comb reads of lanes 8j .. 8j + 7 with these lengths: their offsets
// go to at + 8j. readLanes4(): lanes 56 .. 59.
template <bool Gather>
inline __m256 readLanes8 (const float* lines, __m256i length, int j, __m256i w, __m256i m, std::uint32_t* at)
{
    const __m256i offsets = laneOffsets8 (length, j, w, m);
    _mm256_store_si256 (reinterpret_cast<__m256i*> (at + 8 * j), offsets);
    return Gather ? _mm256_i32gather_ps (lines, offsets, 4) : loadLanes8 (lines, at + 8 * j);
}
template <bool Gather>
inline __m128 readLanes4 (const float* lines, __m256i length, __m256i w, __m256i m, std::uint32_t* at)
{
    const __m128i offsets = _mm256_castsi256_si128 (laneOffsets8 (length, 7, w, m));
    _mm_store_si128 (reinterpret_cast<__m128i*> (at + 56), offsets);
    return Gather ? _mm_i32gather_ps (lines, offsets, 4) : loadLanes4 (lines, at + 56);
}

inline __m256i frameOffsets (__m256i frame, __m256i mask)
{
    const __m256i f = _mm256_and_si256 (frame, mask);
    return _mm256_add_epi32 (_mm256_add_epi32 (_mm256_slli_epi32 (f, 2), _mm256_slli_epi32 (f, 1)),
                             _mm256_setr_epi32 (0, 1, 2, 3, 4, 5, 0, 0));
}

} // namespace

template <bool Filtered, bool Gather>
void TComb_M::updateLanesAvx2 (std::uint32_t wc, const float* lines, const float* dry, const float* wide, float* row,
                               std::uint32_t* at, float* sums)
{
    const __m256i w = _mm256_set1_epi32 (static_cast<int> (wc));
    const __m256i m = _mm256_set1_epi32 (static_cast<int> (mask));
    // Vectors of eight lanes pair 128-bit vectors 2j and 2j + 1: an even row
    // (dry inputs) below an odd one (widened). The last four lanes stand alone.
    const __m128 dryA = _mm_loadu_ps (dry);
    const __m128 wideA = _mm_loadu_ps (wide);
    const __m128 evenB = _mm_setr_ps (dry[4], dry[5], wide[4], wide[5]);
    const __m128 oddB = _mm_shuffle_ps (evenB, evenB, _MM_SHUFFLE (1, 0, 3, 2));
    const __m256 inA = _mm256_set_m128 (wideA, dryA);
    const __m256 inB = _mm256_set_m128 (oddB, evenB);
    const __m256 d = _mm256_set1_ps (dampCoef);
    const __m256 ud = _mm256_set1_ps (undampCoef);
    const __m256 antiDenormal = _mm256_set1_ps (kAntiDenormal);
    const __m256 a = _mm256_set1_ps (lowpassCoef);
    const __m256 ra = _mm256_set1_ps (lowpassRest);
    const __m256 h = _mm256_set1_ps (highpassCoef);
    const __m256 rh = _mm256_set1_ps (highpassRest);

    auto lanes = [&] (int k, __m256 r, __m256 x) {
        _mm256_store_ps (readValue + k, r);
        const __m256 ds = _mm256_add_ps (
            _mm256_add_ps (_mm256_mul_ps (_mm256_load_ps (dampState + k), d), _mm256_mul_ps (r, ud)), antiDenormal);
        _mm256_store_ps (dampState + k, ds);
        __m256 v = _mm256_add_ps (_mm256_mul_ps (ds, _mm256_load_ps (feedbackLane + k)), x);
        if constexpr (Filtered)
        {
            const __m256 lp =
                _mm256_add_ps (_mm256_mul_ps (_mm256_load_ps (lowpassState + k), ra), _mm256_mul_ps (v, a));
            const __m256 hp =
                _mm256_add_ps (_mm256_mul_ps (_mm256_load_ps (highpassState + k), rh), _mm256_mul_ps (lp, h));
            _mm256_store_ps (lowpassState + k, lp);
            _mm256_store_ps (highpassState + k, hp);
            v = _mm256_sub_ps (lp, hp);
        }
        _mm256_storeu_ps (row + k, v);
    };

    // Banks 0 and 1 (lanes 0 .. 39), summed row by row as the 128-bit path does.
    __m128 sumA = _mm_setzero_ps ();
    __m128 sumB = _mm_setzero_ps ();
#pragma GCC unroll 7
    for (int j = 0; j < 7; ++j)
    {
        const __m256 r = readLanes8<Gather> (
            lines, _mm256_load_si256 (reinterpret_cast<const __m256i*> (length + 8 * j)), j, w, m, at);
        lanes (8 * j, r, j < 5 ? inA : inB);
        const __m128 lo = _mm256_castps256_ps128 (r);
        const __m128 hi = _mm256_extractf128_ps (r, 1);
        if (j == 0)
            sumA = _mm_add_ps (lo, hi);
        else if (j < 5)
            sumA = _mm_add_ps (_mm_add_ps (sumA, lo), hi);
        else if (j == 5)
            sumB = _mm_add_ps (lo, hi);
        else
            sumB = _mm_add_ps (_mm_add_ps (sumB, lo), hi);
    }

    // Lanes 56 .. 59: an even row of bank 2.
    {
        const __m256i tail =
            _mm256_broadcastsi128_si256 (_mm_load_si128 (reinterpret_cast<const __m128i*> (length + 56)));
        const __m128 r = readLanes4<Gather> (lines, tail, w, m, at);
        _mm_store_ps (readValue + 56, r);
        const __m128 ds = _mm_add_ps (_mm_add_ps (_mm_mul_ps (_mm_load_ps (dampState + 56), _mm256_castps256_ps128 (d)),
                                                  _mm_mul_ps (r, _mm256_castps256_ps128 (ud))),
                                      _mm256_castps256_ps128 (antiDenormal));
        _mm_store_ps (dampState + 56, ds);
        __m128 v = _mm_add_ps (_mm_mul_ps (ds, _mm_load_ps (feedbackLane + 56)), evenB);
        if constexpr (Filtered)
        {
            const __m128 lp = _mm_add_ps (_mm_mul_ps (_mm_load_ps (lowpassState + 56), _mm256_castps256_ps128 (ra)),
                                          _mm_mul_ps (v, _mm256_castps256_ps128 (a)));
            const __m128 hp = _mm_add_ps (_mm_mul_ps (_mm_load_ps (highpassState + 56), _mm256_castps256_ps128 (rh)),
                                          _mm_mul_ps (lp, _mm256_castps256_ps128 (h)));
            _mm_store_ps (lowpassState + 56, lp);
            _mm_store_ps (highpassState + 56, hp);
            v = _mm_sub_ps (lp, hp);
        }
        _mm_store_ps (row + 56, v);
        sumB = _mm_add_ps (sumB, r);
    }
    // Bank 2's rows 5 .. 9 sit in the upper halves of its vectors.
#pragma GCC unroll 5
    for (int g = 10; g < kVectors; ++g)
        sumB =
            _mm_add_ps (sumB, _mm_loadl_pi (_mm_setzero_ps (), reinterpret_cast<const __m64*> (readValue + 4 * g + 2)));
    // One store: the allpass stages load the sums as one vector.
    _mm256_storeu_ps (sums, _mm256_set_m128 (_mm_movelh_ps (sumB, _mm_setzero_ps ()), sumA));
}

void TComb_M::scaleLengthsAvx2 (const float* scale, const float* dry, const float* wide, float limit)
{
    // As the 128-bit path: rows 2j (dry) and 2j + 1 (widened) side by side;
    // bank 2 (from lane 40) takes its own scale.
    const __m256 half = _mm256_set1_ps (0.5f);
    const __m256 one = _mm256_set1_ps (1.0f);
    const __m256 top = _mm256_set1_ps (limit);
    const __m128 scaleA = _mm_setr_ps (scale[0], scale[0], scale[1], scale[1]);
    const __m128 dryA = _mm_setr_ps (dry[0], dry[0], dry[1], dry[1]);
    const __m128 wideA = _mm_setr_ps (wide[0], wide[0], wide[1], wide[1]);
    const __m128 evenB = _mm_setr_ps (dry[2], dry[2], wide[2], wide[2]);
    const __m128 oddB = _mm_setr_ps (wide[2], wide[2], dry[2], dry[2]);
    const __m256 factorA = _mm256_set_m128 (wideA, dryA);
    const __m256 factorB = _mm256_set_m128 (oddB, evenB);
    const __m256 scaleWideA = _mm256_set_m128 (scaleA, scaleA);
    const __m256 scaleB = _mm256_set1_ps (scale[2]);
    __m256 shortest = top;
    __m256 longest = one;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j)
    {
        const bool bankB = j >= 5;
        // The last vector's upper half is past the lanes: it repeats the lower.
        const __m256 base = j < 7 ? _mm256_load_ps (baseLane + 8 * j)
                                  : _mm256_broadcast_ps (reinterpret_cast<const __m128*> (baseLane + 56));
        __m256 v = _mm256_add_ps (
            _mm256_mul_ps (_mm256_mul_ps (base, bankB ? scaleB : scaleWideA), bankB ? factorB : factorA), half);
        v = _mm256_min_ps (_mm256_max_ps (v, one), top);
        if (j < 7)
        {
            _mm256_store_si256 (reinterpret_cast<__m256i*> (length + 8 * j), _mm256_cvttps_epi32 (v));
            shortest = _mm256_min_ps (shortest, v);
            longest = _mm256_max_ps (longest, v);
        }
        else
        {
            // Only the lower half holds lanes (the upper took the wrong factors).
            _mm_store_si128 (reinterpret_cast<__m128i*> (length + 56),
                             _mm256_castsi256_si128 (_mm256_cvttps_epi32 (v)));
            shortest = _mm256_min_ps (shortest, _mm256_insertf128_ps (v, _mm256_castps256_ps128 (top), 1));
            longest = _mm256_max_ps (longest, _mm256_insertf128_ps (v, _mm256_castps256_ps128 (one), 1));
        }
    }
    // The values are >= 1 and never NaN, so the order of the minima and maxima does not matter.
    __m128 s = _mm_min_ps (_mm256_castps256_ps128 (shortest), _mm256_extractf128_ps (shortest, 1));
    s = _mm_min_ps (s, _mm_movehl_ps (s, s));
    s = _mm_min_ss (s, _mm_shuffle_ps (s, s, 1));
    minLength = static_cast<std::int32_t> (_mm_cvtss_f32 (s));
    __m128 l = _mm_max_ps (_mm256_castps256_ps128 (longest), _mm256_extractf128_ps (longest, 1));
    l = _mm_max_ps (l, _mm_movehl_ps (l, l));
    l = _mm_max_ss (l, _mm_shuffle_ps (l, l, 1));
    maxLength = static_cast<std::int32_t> (_mm_cvtss_f32 (l));
}

template <bool Gather>
void TBasicReverb::widenAvx2 (float* lines, std::uint32_t pos, float in0, float in1, float in2, float in3, float in4,
                              float in5, float* dry, float* wide) const
{
    // As the 128-bit path, the six lines in lanes 0 .. 5 of one vector.
    const __m256i six = sixLanes ();
    const __m256 x = _mm256_setr_ps (in0, in1, in2, in3, in4, in5, 0.0f, 0.0f);
    const __m256 magnitude = _mm256_castsi256_ps (_mm256_set1_epi32 (0x7fffffff));
    const __m256 largest = _mm256_set1_ps (3.40282347e+38f);
    const __m256 d = _mm256_and_ps (x, _mm256_cmp_ps (_mm256_and_ps (x, magnitude), largest, _CMP_LE_OS));
    _mm256_storeu_ps (dry, d);
    storeSix (lines + std::size_t (pos) * kWidenLines, d);
    const __m256 delay = _mm256_loadu_ps (widenDelay);
    const __m256i whole = _mm256_cvttps_epi32 (delay);
    const __m256 frac = _mm256_sub_ps (delay, _mm256_cvtepi32_ps (whole));
    const __m256i m = _mm256_set1_epi32 (static_cast<int> (widenMask));
    const __m256i back = _mm256_sub_epi32 (_mm256_set1_epi32 (static_cast<int> (pos)), whole);
    const __m256i before = _mm256_sub_epi32 (back, _mm256_set1_epi32 (1));
    __m256 s0, s1;
    if constexpr (Gather)
    {
        const __m256 none = _mm256_setzero_ps ();
        s0 = _mm256_mask_i32gather_ps (none, lines, frameOffsets (back, m), _mm256_castsi256_ps (six), 4);
        s1 = _mm256_mask_i32gather_ps (none, lines, frameOffsets (before, m), _mm256_castsi256_ps (six), 4);
    }
    else
    {
        // Lines 0 .. 3 read at delays 0 .. 3, lines 4 and 5 where 2 and 3
        // do: each delay's lanes by a masked load of its frame.
        alignas (32) std::uint32_t frame[2][8];
        _mm256_store_si256 (reinterpret_cast<__m256i*> (frame[0]), _mm256_and_si256 (back, m));
        _mm256_store_si256 (reinterpret_cast<__m256i*> (frame[1]), _mm256_and_si256 (before, m));
        const __m256i lanes[4] = {
            _mm256_setr_epi32 (-1, 0, 0, 0, 0, 0, 0, 0), _mm256_setr_epi32 (0, -1, 0, 0, 0, 0, 0, 0),
            _mm256_setr_epi32 (0, 0, -1, 0, -1, 0, 0, 0), _mm256_setr_epi32 (0, 0, 0, -1, 0, -1, 0, 0)};
        auto read = [&] (const std::uint32_t* f) {
            __m256 v = _mm256_maskload_ps (lines + std::size_t (f[0]) * kWidenLines, lanes[0]);
            for (int k = 1; k < 4; ++k)
                v = _mm256_or_ps (v, _mm256_maskload_ps (lines + std::size_t (f[k]) * kWidenLines, lanes[k]));
            return v;
        };
        s0 = read (frame[0]);
        s1 = read (frame[1]);
    }
    _mm256_storeu_ps (wide, _mm256_add_ps (s0, _mm256_mul_ps (_mm256_sub_ps (s1, s0), frac)));
}

void TBasicReverb::allpassStagesAvx2 (std::uint32_t wc, std::uint32_t mask, float* x)
{
    // The six chains in lanes 0 .. 5 of one vector; every lane's slot has
    // been written (see allpassChains()).
    const __m256i six = sixLanes ();
    const __m256 fb = _mm256_set1_ps (allpassFeedback);
    const __m256 diffusion = _mm256_set1_ps (allpassDiffusion);
    const __m256 tiny = _mm256_set1_ps (1e-15f);
    const std::uint32_t at = (wc & mask) * TAllpass::kLanes;
    __m256 xv = _mm256_loadu_ps (x);
#pragma GCC unroll 4
    for (int s = 0; s < kStagesPerBank; ++s)
    {
        float* ring = allpasses[s].frames;
        // The left lanes (even) all read at length[0], the right (odd) at
        // length[1] (see init()): two frames, not a gather.
        const std::uint32_t left = ((wc - std::uint32_t (allpasses[s].length[0])) & mask) * TAllpass::kLanes;
        const std::uint32_t right = ((wc - std::uint32_t (allpasses[s].length[1])) & mask) * TAllpass::kLanes;
        const __m256 read =
            _mm256_blend_ps (_mm256_maskload_ps (ring + left, six), _mm256_maskload_ps (ring + right, six), 0xaa);
        const __m256 b = _mm256_add_ps (read, tiny);
        storeSix (ring + at, _mm256_add_ps (_mm256_mul_ps (_mm256_mul_ps (fb, b), diffusion), xv));
        xv = _mm256_sub_ps (b, xv);
    }
    _mm256_storeu_ps (x, xv);
}

namespace {

template <bool Gather>
float probeReads (const float* table, int rounds)
{
    // Lane lengths spread as a room's, in a ring of eight tiles (30 KB, which
    // stays in the first-level cache).
    const __m256i m = _mm256_set1_epi32 (static_cast<int> (TComb_M::kProbeFloats / TComb_M::kLanes) - 1);
    alignas (32) std::uint32_t at[TComb_M::kLanes + 4];
    __m256 acc = _mm256_setzero_ps ();
    __m128 tail = _mm_setzero_ps ();
    for (int r = 0; r < rounds; ++r)
    {
        const __m256i w = _mm256_set1_epi32 (r);
        for (int j = 0; j < 7; ++j)
        {
            const __m256i length =
                _mm256_add_epi32 (_mm256_set1_epi32 (300 + 89 * j), _mm256_setr_epi32 (0, 11, 23, 37, 41, 53, 67, 79));
            acc = _mm256_add_ps (acc, readLanes8<Gather> (table, length, j, w, m, at));
        }
        tail = _mm_add_ps (tail, readLanes4<Gather> (table, _mm256_set1_epi32 (977), w, m, at));
    }
    const __m128 sum = _mm_add_ps (_mm_add_ps (_mm256_castps256_ps128 (acc), _mm256_extractf128_ps (acc, 1)), tail);
    return _mm_cvtss_f32 (sum);
}

} // namespace

float TComb_M::probeReadsAvx2 (bool gather, const float* table, int rounds)
{
    return gather ? probeReads<true> (table, rounds) : probeReads<false> (table, rounds);
}

template void TComb_M::updateLanesAvx2<false, false> (std::uint32_t, const float*, const float*, const float*, float*,
                                                      std::uint32_t*, float*);
template void TComb_M::updateLanesAvx2<true, false> (std::uint32_t, const float*, const float*, const float*, float*,
                                                     std::uint32_t*, float*);
template void TComb_M::updateLanesAvx2<false, true> (std::uint32_t, const float*, const float*, const float*, float*,
                                                     std::uint32_t*, float*);
template void TComb_M::updateLanesAvx2<true, true> (std::uint32_t, const float*, const float*, const float*, float*,
                                                    std::uint32_t*, float*);
template void TBasicReverb::widenAvx2<false> (float*, std::uint32_t, float, float, float, float, float, float, float*,
                                              float*) const;
template void TBasicReverb::widenAvx2<true> (float*, std::uint32_t, float, float, float, float, float, float, float*,
                                             float*) const;

} // namespace morlake
