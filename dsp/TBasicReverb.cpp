#include "dsp/TBasicReverb.h"

#include "dsp/SharedTables.h"
#include "dsp/ZeroedArray.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lane loops below run over 15 vectors, past gcc's own full unrolling:
// unrolled, every lane's choice of input and coefficients is made at compile time.
#if defined(__GNUC__) && ! defined(__clang__)
#define MORLAKE_UNROLL _Pragma ("GCC unroll 60")
#else
#define MORLAKE_UNROLL
#endif

namespace morlake {

void AlignedFloatDelete::operator() (float* p) const noexcept
{
    if (mappedBytes != 0)
        ::munmap (p, mappedBytes);
    else
        ::operator delete[] (p, std::align_val_t (kFloatAlignment));
}

AlignedFloats makeAlignedFloats (std::size_t n, std::size_t committed)
{
    if (n > (std::size_t (-1) >> 4))
        return {};
    const std::size_t bytes = n * sizeof (float);
    if (bytes >= kZeroedMapBytes)
        if (void* m = mapZeroed (bytes, std::min (committed, n) * sizeof (float)))
            return AlignedFloats (static_cast<float*> (m), AlignedFloatDelete {bytes});
    auto* p = static_cast<float*> (::operator new[] (bytes, std::align_val_t (kFloatAlignment), std::nothrow));
    if (p)
        std::memset (p, 0, bytes);
    return AlignedFloats (p);
}

namespace {

// The reverb's lane loops go eight lanes at a time where the processor can.
// MORLAKE_NO_AVX2 in the environment keeps them at four (both give the same
// output).
bool chooseWideLanes ()
{
#if defined(MORLAKE_AVX2_LANES)
    const char* off = std::getenv ("MORLAKE_NO_AVX2");
    __builtin_cpu_init (); // this may run before the library's own constructors
    return __builtin_cpu_supports ("avx2") && (off == nullptr || *off == '\0' || *off == '0');
#else
    return false;
#endif
}
const bool kWideLanes = chooseWideLanes ();

// Whether the AVX2 path reads its comb and widen lanes by gathers or by
// plain loads; both read the same values. Where gathers are fast they win,
// but they are slow on AMD processors and on Intel ones with the
// gather-data-sampling fix in microcode. MORLAKE_GATHER=1 or 0 in the
// environment picks one; otherwise both are timed once, when the library
// loads (well under a millisecond). Gathers are kept only where they take at
// most four fifths of the loads' time: where gathers are fast they take half,
// and where the two come close (AMD's recent cores) the timing falls either
// way by chance while the reverb, whose gathers hold up the work around them,
// runs 1 to 10 % faster with the loads.
bool chooseGatherReads ()
{
#if defined(MORLAKE_AVX2_LANES)
    if (! kWideLanes)
        return false;
    const char* choice = std::getenv ("MORLAKE_GATHER");
    if (choice != nullptr && *choice != '\0')
        return *choice != '0';
    std::unique_ptr<float[]> table (new (std::nothrow) float[TComb_M::kProbeFloats]());
    if (! table)
        return true;
    // Alternating, the quickest of each: a trial an interruption falls into,
    // or the first, which may find the vector units powered down, counts for nothing.
    constexpr int kTrials = 7, kRounds = 500;
    std::chrono::steady_clock::duration quickest[2] = {std::chrono::steady_clock::duration::max (),
                                                       std::chrono::steady_clock::duration::max ()};
    float sink = 0.0f;
    for (int trial = 0; trial < kTrials; ++trial)
        for (int gather = 0; gather < 2; ++gather)
        {
            const auto start = std::chrono::steady_clock::now ();
            sink += TComb_M::probeReadsAvx2 (gather == 1, table.get (), kRounds);
            quickest[gather] = std::min (quickest[gather], std::chrono::steady_clock::now () - start);
        }
    volatile float kept = sink; // the probes' work is not to be left out
    (void)kept;
    return quickest[1] * 5 <= quickest[0] * 4;
#else
    return false;
#endif
}
const bool kGatherReads = chooseGatherReads ();

std::uint32_t nextPowerOfTwo (double n)
{
    std::uint32_t p = 1;
    while (p < n && p < (1u << 31))
        p <<= 1;
    return p;
}

// Truncated table index of value * scale, kept inside the table (NaN -> 0).
inline int tableIndex (float scaled, int size)
{
    if (! (scaled >= 0.0f))
        return 0;
    if (scaled >= float (size - 1))
        return size - 1;
    return static_cast<int> (scaled);
}

} // namespace

// -------------------------------------------------------------------- TComb_M

namespace {

// Bank and comb of each lane (the inverse of TComb_M::laneOf).
struct LaneMap
{
    int bank[TComb_M::kLanes];
    int comb[TComb_M::kLanes];
    constexpr LaneMap () : bank (), comb ()
    {
        for (int n = 0; n < TComb_M::kBanks; ++n)
            for (int k = 0; k < TComb_M::kCombs; ++k)
            {
                bank[TComb_M::laneOf (n, k)] = n;
                comb[TComb_M::laneOf (n, k)] = k;
            }
    }
};
constexpr LaneMap kLaneMap;

} // namespace

TComb_M::TComb_M (std::uint32_t frameTotal)
{
    std::fill (std::begin (length), std::end (length), 1);
    std::fill (std::begin (readValue), std::end (readValue), 0.0f);
    std::fill (std::begin (baseLane), std::end (baseLane), 0.0f);
    for (auto& row : stage)
        std::fill (std::begin (row), std::end (row), 0.0f);
    Grower::instance ().enlist (this);
    allocate (frameTotal);
    mute ();
}

TComb_M::~TComb_M () { Grower::instance ().dismiss (this); }

bool TComb_M::allocate (std::uint32_t frameTotal)
{
    if (frameTotal < 2 || (frameTotal & (frameTotal - 1)) != 0)
        return false;
    // The ring the lengths need once limited to this array (setRing() keeps to it).
    const std::uint32_t longest = std::min (static_cast<std::uint32_t> (maxLength), frameTotal - 1);
    const std::uint32_t ring = std::min (std::bit_ceil (std::max (longest + 2, kMinRingFrames)), frameTotal);
    const std::uint32_t ready = std::max (frameTotal / 8, ring);
    // At least one whole tile of storage; a ring shorter than a tile folds onto it.
    AlignedFloats fresh = makeAlignedFloats (std::size_t (std::max (frameTotal, kTileFrames)) * kLanes,
                                             std::size_t (std::max (ready, kTileFrames)) * kLanes);
    if (! fresh)
        return false;
    // The helper reads the storage and its sizes as it commits.
    Grower::instance ().exclusive ([&] {
        frames = std::move (fresh);
        capacity = frameTotal;
        committed.store (ready, std::memory_order_relaxed);
        commitWanted.store (ready, std::memory_order_relaxed);
    });
    mask = frameTotal - 1;
    writeCount = 0;
    filled = 0;
    for (auto& l : length)
        l = std::min<std::int32_t> (l, std::int32_t (mask));
    updateMinLength ();
    setRing (ring);
    scaledValid = false;
    return true;
}

void TComb_M::mute ()
{
    writeCount = 0;
    filled = 0;
    std::fill (std::begin (length), std::end (length), 1);
    minLength = 1;
    maxLength = 1;
    scaledValid = false;
    std::fill (std::begin (feedbackLane), std::end (feedbackLane), 0.0f);
    std::fill (std::begin (dampState), std::end (dampState), 0.0f);
    std::fill (std::begin (lowpassState), std::end (lowpassState), 0.0f);
    std::fill (std::begin (highpassState), std::end (highpassState), 0.0f);
    lowpassCoef = 1.0f;
    highpassCoef = 0.0f;
    lowpassRest = 0.0f;
    highpassRest = 1.0f;
}

void TComb_M::setBaseLengths (const float* base)
{
    for (int i = 0; i < kLanes; ++i)
        baseLane[i] = base[kLaneMap.comb[i]];
    scaledValid = false;
}

void TComb_M::setLength (int lane, int samples)
{
    length[lane] = std::clamp<std::int32_t> (samples, 1, std::int32_t (capacity) - 1);
    updateMinLength ();
    fitRing ();
    scaledValid = false;
}

void TComb_M::updateMinLength ()
{
    std::int32_t shortest = length[0];
    std::int32_t longest = length[0];
    for (int k = 1; k < kLanes; ++k)
    {
        shortest = std::min (shortest, length[k]);
        longest = std::max (longest, length[k]);
    }
    minLength = shortest;
    maxLength = longest;
}

void TComb_M::setRing (std::uint32_t frameTotal)
{
    // Never below the lengths set: they are read before they are next set.
    const std::uint32_t least = std::max (kMinRingFrames, std::bit_ceil (static_cast<std::uint32_t> (maxLength) + 2));
    const std::uint32_t newFrames = std::min (std::max (std::bit_ceil (frameTotal), least), capacity);
    const std::uint32_t oldFrames = mask + 1;
    if (newFrames == oldFrames || ! frames || newFrames < kTileFrames)
        return;
    // Tile t of the new ring holds the frames it would hold had the ring
    // always had this size: those of the tiles before the one being staged,
    // as many as both rings hold and have been written since the mute.
    // Every tile that moves lands on a slot none still to move comes from
    // (its frames modulo one ring size are distinct in a run of that many).
    const std::uint32_t inTile = writeCount & (kTileFrames - 1);
    const std::uint32_t staged = writeCount - inTile;
    const std::uint32_t written = filled > inTile ? filled - inTile : 0;
    const std::uint32_t tiles =
        std::min ({newFrames / kTileFrames, oldFrames / kTileFrames, (written + kTileFrames - 1) / kTileFrames});
    const std::uint32_t newMask = newFrames - 1;
    float* lines = frames.get ();
    for (std::uint32_t t = 1; t <= tiles; ++t)
    {
        const std::uint32_t f = staged - t * kTileFrames;
        const float* from = lines + slot (f & mask);
        float* to = lines + slot (f & newMask);
        if (from != to)
            std::memcpy (to, from, sizeof (float) * kTileFrames * kLanes);
    }
    mask = newMask;
    filled = std::min ({filled, inTile + tiles * kTileFrames, newFrames});
    if (newFrames > committed.load (std::memory_order_relaxed))
        askToCommit (newFrames);
}

void TComb_M::reachRing (std::uint32_t frameTotal)
{
    const std::uint32_t ready = committed.load (std::memory_order_relaxed);
    if (frameTotal > ready)
    {
        askToCommit (frameTotal);
        frameTotal = std::max (ready, ringFrames ());
    }
    if (frameTotal != ringFrames ())
        setRing (frameTotal);
}

void TComb_M::askToCommit (std::uint32_t frameTotal) noexcept
{
    if (commitWanted.load (std::memory_order_relaxed) >= frameTotal)
        return;
    commitWanted.store (frameTotal, std::memory_order_relaxed);
    Grower::instance ().wake ();
}

void TComb_M::serveRequest ()
{
    const std::uint32_t want = std::min (commitWanted.load (std::memory_order_relaxed), capacity);
    const std::uint32_t have = committed.load (std::memory_order_relaxed);
    if (want <= have || ! frames)
        return;
    // Where the system cannot commit ahead, the audio thread's first touches do.
    commitPages (frames.get () + std::size_t (have) * kLanes, frames.get () + std::size_t (want) * kLanes);
    committed.store (want, std::memory_order_relaxed);
}

#if defined(__SSE2__)
namespace {

// The four factor vectors of setScaledLengths(): vectors g < 10 hold the
// rows g of banks 0 and 1 (even rows dry, odd rows widened); bank 2's
// vectors hold rows q and q + 5, one of each.
struct LengthFactors
{
    __m128 dryA, wideA, evenB, oddB;
    LengthFactors (const float* dry, const float* wide)
    : dryA (_mm_setr_ps (dry[0], dry[0], dry[1], dry[1])),
      wideA (_mm_setr_ps (wide[0], wide[0], wide[1], wide[1])),
      evenB (_mm_setr_ps (dry[2], dry[2], wide[2], wide[2])),
      oddB (_mm_setr_ps (wide[2], wide[2], dry[2], dry[2]))
    {}
    // Which of the four vector g takes, 0 .. 3 as above.
    static constexpr int of (int g) { return g < 10 ? g % 2 : 2 + g % 2; }
    __m128 operator[] (int i) const { return i == 0 ? dryA : i == 1 ? wideA : i == 2 ? evenB : oddB; }
};

inline __m128 lengthScale (const float* scale, int g)
{
    return g < 10 ? _mm_setr_ps (scale[0], scale[0], scale[1], scale[1]) : _mm_set1_ps (scale[2]);
}

// A lane's length from its c = base * scale and factor f before truncation,
// and the length itself: setScaledLengths() and its bounds share this arithmetic.
inline __m128 limitedLength (__m128 c, __m128 f, __m128 top)
{
    const __m128 v = _mm_add_ps (_mm_mul_ps (c, f), _mm_set1_ps (0.5f));
    return _mm_min_ps (_mm_max_ps (v, _mm_set1_ps (1.0f)), top);
}
inline __m128i scaledLength (__m128 c, __m128 f, __m128 top) { return _mm_cvttps_epi32 (limitedLength (c, f, top)); }

} // namespace
#endif

void TComb_M::setScaledLengths (const ScaledLengths& in)
{
#if defined(__SSE2__)
    // The chain calls this every sample, and a length modulation moves the
    // factors every sample, but a length changes in about one sample of 50.
    // While the scales stand, the lengths stand while each factor stays
    // within its bounds. cmpeq and the bounds are false for NaN.
    const __m128 scales = _mm_load_ps (in.scale);
    const bool scalesStand = scaledValid && _mm_movemask_ps (_mm_cmpeq_ps (scales, _mm_load_ps (scaledFrom))) == 0xF;
    if (scalesStand)
    {
        const __m128 dryIn = _mm_load_ps (in.dry);
        const __m128 wideIn = _mm_load_ps (in.wide);
        const __m128 inside = _mm_and_ps (_mm_and_ps (_mm_cmpge_ps (dryIn, _mm_load_ps (dryBounds[0])),
                                                      _mm_cmple_ps (dryIn, _mm_load_ps (dryBounds[1]))),
                                          _mm_and_ps (_mm_cmpge_ps (wideIn, _mm_load_ps (wideBounds[0])),
                                                      _mm_cmple_ps (wideIn, _mm_load_ps (wideBounds[1]))));
        if (_mm_movemask_ps (inside) == 0xF)
        {
            ++boundsHeld;
            return;
        }
    }
    _mm_store_ps (scaledFrom, scales);
    scaledValid = true;
    recomputeLengths (in, scalesStand);
#else
    const float key[12] = {in.scale[0], in.scale[1], in.scale[2], in.longest, in.dry[0],
                           in.dry[1],   in.dry[2],   in.wide[0],  in.wide[1], in.wide[2]};
    if (scaledValid && std::equal (key, key + 12, scaledFrom))
        return;
    std::copy (key, key + 12, scaledFrom);
    scaledValid = true;
    recomputeLengths (in, false);
#endif
}

void TComb_M::recomputeLengths (const ScaledLengths& in, bool scalesStand)
{
    const float limit = std::min (in.longest, float (capacity - 1));
#if defined(__SSE2__)
    // Bounds cost about 20 recomputations. Where the scales move, or the
    // factors leave their bounds within a few samples, only these factors
    // are kept, and bounds are tried again after twice as many
    // recomputations (plus one) as last time, at most 255.
    if (boundsLast)
    {
        boundsBackoff = boundsHeld >= kBoundsPayoff ? 0 : std::min<std::uint32_t> (2 * boundsBackoff + 1, 255);
        boundsWait = boundsBackoff;
    }
    boundsHeld = 0;
    boundsLast = scalesStand && boundsWait == 0;
    if (boundsLast)
    {
        scaleAnyLengths (in.scale, in.dry, in.wide, limit);
        fitRing ();
        updateFactorBounds (in.scale, in.dry, in.wide, limit);
        return;
    }
    if (scalesStand)
        --boundsWait;
    const __m128 dryIn = _mm_load_ps (in.dry);
    const __m128 wideIn = _mm_load_ps (in.wide);
    _mm_store_ps (dryBounds[0], dryIn);
    _mm_store_ps (dryBounds[1], dryIn);
    _mm_store_ps (wideBounds[0], wideIn);
    _mm_store_ps (wideBounds[1], wideIn);
#else
    (void)scalesStand;
#endif
    scaleAnyLengths (in.scale, in.dry, in.wide, limit);
    fitRing ();
}

inline void TComb_M::scaleAnyLengths (const float* scale, const float* dry, const float* wide, float limit)
{
#if defined(MORLAKE_AVX2_LANES)
    if (kWideLanes)
        return scaleLengthsAvx2 (scale, dry, wide, limit);
#endif
    scaleLengths (scale, dry, wide, limit);
}

void TComb_M::scaleLengths (const float* scale, const float* dry, const float* wide, float limit)
{
    // Same arithmetic as setLength(k, trunc(max(1, min(longest, v)))) per comb:
    // the frame limit is an integer, so clamping before truncation is the same.
#if defined(__SSE2__)
    // maxps(v, 1) is 1 < v ? v : 1 (NaN gives 1) and minps(v, limit) is
    // v < limit ? v : limit: the scalar code below, four lanes at a time.
    const LengthFactors factor (dry, wide);
    const __m128 scaleA = lengthScale (scale, 0);
    const __m128 scaleB = lengthScale (scale, 10);
    const __m128 top = _mm_set1_ps (limit);
    __m128 shortest = top;
    __m128 longest = _mm_set1_ps (1.0f);
    MORLAKE_UNROLL
    for (int g = 0; g < kVectors; ++g)
    {
        const __m128 c = _mm_mul_ps (_mm_load_ps (baseLane + 4 * g), g < 10 ? scaleA : scaleB);
        const __m128 limited = limitedLength (c, factor[LengthFactors::of (g)], top);
        _mm_store_si128 (reinterpret_cast<__m128i*> (length + 4 * g), _mm_cvttps_epi32 (limited));
        shortest = _mm_min_ps (shortest, limited);
        longest = _mm_max_ps (longest, limited);
    }
    // The values are >= 1 and never NaN, so the order of the minima and maxima does not matter.
    shortest = _mm_min_ps (shortest, _mm_movehl_ps (shortest, shortest));
    shortest = _mm_min_ss (shortest, _mm_shuffle_ps (shortest, shortest, 1));
    minLength = static_cast<std::int32_t> (_mm_cvtss_f32 (shortest));
    longest = _mm_max_ps (longest, _mm_movehl_ps (longest, longest));
    longest = _mm_max_ss (longest, _mm_shuffle_ps (longest, longest, 1));
    maxLength = static_cast<std::int32_t> (_mm_cvtss_f32 (longest));
#else
    float shortest = limit;
    float longest = 1.0f;
    for (int i = 0; i < kLanes; ++i)
    {
        const int n = kLaneMap.bank[i];
        float v = baseLane[i] * scale[n] * (kLaneMap.comb[i] % 2 == 0 ? dry[n] : wide[n]) + 0.5f;
        v = 1.0f < v ? v : 1.0f; // also turns NaN into 1
        v = limit < v ? limit : v;
        length[i] = static_cast<std::int32_t> (v);
        shortest = std::min (shortest, v);
        longest = std::max (longest, v);
    }
    minLength = static_cast<std::int32_t> (shortest);
    maxLength = static_cast<std::int32_t> (longest);
#endif
}

#if defined(__SSE2__)
void TComb_M::updateFactorBounds (const float* scale, const float* dry, const float* wide, float limit)
{
    // For a lane's c = base * scale, whatever its sign or value, the length
    // is monotonic in the factor f (each rounded step is): every f between
    // two factors that give a lane the same length gives it that length too.
    // Per lane, the factors where the length would step up or down are
    // estimated, and the nearest float a step or two inside that gives the
    // length with the same arithmetic is kept; the factor itself always does.
    // The bounds of a factor are the narrowest of its lanes'.
    const LengthFactors factor (dry, wide);
    const __m128 top = _mm_set1_ps (limit);
    const __m128 half = _mm_set1_ps (0.5f);
    const __m128 scaleA = lengthScale (scale, 0);
    const __m128 scaleB = lengthScale (scale, 10);
    const float infinity = std::numeric_limits<float>::infinity ();
    __m128 low[4], high[4];
    for (int i = 0; i < 4; ++i)
    {
        low[i] = _mm_set1_ps (-infinity);
        high[i] = _mm_set1_ps (infinity);
    }
    for (int g = 0; g < kVectors; ++g)
    {
        const int i = LengthFactors::of (g);
        const __m128 f = factor[i];
        const __m128 c = _mm_mul_ps (_mm_load_ps (baseLane + 4 * g), g < 10 ? scaleA : scaleB);
        const __m128i len = _mm_load_si128 (reinterpret_cast<const __m128i*> (length + 4 * g));
        const __m128 l = _mm_cvtepi32_ps (len);
        // For positive estimates, one float step down (up) is one less (more) in their bits.
        const __m128i up = _mm_castps_si128 (_mm_div_ps (_mm_add_ps (l, half), c));
        const __m128i down = _mm_castps_si128 (_mm_div_ps (_mm_sub_ps (l, half), c));
        __m128 a = f;
        __m128 b = f;
        for (int steps = 2; steps >= 0; --steps)
        {
            const __m128i n = _mm_set1_epi32 (steps);
            const __m128 u = _mm_castsi128_ps (_mm_sub_epi32 (up, n));
            const __m128 d = _mm_castsi128_ps (_mm_add_epi32 (down, n));
            const __m128 uHolds = _mm_castsi128_ps (_mm_cmpeq_epi32 (scaledLength (c, u, top), len));
            const __m128 dHolds = _mm_castsi128_ps (_mm_cmpeq_epi32 (scaledLength (c, d, top), len));
            a = _mm_or_ps (_mm_and_ps (uHolds, u), _mm_andnot_ps (uHolds, a));
            b = _mm_or_ps (_mm_and_ps (dHolds, d), _mm_andnot_ps (dHolds, b));
        }
        // Either way round, the lane holds its length from the smaller of
        // the three to the larger. maxps and minps give their second operand
        // for a NaN.
        low[i] = _mm_max_ps (low[i], _mm_min_ps (_mm_min_ps (a, b), f));
        high[i] = _mm_min_ps (high[i], _mm_max_ps (_mm_max_ps (a, b), f));
    }
    // From the four vectors' places to the six factors: dry[n] and wide[n]
    // of banks 0 and 1 sit in places 2n and 2n + 1 of the first two, bank
    // 2's dry factor in places 0, 1 of the third and 2, 3 of the fourth.
    alignas (16) float l[4][4], h[4][4];
    for (int i = 0; i < 4; ++i)
    {
        _mm_store_ps (l[i], low[i]);
        _mm_store_ps (h[i], high[i]);
    }
    const auto narrowest = [] (const float (&v)[4][4], int i, int j, bool lower) {
        const float x[4] = {v[i][2 * j], v[i][2 * j + 1], v[i + 1][2 - 2 * j], v[i + 1][3 - 2 * j]};
        return lower ? std::max ({x[0], x[1], x[2], x[3]}) : std::min ({x[0], x[1], x[2], x[3]});
    };
    for (int n = 0; n < 2; ++n)
    {
        dryBounds[0][n] = std::max (l[0][2 * n], l[0][2 * n + 1]);
        dryBounds[1][n] = std::min (h[0][2 * n], h[0][2 * n + 1]);
        wideBounds[0][n] = std::max (l[1][2 * n], l[1][2 * n + 1]);
        wideBounds[1][n] = std::min (h[1][2 * n], h[1][2 * n + 1]);
    }
    dryBounds[0][2] = narrowest (l, 2, 0, true);
    dryBounds[1][2] = narrowest (h, 2, 0, false);
    wideBounds[0][2] = narrowest (l, 2, 1, true);
    wideBounds[1][2] = narrowest (h, 2, 1, false);
    // The unused fourth factor is always 0.
    dryBounds[0][3] = wideBounds[0][3] = dryBounds[1][3] = wideBounds[1][3] = 0.0f;
}
#endif

void TComb_M::setDamp (float d)
{
    dampCoef = d;
    undampCoef = 1.0f - d;
}

void TComb_M::setFeedback (const float* f)
{
    // Lanes 0, 2 and 40 stand for the three banks: every writer sets a whole
    // bank alike. Called every sample while the room or damping moves, mostly
    // with the feedback it already has; compared as bits, so -0 is no +0.
    auto same = [] (float a, float b) { return std::bit_cast<std::uint32_t> (a) == std::bit_cast<std::uint32_t> (b); };
    if (same (feedbackLane[0], f[0]) && same (feedbackLane[2], f[1]) && same (feedbackLane[40], f[2]))
        return;
    // Lanes 0 .. 39 alternate two lanes of bank 0 and two of bank 1; bank 2 follows.
    for (int g = 0; g < 10; ++g)
    {
        feedbackLane[4 * g] = feedbackLane[4 * g + 1] = f[0];
        feedbackLane[4 * g + 2] = feedbackLane[4 * g + 3] = f[1];
    }
    std::fill (feedbackLane + 40, feedbackLane + kLanes, f[2]);
    static_assert (laneOf (0, 1) == 4 && laneOf (1, 0) == 2 && laneOf (2, 0) == 40, "the lane order above");
}

void TComb_M::setFilter (float a, float h)
{
    lowpassCoef = a;
    highpassCoef = h;
    lowpassRest = 1.0f - a;
    highpassRest = 1.0f - h;
}

void TComb_M::flushStage ()
{
    // The staging rows hold frames (writeCount & ~15) .. (writeCount & ~15) + 15.
    const std::uint32_t first = writeCount & ~(kTileFrames - 1);
    float* lines = frames.get ();
    if (mask + 1 < kTileFrames)
    {
        // A ring shorter than a tile: later frames overwrite earlier ones.
        for (std::uint32_t j = 0; j < kTileFrames; ++j)
            for (int k = 0; k < kLanes; ++k)
                lines[slot ((first + j) & mask) + kTileFrames * std::uint32_t (k)] = stage[j][k];
        return;
    }
    float* tile = lines + slot (first & mask);
#if defined(__SSE2__)
    // Each lane's 16 frames fill one line, so the tile is written past the
    // caches: it is read again a comb length later, by then evicted by the
    // host's other plug-ins if not by this one, and fetching the lines only
    // to overwrite them would double the ring's memory traffic.
    for (int g = 0; g < kLanes; g += 4)
        for (std::uint32_t q = 0; q < kTileFrames; q += 4)
        {
            __m128 r0 = _mm_load_ps (&stage[q][g]);
            __m128 r1 = _mm_load_ps (&stage[q + 1][g]);
            __m128 r2 = _mm_load_ps (&stage[q + 2][g]);
            __m128 r3 = _mm_load_ps (&stage[q + 3][g]);
            _MM_TRANSPOSE4_PS (r0, r1, r2, r3);
            float* out = tile + kTileFrames * std::uint32_t (g) + q;
            _mm_stream_ps (out, r0);
            _mm_stream_ps (out + kTileFrames, r1);
            _mm_stream_ps (out + 2 * kTileFrames, r2);
            _mm_stream_ps (out + 3 * kTileFrames, r3);
        }
#else
    for (int k = 0; k < kLanes; ++k)
        for (std::uint32_t j = 0; j < kTileFrames; ++j)
            tile[kTileFrames * std::uint32_t (k) + j] = stage[j][k];
#endif
}

inline float TComb_M::readSlow (int k, std::uint32_t wc, std::uint32_t inTile, float fromTile) const
{
    const auto len = static_cast<std::uint32_t> (length[k]);
    if (filled < len)
        return 0.0f; // not written since the last mute
    if (len <= inTile)
        return stage[(wc - len) & (kTileFrames - 1)][k];
    return fromTile;
}

#if defined(__SSE2__)
namespace {

// Read offsets of lanes 4g .. 4g + 3: lane k reads frame f = (wc - length) & mask
// at slot(f) + 16k. w and m hold wc and the mask in every element.
inline __m128i laneOffsets (const std::int32_t* length, int g, __m128i w, __m128i m)
{
    const __m128i f =
        _mm_and_si128 (_mm_sub_epi32 (w, _mm_load_si128 (reinterpret_cast<const __m128i*> (length + 4 * g))), m);
    const __m128i tile = _mm_srli_epi32 (f, 4);
    const __m128i lane = _mm_setr_epi32 (64 * g, 64 * g + 16, 64 * g + 32, 64 * g + 48);
    return _mm_add_epi32 (_mm_sub_epi32 (_mm_slli_epi32 (tile, 10), _mm_slli_epi32 (tile, 6)),
                          _mm_add_epi32 (_mm_and_si128 (f, _mm_set1_epi32 (15)), lane));
}

} // namespace
#endif

void TComb_M::readOffsets (std::uint32_t wc, std::uint32_t* at) const
{
#if defined(__SSE2__)
    const __m128i w = _mm_set1_epi32 (static_cast<int> (wc));
    const __m128i m = _mm_set1_epi32 (static_cast<int> (mask));
    MORLAKE_UNROLL
    for (int g = 0; g < kVectors; ++g)
        _mm_store_si128 (reinterpret_cast<__m128i*> (at + 4 * g), laneOffsets (length, g, w, m));
#else
    for (int k = 0; k < kLanes; ++k)
    {
        const std::uint32_t f = (wc - static_cast<std::uint32_t> (length[k])) & mask;
        const std::uint32_t tile = f >> 4;
        at[k] = (tile << 10) - (tile << 6) + (f & 15u) + 16u * std::uint32_t (k);
    }
#endif
    static_assert (kTileFrames == 16 && kTileFrames * kLanes == 960, "slot() and the offsets above must agree");
}

// Inline: as a call of its own it left reads after a cold start as slow as before.
[[gnu::always_inline]] inline void TComb_M::prefetchTile (std::uint32_t wc) const
{
#if defined(__SSE2__)
    // In the next 16 samples each lane reads on from where it reads now into
    // the same place of the next tile. Both lines of every lane are fetched
    // at once: when other work has emptied the caches since the last block,
    // their reads then overlap instead of holding up one sample after another.
    alignas (64) std::uint32_t at[kLanes];
    readOffsets (wc, at);
    const float* lines = frames.get ();
    const float* end = lines + std::size_t (mask + 1) * kLanes;
    for (int k = 0; k < kLanes; ++k)
    {
        _mm_prefetch (reinterpret_cast<const char*> (lines + at[k]), _MM_HINT_T0);
        const float* next = lines + at[k] + kTileFrames * kLanes;
        if (next < end)
            _mm_prefetch (reinterpret_cast<const char*> (next), _MM_HINT_T0);
    }
#else
    (void)wc;
#endif
}

void TComb_M::prefetchAhead (std::uint32_t wc, const std::uint32_t* at) const
{
#if defined(__SSE2__)
    // Each lane reads on at the same place in the next tile within 16
    // samples; four lanes a sample, in turn, fetch it ahead, so every lane
    // does within each tile (wrapping past the end only fetches nothing useful).
    const float* lines = frames.get ();
    const float* end = lines + std::size_t (mask + 1) * kLanes;
    const std::uint32_t first = (wc % (kLanes / 4)) * 4;
    for (std::uint32_t k = first; k < first + 4; ++k)
    {
        const float* next = lines + at[k] + kTileFrames * kLanes;
        if (next < end)
            _mm_prefetch (reinterpret_cast<const char*> (next), _MM_HINT_T0);
    }
#else
    (void)wc;
    (void)at;
#endif
}

template <bool Filtered, bool Direct>
inline void TComb_M::updateLanes (std::uint32_t wc, const float* value, const float* dry, const float* wide, float* row,
                                  std::uint32_t* at, float* sums)
{
#if defined(__SSE2__)
    // One vector of lanes at a time from the read to the staging row, so the
    // lanes stay in registers.
    const float* lines = frames.get ();
    const __m128i w = _mm_set1_epi32 (static_cast<int> (wc));
    const __m128i m = _mm_set1_epi32 (static_cast<int> (mask));
    // Even rows take the dry inputs, odd rows the widened ones; bank 2's
    // vectors hold rows q and q + 5, one of each.
    const __m128 dryA = _mm_loadu_ps (dry);
    const __m128 wideA = _mm_loadu_ps (wide);
    const __m128 evenB = _mm_setr_ps (dry[4], dry[5], wide[4], wide[5]);
    const __m128 oddB = _mm_shuffle_ps (evenB, evenB, _MM_SHUFFLE (1, 0, 3, 2));
    const __m128 d = _mm_set1_ps (dampCoef);
    const __m128 ud = _mm_set1_ps (undampCoef);
    const __m128 antiDenormal = _mm_set1_ps (kAntiDenormal);
    const __m128 a = _mm_set1_ps (lowpassCoef);
    const __m128 ra = _mm_set1_ps (lowpassRest);
    const __m128 h = _mm_set1_ps (highpassCoef);
    const __m128 rh = _mm_set1_ps (highpassRest);
    __m128 sumA = _mm_setzero_ps ();
    __m128 sumB = _mm_setzero_ps ();
    MORLAKE_UNROLL
    for (int g = 0; g < kVectors; ++g)
    {
        __m128 r;
        if constexpr (Direct)
        {
            _mm_store_si128 (reinterpret_cast<__m128i*> (at + 4 * g), laneOffsets (length, g, w, m));
            r = _mm_setr_ps (lines[at[4 * g]], lines[at[4 * g + 1]], lines[at[4 * g + 2]], lines[at[4 * g + 3]]);
        }
        else
            r = _mm_load_ps (value + 4 * g);
        const bool even = (g % 2) == 0;
        const __m128 x = g < 10 ? (even ? dryA : wideA) : (even ? evenB : oddB);
        _mm_store_ps (readValue + 4 * g, r);
        const __m128 ds =
            _mm_add_ps (_mm_add_ps (_mm_mul_ps (_mm_load_ps (dampState + 4 * g), d), _mm_mul_ps (r, ud)), antiDenormal);
        _mm_store_ps (dampState + 4 * g, ds);
        __m128 v = _mm_add_ps (_mm_mul_ps (ds, _mm_load_ps (feedbackLane + 4 * g)), x);
        if constexpr (Filtered)
        {
            const __m128 lp = _mm_add_ps (_mm_mul_ps (_mm_load_ps (lowpassState + 4 * g), ra), _mm_mul_ps (v, a));
            const __m128 hp = _mm_add_ps (_mm_mul_ps (_mm_load_ps (highpassState + 4 * g), rh), _mm_mul_ps (lp, h));
            _mm_store_ps (lowpassState + 4 * g, lp);
            _mm_store_ps (highpassState + 4 * g, hp);
            v = _mm_sub_ps (lp, hp);
        }
        _mm_store_ps (row + 4 * g, v);
        // Banks 0 and 1: the rows in order. Bank 2: rows 0 .. 4 in the low
        // half here, rows 5 .. 9 below.
        if (g == 0)
            sumA = r;
        else if (g < 10)
            sumA = _mm_add_ps (sumA, r);
        else if (g == 10)
            sumB = r;
        else
            sumB = _mm_add_ps (sumB, r);
    }
    MORLAKE_UNROLL
    for (int g = 10; g < kVectors; ++g)
        sumB =
            _mm_add_ps (sumB, _mm_loadl_pi (_mm_setzero_ps (), reinterpret_cast<const __m64*> (readValue + 4 * g + 2)));
    _mm_store_ps (sums, sumA);
    _mm_store_ps (sums + 4, _mm_movelh_ps (sumB, _mm_setzero_ps ()));
#else
    if constexpr (Direct)
    {
        readOffsets (wc, at);
        for (int k = 0; k < kLanes; ++k)
            readValue[k] = frames[at[k]];
    }
    else
        std::copy (value, value + kLanes, readValue);
    for (int k = 0; k < kLanes; ++k)
    {
        const int n = kLaneMap.bank[k];
        const int comb = kLaneMap.comb[k];
        const int channel = comb / kCombsPerChannel;
        const float x = (comb % 2 == 0 ? dry : wide)[2 * n + channel];
        const float ds = dampState[k] * dampCoef + readValue[k] * undampCoef + kAntiDenormal;
        dampState[k] = ds;
        float v = ds * feedbackLane[k] + x;
        if constexpr (Filtered)
        {
            const float lp = lowpassState[k] * lowpassRest + v * lowpassCoef;
            const float hp = highpassState[k] * highpassRest + lp * highpassCoef;
            lowpassState[k] = lp;
            highpassState[k] = hp;
            v = lp - hp;
        }
        row[k] = v;
    }
    for (int n = 0; n < kBanks; ++n)
    {
        float sumLeft = readValue[laneOf (n, 0)];
        for (int k = 1; k < kCombsPerChannel; ++k)
            sumLeft += readValue[laneOf (n, k)];
        float sumRight = readValue[laneOf (n, kCombsPerChannel)];
        for (int k = kCombsPerChannel + 1; k < kCombs; ++k)
            sumRight += readValue[laneOf (n, k)];
        sums[2 * n] = sumLeft;
        sums[2 * n + 1] = sumRight;
    }
    sums[6] = sums[7] = 0.0f;
#endif
}

void TComb_M::process (const float* dry, const float* wide, bool filtered, float* sums)
{
    const std::uint32_t wc = writeCount;
    const std::uint32_t inTile = wc & (kTileFrames - 1);
    alignas (64) std::uint32_t at[kLanes];
    float* row = stage[inTile];
    // Direct: every slot has been written since the last mute and every
    // read falls into a finished tile.
    if (filled > mask && static_cast<std::uint32_t> (minLength) > inTile)
    {
        if (inTile == 0)
            prefetchTile (wc);
#if defined(MORLAKE_AVX2_LANES)
        if (kWideLanes)
        {
            if (kGatherReads)
            {
                if (filtered)
                    updateLanesAvx2<true, true> (wc, frames.get (), dry, wide, row, at, sums);
                else
                    updateLanesAvx2<false, true> (wc, frames.get (), dry, wide, row, at, sums);
            }
            else if (filtered)
                updateLanesAvx2<true, false> (wc, frames.get (), dry, wide, row, at, sums);
            else
                updateLanesAvx2<false, false> (wc, frames.get (), dry, wide, row, at, sums);
        }
        else
#endif
            if (filtered)
            updateLanes<true, true> (wc, nullptr, dry, wide, row, at, sums);
        else
            updateLanes<false, true> (wc, nullptr, dry, wide, row, at, sums);
        prefetchAhead (wc, at);
    }
    else
    {
        readOffsets (wc, at);
        alignas (16) float value[kLanes];
        for (int k = 0; k < kLanes; ++k)
            value[k] = readSlow (k, wc, inTile, frames[at[k]]);
        if (filtered)
            updateLanes<true, false> (wc, value, dry, wide, row, at, sums);
        else
            updateLanes<false, false> (wc, value, dry, wide, row, at, sums);
    }
    if (inTile == kTileFrames - 1)
        flushStage ();
    writeCount = wc + 1;
    if (filled <= mask)
        ++filled;
}

// --------------------------------------------------------------- TBasicReverb

const TBasicReverb::RoomTable& TBasicReverb::roomTableShared ()
{
    static const std::unique_ptr<const RoomTable> table = [] {
        auto t = std::make_unique_for_overwrite<RoomTable> ();
        for (int i = 0; i < kRoomTableSize; ++i)
        {
            const float lg = std::log10 (1.0f + 23.5f * float (i) / 65535.99f);
            (*t)[i] = static_cast<float> (0.65 + 0.25 * double (lg));
        }
        return t;
    }();
    return *table;
}

std::shared_ptr<const TBasicReverb::CutoffTable> TBasicReverb::cutoffTableFor (float rate)
{
    static TablesByRate<CutoffTable> tables ([] (CutoffTable& t, float r) {
        fillInHalves (kCutoffTableSize, [&t, r] (int begin, int end) {
            for (int i = begin; i < end; ++i)
            {
                const double f = 20.0 * std::exp2 (10.0 * i / double (kCutoffTableSize)) / r;
                t[i] = static_cast<float> (std::min (0.2, f));
            }
        });
    });
    return tables.get (rate);
}

TBasicReverb::TBasicReverb ()
{
    forgetCoefficientInputs ();
    std::fill (std::begin (baseLength), std::end (baseLength), 127.0f);
    roomTable = roomTableShared ().data ();
    allocateLines ();
    // The cutoff table waits for the rate the reverb will run at (see setFilter).
    setRoomSize (0.5f, 0.5f, 0.5f);
    setDamp (0.5f);
    init ();
}

void TBasicReverb::allocateLines ()
{
    float longestBase = 0.0f;
    for (float b : baseLength)
        longestBase = std::max (longestBase, b);
    longestBaseLength = longestBase;
    // Room for the longest comb the parameters allow at this rate and no
    // more: the tile flush sweeps the whole ring.
    const std::uint32_t combFrames =
        std::max<std::uint32_t> (64, nextPowerOfTwo (std::ceil (double (longestBase) * kMaxCombStretch) + 2.0));
    if (combs.frameCount () != combFrames)
        combs.allocate (combFrames);

    const std::uint32_t widenSize =
        std::max<std::uint32_t> (16384, nextPowerOfTwo (std::ceil (double (kMaxWidenSeconds) * sampleRate) + 4.0));
    if (widenSize != widenMask + 1 || ! widenLines)
    {
        if (AlignedFloats fresh = makeAlignedFloats (std::size_t (widenSize) * kWidenLines))
        {
            widenLines = std::move (fresh);
            widenMask = widenSize - 1;
        }
    }

    const int longest = static_cast<int> (float (ALLPASS_RIGHT_LENGTH_ARRAY[0]) * rateScale + 0.5f);
    const int capacity = static_cast<int> (nextPowerOfTwo (std::max (4096, longest)));
    if (capacity != allpassCapacity || ! allpassBuffers)
    {
        if (AlignedFloats fresh = makeAlignedFloats (std::size_t (capacity) * TAllpass::kLanes * kStagesPerBank))
        {
            allpassBuffers = std::move (fresh);
            allpassCapacity = capacity;
        }
    }
    for (int s = 0; s < kStagesPerBank; ++s)
        allpasses[s].frames = allpassBuffers.get () + std::size_t (s) * allpassCapacity * TAllpass::kLanes;
}

void TBasicReverb::buildCutoffTable ()
{
    cutoffOwner = cutoffTableFor (sampleRate);
    cutoffTable = cutoffOwner->data ();
}

void TBasicReverb::create ()
{
    for (auto& f : bankFeedback)
        f = roomTable[32767];
    setDamp (0.5f);
    init ();
    filtered = false;
    inputWritePos = 0;
    std::fill (std::begin (widenDelay), std::end (widenDelay), 0.0f);
    if (widenLines)
        std::memset (widenLines.get (), 0, sizeof (float) * (widenMask + 1) * kWidenLines);
}

void TBasicReverb::setSampleRate (float rate, const std::array<float, TComb_M::kCombs>& lengths)
{
    if (! (rate >= 1.0f) || ! std::isfinite (rate) || std::trunc (rate) == std::trunc (sampleRate))
    {
        // The rate it was made with: its table is built here, not on the audio thread.
        if (cutoffTable == nullptr)
            buildCutoffTable ();
        return;
    }
    sampleRate = rate;
    rateScale = rate / 44100.0f;
    for (int k = 0; k < TComb_M::kCombs; ++k)
        baseLength[k] = std::isfinite (lengths[k]) ? std::max (0.0f, lengths[k]) * rateScale : 0.0f;
    allocateLines ();
    buildCutoffTable ();
    init ();
}

void TBasicReverb::setSampleRate (float rate, float l0, float l1, float l2, float l3, float l4, float l5, float l6,
                                  float l7, float l8, float l9, float l10, float l11, float l12, float l13, float l14,
                                  float l15, float l16, float l17, float l18, float l19)
{
    setSampleRate (rate, {l0, l1, l2, l3, l4, l5, l6, l7, l8, l9, l10, l11, l12, l13, l14, l15, l16, l17, l18, l19});
}

void TBasicReverb::init ()
{
    combs.setBaseLengths (baseLength);
    for (int n = 0; n < kBanks; ++n)
        for (int k = 0; k < TComb_M::kCombs; ++k)
            combs.setLength (TComb_M::laneOf (n, k),
                             static_cast<int> (std::min (baseLength[k] + 0.5f, float (1 << 30))));
    for (int s = 0; s < kStagesPerBank; ++s)
    {
        const int left =
            std::clamp (static_cast<int> (float (ALLPASS_LEFT_LENGTH_ARRAY[s]) * rateScale + 0.5f), 1, allpassCapacity);
        const int right = std::clamp (static_cast<int> (float (ALLPASS_RIGHT_LENGTH_ARRAY[s]) * rateScale + 0.5f), 1,
                                      allpassCapacity);
        for (int n = 0; n < kBanks; ++n)
        {
            allpasses[s].length[2 * n] = left;
            allpasses[s].length[2 * n + 1] = right;
        }
    }
    allpassFeedback = 0.5f;
    allpassDiffusion = 1.0f;
    mute ();
}

void TBasicReverb::forgetCoefficientInputs ()
{
    const float none = std::numeric_limits<float>::quiet_NaN ();
    std::fill (std::begin (roomFrom), std::end (roomFrom), none);
    dampFrom = none;
    filterFrom[0] = filterFrom[1] = none;
}

void TBasicReverb::mute ()
{
    // The banks' feedback and filters go back to their silent defaults.
    forgetCoefficientInputs ();
    combs.mute ();
    allpassCount = 0;
    allpassFull = false;
    longestAllpass = 1;
    for (const auto& ap : allpasses)
        for (std::int32_t len : ap.length)
            longestAllpass = std::max (longestAllpass, len);
    inputWritePos = 0;
    if (widenLines)
        std::memset (widenLines.get (), 0, sizeof (float) * (widenMask + 1) * kWidenLines);
}

void TBasicReverb::copyBankCoefficients ()
{
    combs.setDamp (damp);
    combs.setFeedback (bankFeedback);
}

void TBasicReverb::setRoomSize (float bank1, float bank2, float bank3)
{
    const float values[kBanks] = {bank1, bank2, bank3};
    if (values[0] == roomFrom[0] && values[1] == roomFrom[1] && values[2] == roomFrom[2])
        return;
    std::copy (std::begin (values), std::end (values), std::begin (roomFrom));
    for (int n = 0; n < kBanks; ++n)
        bankFeedback[n] = roomTable[tableIndex (values[n] * 65535.99f, kRoomTableSize)];
    copyBankCoefficients ();
}

void TBasicReverb::setDamp (float value)
{
    if (value == dampFrom)
        return;
    dampFrom = value;
    float d = value * 0.55f * rateScale;
    if (! (d <= 0.54f))
        d = 0.54f;
    damp = std::max (0.0f, d);
    copyBankCoefficients ();
}

void TBasicReverb::setLength (float lengthA, float widenA, float dryA, float lengthB, float widenB, float dryB,
                              float lengthC, float widenC, float dryC)
{
    TComb_M::ScaledLengths in;
#if defined(__SSE2__)
    // Whole vectors: setScaledLengths() loads them straight back.
    _mm_store_ps (in.scale, _mm_setr_ps (lengthA, lengthB, lengthC, float (combs.frameCount () - 1)));
    _mm_store_ps (in.dry, _mm_setr_ps (dryA, dryB, dryC, 0.0f));
    _mm_store_ps (in.wide, _mm_setr_ps (widenA, widenB, widenC, 0.0f));
#else
    in = {{lengthA, lengthB, lengthC},
          float (combs.frameCount () - 1),
          {dryA, dryB, dryC, 0.0f},
          {widenA, widenB, widenC, 0.0f}};
#endif
    combs.setScaledLengths (in);
}

void TBasicReverb::setLengthReach (float stretch)
{
    // Twice the reach (as allocateLines() sizes the array for the longest
    // stretch of all), so that lengths rising with the settings still find
    // their history after the ring has grown; shrunk only once four times
    // too large.
    const double reach = std::ceil (double (longestBaseLength) * double (stretch)) + 2.0;
    const std::uint32_t ring = combs.ringFrames ();
    std::uint32_t wanted = combs.frameCount ();
    if (reach >= 0.0 && 2.0 * reach < double (wanted))
        wanted = std::bit_ceil (static_cast<std::uint32_t> (2.0 * reach));
    if (wanted > ring || 4 * wanted <= ring)
        combs.reachRing (wanted);
}

void TBasicReverb::setWiden (float delay0, float delay1, float delay2, float delay3)
{
    const float longest = float (widenMask - 1);
#if defined(__SSE2__)
    // d >= 0 ? min(d, longest) : 0, lines 4 and 5 repeating 2 and 3.
    const __m128 d = _mm_setr_ps (delay0, delay1, delay2, delay3);
    const __m128 v = _mm_and_ps (_mm_min_ps (_mm_set1_ps (longest), d), _mm_cmpge_ps (d, _mm_setzero_ps ()));
    _mm_store_ps (widenDelay, v);
    _mm_store_ps (widenDelay + 4, _mm_movehl_ps (_mm_setzero_ps (), v));
#else
    const float delays[kWidenLines] = {delay0, delay1, delay2, delay3, delay2, delay3};
    for (int j = 0; j < kWidenLines; ++j)
    {
        const float d = delays[j];
        widenDelay[j] = d >= 0.0f ? std::min (d, longest) : 0.0f;
    }
#endif
}

void TBasicReverb::setFilter (float lowpass, float highpass)
{
    if (lowpass == filterFrom[0] && highpass == filterFrom[1])
        return;
    filterFrom[0] = lowpass;
    filterFrom[1] = highpass;
    filtered = (highpass > 0.01f) || (lowpass < 0.99f);
    // A reverb run without a rate ever set builds its table here, once.
    if (cutoffTable == nullptr)
        buildCutoffTable ();
    float a = 1.0f;
    if (! (lowpass > 0.99f))
    {
        a = 2.0f * cutoffTable[tableIndex (lowpass * 262143.9f, kCutoffTableSize)];
        if (a > 0.99f)
            a = 1.0f;
    }
    float h = 0.0f;
    if (! (highpass < 0.001f) && highpass == highpass)
    {
        h = 2.0f * cutoffTable[tableIndex (highpass * 262143.9f, kCutoffTableSize)];
        if (h < 0.01f)
            h = 0.0f;
    }
    combs.setFilter (a, h);
}

void TBasicReverb::setDiffusion (float gain)
{
    if (! std::isfinite (gain))
        return;
    allpassDiffusion = gain;
}

namespace {
// Fetches `count` frames of `frameBytes` from frame `first` (wrapped) of a
// ring of mask + 1 frames, a whole number of cache lines, into the
// second-level cache.
inline void prefetchRing (const float* ring, std::uint32_t mask, std::size_t frameBytes, std::uint32_t first,
                          std::uint32_t count)
{
#if defined(__SSE2__)
    const char* base = reinterpret_cast<const char*> (ring);
    const std::size_t ringBytes = std::size_t (mask + 1) * frameBytes;
    const std::size_t from = std::size_t (first & mask) * frameBytes;
    const std::size_t to = from + std::size_t (count) * frameBytes;
    for (std::size_t b = from & ~std::size_t (63); b < to; b += 64)
        _mm_prefetch (base + (b < ringBytes ? b : b - ringBytes), _MM_HINT_T1);
#else
    (void)ring, (void)mask, (void)frameBytes, (void)first, (void)count;
#endif
}
} // namespace

const char* TBasicReverb::laneReadPath ()
{
    if (! kWideLanes)
        return "128-bit";
    return kGatherReads ? "AVX2, gathers" : "AVX2, plain loads";
}

void TBasicReverb::finishBlock ()
{
#if defined(__SSE2__)
    _mm_sfence ();
#endif
}

void TBasicReverb::prefetchLines (std::uint32_t frames) const
{
    // Each sample reads the widen lines at four delays and the allpass
    // rings at eight places, 768 KB or more in all, and writes both. When
    // other work has emptied the caches since the last block, fetching the
    // block's lines at once lets their misses overlap instead of holding up
    // one sample after another. Only fetching them all does: the misses
    // left in a sample still take as long. (The combs fetch per tile.)
    if (! widenLines || ! allpassBuffers)
        return;
    constexpr std::size_t kWidenFrame = kWidenLines * sizeof (float);
    const std::uint32_t pos = inputWritePos;
    prefetchRing (widenLines.get (), widenMask, kWidenFrame, pos, frames);
    // Each line reads two neighbouring frames; lines 4 and 5 read where 2 and 3 do.
    for (int j = 0; j < 4; ++j)
        prefetchRing (widenLines.get (), widenMask, kWidenFrame, pos - static_cast<std::uint32_t> (widenDelay[j]) - 1,
                      frames + 1);
    constexpr std::size_t kAllpassFrame = TAllpass::kLanes * sizeof (float);
    const std::uint32_t mask = std::uint32_t (allpassCapacity) - 1;
    const std::uint32_t wc = allpassCount;
    for (const TAllpass& ap : allpasses)
    {
        // Every bank's left lane reads at length[0], its right at length[1].
        prefetchRing (ap.frames, mask, kAllpassFrame, wc - std::uint32_t (ap.length[0]), frames);
        prefetchRing (ap.frames, mask, kAllpassFrame, wc - std::uint32_t (ap.length[1]), frames);
        prefetchRing (ap.frames, mask, kAllpassFrame, wc, frames);
    }
}

void TBasicReverb::allpassChains (float* x)
{
    // Each stage reads what it wrote `length` samples ago, b = read + 1e-15,
    // writes feedback * b * diffusion + x and passes on b - x. A slot not
    // written since the last mute reads 0.
    const std::uint32_t wc = allpassCount;
    const std::uint32_t mask = std::uint32_t (allpassCapacity) - 1;
    const std::uint32_t at = (wc & mask) * TAllpass::kLanes;
    const bool full = allpassFull;
    ++allpassCount;
    if (! full && allpassCount >= std::uint32_t (longestAllpass))
        allpassFull = true;
#if defined(MORLAKE_AVX2_LANES)
    if (kWideLanes && full)
    {
        allpassStagesAvx2 (wc, mask, x);
        return;
    }
#endif
#if defined(__SSE2__)
    const __m128 fb = _mm_set1_ps (allpassFeedback);
    const __m128 diffusion = _mm_set1_ps (allpassDiffusion);
    const __m128 tiny = _mm_set1_ps (1e-15f);
    __m128 xa = _mm_load_ps (x);
    __m128 xb = _mm_load_ps (x + 4);
    for (const TAllpass& ap : allpasses)
    {
        float* ring = ap.frames;
        float v[TAllpass::kLanes];
        if (full)
        {
            // The left lanes (even) all read at length[0], the right (odd) at length[1] (see init()).
            const float* left = ring + ((wc - std::uint32_t (ap.length[0])) & mask) * TAllpass::kLanes;
            const float* right = ring + ((wc - std::uint32_t (ap.length[1])) & mask) * TAllpass::kLanes;
            for (int j = 0; j < TAllpass::kLanes; j += 2)
            {
                v[j] = left[j];
                v[j + 1] = right[j + 1];
            }
        }
        else
        {
            for (int j = 0; j < TAllpass::kLanes; ++j)
            {
                const auto len = static_cast<std::uint32_t> (ap.length[j]);
                v[j] = wc >= len ? ring[((wc - len) & mask) * TAllpass::kLanes + std::uint32_t (j)] : 0.0f;
            }
        }
        const __m128 ba = _mm_add_ps (_mm_setr_ps (v[0], v[1], v[2], v[3]), tiny);
        const __m128 bb = _mm_add_ps (_mm_setr_ps (v[4], v[5], 0.0f, 0.0f), tiny);
        _mm_storeu_ps (ring + at, _mm_add_ps (_mm_mul_ps (_mm_mul_ps (fb, ba), diffusion), xa));
        _mm_storel_pi (reinterpret_cast<__m64*> (ring + at + 4),
                       _mm_add_ps (_mm_mul_ps (_mm_mul_ps (fb, bb), diffusion), xb));
        xa = _mm_sub_ps (ba, xa);
        xb = _mm_sub_ps (bb, xb);
    }
    _mm_store_ps (x, xa);
    _mm_store_ps (x + 4, xb);
#else
    for (const TAllpass& ap : allpasses)
    {
        float* ring = ap.frames;
        for (int j = 0; j < TAllpass::kLanes; ++j)
        {
            const auto len = static_cast<std::uint32_t> (ap.length[j]);
            const float v = full || wc >= len ? ring[((wc - len) & mask) * TAllpass::kLanes + std::uint32_t (j)] : 0.0f;
            const float b = v + 1e-15f;
            ring[at + std::uint32_t (j)] = allpassFeedback * b * allpassDiffusion + x[j];
            x[j] = b - x[j];
        }
    }
#endif
}

inline void TBasicReverb::widen (float* lines, std::uint32_t pos, float in0, float in1, float in2, float in3, float in4,
                                 float in5, float* dry, float* wide) const
{
    float* frame = lines + std::size_t (pos) * kWidenLines;
#if defined(__SSE2__)
    const __m128 magnitude = _mm_castsi128_ps (_mm_set1_epi32 (0x7fffffff));
    const __m128 largest = _mm_set1_ps (std::numeric_limits<float>::max ());
    const __m128 inA = _mm_setr_ps (in0, in1, in2, in3);
    const __m128 inB = _mm_setr_ps (in4, in5, 0.0f, 0.0f);
    const __m128 dryA = _mm_and_ps (inA, _mm_cmple_ps (_mm_and_ps (inA, magnitude), largest));
    const __m128 dryB = _mm_and_ps (inB, _mm_cmple_ps (_mm_and_ps (inB, magnitude), largest));
    _mm_store_ps (dry, dryA);
    _mm_store_ps (dry + 4, dryB);
    _mm_storeu_ps (frame, dryA);
    _mm_storel_pi (reinterpret_cast<__m64*> (frame + 4), dryB);
    const __m128 delayA = _mm_load_ps (widenDelay);
    const __m128 delayB = _mm_load_ps (widenDelay + 4);
    const __m128i wholeA = _mm_cvttps_epi32 (delayA);
    const __m128i wholeB = _mm_cvttps_epi32 (delayB);
    const __m128 fracA = _mm_sub_ps (delayA, _mm_cvtepi32_ps (wholeA));
    const __m128 fracB = _mm_sub_ps (delayB, _mm_cvtepi32_ps (wholeB));
    // Offsets of frame (pos - whole) & mask, then of the one before it.
    const __m128i p = _mm_set1_epi32 (static_cast<int> (pos));
    const __m128i m = _mm_set1_epi32 (static_cast<int> (widenMask));
    const __m128i one = _mm_set1_epi32 (1);
    const auto offsets = [&] (__m128i frameIndex, __m128i lane) {
        const __m128i f = _mm_and_si128 (frameIndex, m);
        return _mm_add_epi32 (_mm_add_epi32 (_mm_slli_epi32 (f, 2), _mm_slli_epi32 (f, 1)), lane);
    };
    const __m128i laneA = _mm_setr_epi32 (0, 1, 2, 3);
    const __m128i laneB = _mm_setr_epi32 (4, 5, 0, 0);
    const __m128i backA = _mm_sub_epi32 (p, wholeA);
    const __m128i backB = _mm_sub_epi32 (p, wholeB);
    alignas (16) std::uint32_t at[16];
    _mm_store_si128 (reinterpret_cast<__m128i*> (at), offsets (backA, laneA));
    _mm_store_si128 (reinterpret_cast<__m128i*> (at + 4), offsets (backB, laneB));
    _mm_store_si128 (reinterpret_cast<__m128i*> (at + 8), offsets (_mm_sub_epi32 (backA, one), laneA));
    _mm_store_si128 (reinterpret_cast<__m128i*> (at + 12), offsets (_mm_sub_epi32 (backB, one), laneB));
    const __m128 s0A = _mm_setr_ps (lines[at[0]], lines[at[1]], lines[at[2]], lines[at[3]]);
    const __m128 s0B = _mm_setr_ps (lines[at[4]], lines[at[5]], 0.0f, 0.0f);
    const __m128 s1A = _mm_setr_ps (lines[at[8]], lines[at[9]], lines[at[10]], lines[at[11]]);
    const __m128 s1B = _mm_setr_ps (lines[at[12]], lines[at[13]], 0.0f, 0.0f);
    _mm_store_ps (wide, _mm_add_ps (s0A, _mm_mul_ps (_mm_sub_ps (s1A, s0A), fracA)));
    _mm_store_ps (wide + 4, _mm_add_ps (s0B, _mm_mul_ps (_mm_sub_ps (s1B, s0B), fracB)));
#else
    const float in[kWidenLines] = {in0, in1, in2, in3, in4, in5};
    for (int j = 0; j < kWidenLines; ++j)
    {
        dry[j] = std::isfinite (in[j]) ? in[j] : 0.0f;
        frame[j] = dry[j];
    }
    for (int j = 0; j < kWidenLines; ++j)
    {
        const float delay = widenDelay[j];
        const auto whole = static_cast<std::uint32_t> (delay);
        const float frac = delay - float (whole);
        const float s0 = lines[((pos - whole) & widenMask) * kWidenLines + std::uint32_t (j)];
        const float s1 = lines[((pos - whole - 1) & widenMask) * kWidenLines + std::uint32_t (j)];
        wide[j] = s0 + (s1 - s0) * frac;
    }
    dry[6] = dry[7] = wide[6] = wide[7] = 0.0f;
#endif
}

void TBasicReverb::process (float in0, float in1, float in2, float in3, float in4, float in5, float& outLeft,
                            float& outRight)
{
    // The six widen lines are one ring of frames of six floats: line j is
    // every sixth float from j on. Delays are kept >= 0, so truncation is the
    // floor; a non-finite input would stay in the loops for good.
    const std::uint32_t pos = inputWritePos & widenMask;
    float* lines = widenLines.get ();
    alignas (32) float dry[8];
    alignas (32) float wide[8];
#if defined(MORLAKE_AVX2_LANES)
    if (kWideLanes && kGatherReads)
        widenAvx2<true> (lines, pos, in0, in1, in2, in3, in4, in5, dry, wide);
    else if (kWideLanes)
        widenAvx2<false> (lines, pos, in0, in1, in2, in3, in4, in5, dry, wide);
    else
#endif
        widen (lines, pos, in0, in1, in2, in3, in4, in5, dry, wide);
    ++inputWritePos;

    // The banks first, then their allpass chains stage by stage: six
    // independent chains side by side instead of one after another.
    alignas (32) float x[8];
    combs.process (dry, wide, filtered, x);
    allpassChains (x);
    const float l[kBanks] = {x[0], x[2], x[4]};
    const float r[kBanks] = {x[1], x[3], x[5]};
    const float sumLeft = l[0] + l[1] + l[2];
    const float sumRight = r[0] + r[1] + r[2];
    outLeft = sumLeft * 0.33333f * 0.025f;
    outRight = sumRight * 0.33333f * 0.025f;
}

} // namespace morlake
