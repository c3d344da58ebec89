// The reverb network: three parallel stereo banks of 20 damped feedback combs
// (one TComb_M for all three), each followed by four stereo allpass stages, averaged into one
// stereo output. Half of each channel's combs are fed through a short,
// fractionally delayed widen line.
#pragma once

#include "dsp/Grower.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace morlake {

// Cache-line aligned float storage: whole comb frames and lane arrays move
// with aligned vector loads, and each comb's 16 frames of a tile fill one line.
inline constexpr std::size_t kFloatAlignment = 64;
struct AlignedFloatDelete
{
    std::size_t mappedBytes = 0; // nonzero: pages of their own, from the system
    void operator() (float* p) const noexcept;
};
using AlignedFloats = std::unique_ptr<float[], AlignedFloatDelete>;
// Zeroed storage for n floats; empty on allocation failure. Large arrays
// come as zero pages straight from the system, committed at once (no page
// is first touched on the audio thread), instead of reused heap memory
// cleared by hand: that clearing was most of an instance's creation time.
// Only the first `committed` floats are committed at once; the system commits
// the rest as they are first touched (commitPages() does it ahead).
AlignedFloats makeAlignedFloats (std::size_t n, std::size_t committed = SIZE_MAX);

// The 60 feedback combs of the three stereo banks, updated together. Bank
// n's comb k (0 to 9 left, 10 to 19 right; even combs take the dry input,
// odd combs the widened one) is one lane of arrays of 60 (see laneOf()), laid
// out so that each vector of four lanes holds the same row of several
// channels: the per-channel sums are then vector additions in the same
// order as a sum over the combs one by one. The 60 lines share one array laid
// out in tiles of 16 frames: a tile holds 16 consecutive samples of lane 0,
// then 16 of lane 1, and so on, one cache line per lane, so each comb's reads
// walk its own cache line for 16 samples. The frames of the tile being
// written are collected in a small staging block (one row of 60 per frame)
// and transposed into the tile when it is complete: whole cache lines are
// written at once instead of 60 scattered floats per sample.
class TComb_M : public GrowthClient
{
public:
    static constexpr int kBanks = 3;
    static constexpr int kCombs = 20; // per bank
    static constexpr int kCombsPerChannel = 10;
    static constexpr int kLanes = kBanks * kCombs;
    static constexpr std::uint32_t kDefaultFrames = 65536;
    // The smallest array allocate() takes.
    static constexpr std::uint32_t kMinimumFrames = 2;
    // Added to the damping state every sample: with the loop high-pass
    // removing the tail's DC the states would otherwise decay into denormals.
    static constexpr float kAntiDenormal = 1e-15f;

    // Lanes 0 to 39 hold banks 0 and 1: lane 4r + 2n + c is bank n's row r
    // (0 .. 9) of channel c (0 left, 1 right), comb 10c + r. Lanes 40 to 59
    // hold bank 2: lane 40 + 4q + 2h + c is its row 5h + q of channel c.
    static constexpr int laneOf (int bank, int comb)
    {
        const int c = comb / kCombsPerChannel;
        const int r = comb % kCombsPerChannel;
        return bank < 2 ? 4 * r + 2 * bank + c : 40 + 4 * (r % 5) + 2 * (r / 5) + c;
    }

    // An array of `frames` frames (see allocate()).
    explicit TComb_M (std::uint32_t frames = kDefaultFrames);
    ~TComb_M ();
    TComb_M (const TComb_M&) = delete;
    TComb_M& operator= (const TComb_M&) = delete;

    // Frame array of `frames` (a power of two) frames per lane, silent, the
    // ring using all of it. Allocates; on failure the previous array stays.
    // Returns whether the array has that size.
    bool allocate (std::uint32_t frames);
    std::uint32_t frameCount () const { return capacity; }
    // The combs run on a ring of the array's first frames, a power of two of
    // them: one sized for the lengths in use spreads its reads and writes
    // over a tenth of the memory (and pages) that one sized for the longest
    // lengths the parameters allow does. setRing() resizes it (limited to
    // kMinRingFrames .. frameCount()) keeping the newest frames both rings
    // hold. No allocation.
    static constexpr std::uint32_t kMinRingFrames = 64;
    void setRing (std::uint32_t frames);
    std::uint32_t ringFrames () const { return mask + 1; }
    // Only the ring's storage is committed. allocate() commits an eighth of
    // the array (the rings of most settings stay within it) or the ring, if
    // longer; a longer ring is committed ahead by the helper thread.
    // reachRing() resizes the ring as setRing() does, but grows it only into
    // committed storage, asking the helper for the rest; setRing() grows it
    // at once, the system committing what it first touches.
    void reachRing (std::uint32_t frames);
    std::uint32_t committedFrames () const { return committed.load (std::memory_order_relaxed); }
    // The helper's side: commits the frames asked for.
    void serveRequest () override;

    // Silences the combs: lengths 1, feedback 0, states 0, filters open
    // (a = 1, h = 0). The damping coefficients stay.
    void mute ();
    // Comb base lengths of a bank (0 .. 9 left, 10 .. 19 right), the same for
    // the three banks; setScaledLengths() scales them.
    void setBaseLengths (const float* base);
    // Delay of one lane in samples, limited to 1 .. frameCount() - 1; the
    // ring grows to take it.
    void setLength (int lane, int samples);
    // All lengths at once: bank n's comb k gets trunc(base[k] * scale[n] *
    // factor + 0.5) with dry[n] for even combs and wide[n] for odd ones,
    // limited to 1 .. min(longest, frameCount() - 1) (NaN gives 1); the ring
    // grows to take them.
    struct alignas (16) ScaledLengths
    {
        float scale[3];
        float longest;
        float dry[4];  // the fourth 0
        float wide[4]; // the fourth 0
    };
    void setScaledLengths (const ScaledLengths& in);
    void setDamp (float d);
    // Feedback of the three banks.
    void setFeedback (const float* f);
    // Loop low-pass coefficient a and high-pass coefficient h.
    void setFilter (float a, float h);

    // One sample. dry and wide hold the six inputs, bank n's left and right
    // at 2n and 2n + 1. sums (16-byte aligned, 8 floats, the last two zero)
    // gets in the same places the sums of the values bank n's left and right
    // combs read this sample (before damping), added in comb order.
    void process (const float* dry, const float* wide, bool filtered, float* sums);

private:
    friend struct TCombProbe;
    static constexpr int kVectors = kLanes / 4;
    static constexpr std::uint32_t kTileFrames = 16;
    // Where each lane reads this sample (offsets into the frame array).
    void readOffsets (std::uint32_t wc, std::uint32_t* at) const;
    // Fetches the lines every lane reads in this tile's 16 samples.
    void prefetchTile (std::uint32_t wc) const;
    // Fetches the next tile's line of four lanes a sample, in turn.
    void prefetchAhead (std::uint32_t wc, const std::uint32_t* at) const;
    // Reads, damping, feedback and loop filters of all lanes: the reads go to
    // readValue and their channel sums to sums, the written frame to row.
    // Direct: the reads come from the finished tiles (their offsets go to
    // at), otherwise from value.
    template <bool Filtered, bool Direct>
    void updateLanes (std::uint32_t wc, const float* value, const float* dry, const float* wide, float* row,
                      std::uint32_t* at, float* sums);
    // updateLanes<Filtered, true>() eight lanes at a time (AVX2; row needs
    // only 16-byte alignment), reading the lanes by gathers or plain loads.
    template <bool Filtered, bool Gather>
    void updateLanesAvx2 (std::uint32_t wc, const float* lines, const float* dry, const float* wide, float* row,
                          std::uint32_t* at, float* sums);
    // setScaledLengths()'s arithmetic: four lanes at a time, eight (AVX2), and the one the processor takes.
    void scaleAnyLengths (const float* scale, const float* dry, const float* wide, float limit);
    [[gnu::noinline]] void scaleLengths (const float* scale, const float* dry, const float* wide, float limit);
    void scaleLengthsAvx2 (const float* scale, const float* dry, const float* wide, float limit);

public:
    // The lane reads of `rounds` samples as updateLanesAvx2() makes them, by
    // gathers or plain loads, from a table of kProbeFloats: timed once to
    // choose between the two (see TBasicReverb.cpp).
    static constexpr std::size_t kProbeFloats = 8 * kTileFrames * kLanes;
    static float probeReadsAvx2 (bool gather, const float* table, int rounds);

private:
    void flushStage ();
    // Lane k's read when a line may be unwritten or still in the staging block.
    float readSlow (int k, std::uint32_t wc, std::uint32_t inTile, float fromTile) const;
    void updateMinLength ();
    // Asks the helper to commit storage for a ring of `frames`.
    void askToCommit (std::uint32_t frames) noexcept;
    // Grows the ring where a length has outgrown it.
    void fitRing ()
    {
        if (static_cast<std::uint32_t> (maxLength) > mask - 1) [[unlikely]]
            setRing (std::bit_ceil (static_cast<std::uint32_t> (maxLength) + 2));
    }
    // setScaledLengths() when the lengths may have changed.
    void recomputeLengths (const ScaledLengths& in, bool scalesStand);
    // The factor bounds for the lengths setScaledLengths() has just set.
    void updateFactorBounds (const float* scale, const float* dry, const float* wide, float limit);
    // Offset of lane 0's sample of frame f (0 .. mask); lane k's is kTileFrames * k further.
    static std::uint32_t slot (std::uint32_t f)
    {
        const std::uint32_t tile = f / kTileFrames;
        return tile * (kTileFrames * kLanes) + (f % kTileFrames);
    }

    alignas (64) std::int32_t length[kLanes];
    std::uint32_t writeCount = 0;
    // Frames written since the last mute, saturating at the ring's size, so
    // a wrapped writeCount never makes a full line read as empty again.
    std::uint32_t filled = 0;
    // The ring's mask; the array holds `capacity` frames.
    std::uint32_t mask = 0;
    std::uint32_t capacity = 0;
    // Shortest lane length: a line shorter than a tile reads the staging block.
    std::int32_t minLength = 1;
    // Longest lane length: the ring holds at least two frames more.
    std::int32_t maxLength = 1;
    alignas (64) float readValue[kLanes];
    alignas (64) float dampState[kLanes];
    alignas (64) float lowpassState[kLanes];
    alignas (64) float highpassState[kLanes];
    alignas (64) float feedbackLane[kLanes];
    alignas (64) float baseLane[kLanes];
    // Inputs of the last setScaledLengths: scale[3], longest, and (without
    // SSE2) dry[3], wide[3], 0, 0 (NaN never matches, so it recomputes).
    alignas (16) float scaledFrom[12] = {};
    bool scaledValid = false;
    // While the scales stand, the lowest and highest dry and wide factors
    // (the fourth 0) with which no lane's length changes.
    alignas (16) float dryBounds[2][4] = {};
    alignas (16) float wideBounds[2][4] = {};
    // Whether the last recomputation set bounds, the samples they have held
    // since, and how many recomputations go without them before the next try.
    static constexpr std::uint32_t kBoundsPayoff = 16;
    bool boundsLast = false;
    std::uint32_t boundsHeld = 0;
    std::uint32_t boundsWait = 0;
    std::uint32_t boundsBackoff = 0;
    alignas (64) float stage[kTileFrames][kLanes];
    float dampCoef = 0.0f;
    float undampCoef = 1.0f;
    float lowpassCoef = 1.0f;
    float highpassCoef = 0.0f;
    float lowpassRest = 0.0f;
    float highpassRest = 1.0f;
    AlignedFloats frames;
    // Frames of storage committed, and asked of the helper (relaxed: the
    // storage reads the same committed or not).
    std::atomic<std::uint32_t> committed {0};
    std::atomic<std::uint32_t> commitWanted {0};
};

// Comb base lengths in samples at 44.1 kHz: combs 0 to 9 left, 10 to 19 right.
inline constexpr std::array<float, TComb_M::kCombs> COMB_BASE_LENGTH_ARRAY = {
    1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617, 1680, 1046,
    1141, 1213, 1302, 1383, 1447, 1526, 1583, 1644, 1703, 1081,
};
// Allpass lengths at 44.1 kHz in signal order, left then right.
inline constexpr std::array<int, 4> ALLPASS_LEFT_LENGTH_ARRAY = {556, 441, 341, 225};
inline constexpr std::array<int, 4> ALLPASS_RIGHT_LENGTH_ARRAY = {581, 466, 366, 250};

// One allpass stage of the six chains (bank n's left and right at lanes 2n
// and 2n + 1). Its ring of frames of six floats belongs to the reverb: lane
// j's delay line is every sixth float from j on. All left lanes have one
// length and all right lanes another; the reads rely on it.
struct TAllpass
{
    static constexpr int kLanes = 6;
    std::int32_t length[kLanes] = {1, 1, 1, 1, 1, 1};
    float* frames = nullptr;
};

class TBasicReverb
{
public:
    static constexpr int kBanks = 3;
    static constexpr int kStagesPerBank = 4;
    static constexpr int kWidenLines = 6;
    static constexpr int kRoomTableSize = 65536;
    static constexpr int kCutoffTableSize = 262144;
    // Longest comb stretch the signal chain asks for (length scale 16 times
    // a length modulation of +10 %); comb lines are sized from it per rate.
    static constexpr float kMaxCombStretch = 17.6f;
    // Longest widen delay the chain asks for (63 ms plus a sample).
    static constexpr float kMaxWidenSeconds = 0.064f;

    TBasicReverb ();
    TBasicReverb (const TBasicReverb&) = delete;
    TBasicReverb& operator= (const TBasicReverb&) = delete;

    // Default state for a new plug-in instance: room 0.5, damping 0.5, silent.
    void create ();
    // Ignored for rate < 1 or an unchanged integer part (but for building the
    // cutoff table of a reverb that has none yet). Scales the comb base
    // lengths (left 0..9, right 10..19, samples at 44.1 kHz), sizes the lines
    // for the rate (allocates), rebuilds the cutoff table and calls init().
    // Not safe against a concurrent process().
    void setSampleRate (float rate, const std::array<float, TComb_M::kCombs>& baseLengths = COMB_BASE_LENGTH_ARRAY);
    void setSampleRate (float rate, float length0, float length1, float length2, float length3, float length4,
                        float length5, float length6, float length7, float length8, float length9, float length10,
                        float length11, float length12, float length13, float length14, float length15, float length16,
                        float length17, float length18, float length19);
    // Lengths from the base lengths, allpass settings back to default, then mute().
    void init ();
    void mute ();

    // Normalised room size per bank (0..1) -> comb feedback 0.65 .. 0.997.
    void setRoomSize (float bank1, float bank2, float bank3);
    // Normalised damping 0..1.
    void setDamp (float value);
    // The longest comb stretch (length multiplier times length factor) the
    // settings allow now: the combs' ring is sized to it, so that lengths
    // moving within it find their history. Called at control rate.
    void setLengthReach (float stretch);
    // Per bank: length multiplier and the extra factors of widened and dry combs.
    void setLength (float lengthA, float widenA, float dryA, float lengthB, float widenB, float dryB, float lengthC,
                    float widenC, float dryC);
    // Widen delays in samples (fractional) of lines 0..3; lines 4, 5 repeat 2, 3.
    void setWiden (float delay0, float delay1, float delay2, float delay3);
    // Fetches the widen and allpass frames the next `frames` samples (at
    // most 4096) read and write into the second-level cache.
    void prefetchLines (std::uint32_t frames) const;
    // Orders the block's streamed comb writes before whatever follows it
    // (the host may run the next block on another thread).
    static void finishBlock ();
    // The lane-read path this process took when the library loaded:
    // "AVX2, gathers", "AVX2, plain loads" or "128-bit".
    static const char* laneReadPath ();
    // Normalised loop low-pass and high-pass controls; 1 and 0 switch them off.
    void setFilter (float lowpass, float highpass);
    void setDiffusion (float gain);

    // in0/in1: bank 1 left/right, in2/in3: bank 2, in4/in5: bank 3.
    void process (float in0, float in1, float in2, float in3, float in4, float in5, float& outLeft, float& outRight);

    float getSampleRate () const { return sampleRate; }

private:
    void allocateLines ();
    void buildCutoffTable ();
    void copyBankCoefficients ();
    // process()'s widen lines: the six inputs are written to frame pos of
    // lines; dry gets them with non-finite values as 0, wide the delayed
    // reads (8 floats each, the last two 0). widenAvx2(): the same with AVX2.
    // The inputs come in registers: a vector load of floats just stored one
    // by one would wait for the stores.
    void widen (float* lines, std::uint32_t pos, float in0, float in1, float in2, float in3, float in4, float in5,
                float* dry, float* wide) const;
    template <bool Gather>
    void widenAvx2 (float* lines, std::uint32_t pos, float in0, float in1, float in2, float in3, float in4, float in5,
                    float* dry, float* wide) const;
    // The six chains' allpass stages over x (8 floats, lanes as in TAllpass).
    void allpassChains (float* x);
    // Its stages once every slot has been written, the six chains in one
    // vector (AVX2).
    void allpassStagesAvx2 (std::uint32_t wc, std::uint32_t mask, float* x);

    bool filtered = false;
    std::uint32_t inputWritePos = 0;
    // Samples since the last mute (the allpass rings' write position) and
    // whether it has reached the longest allpass: from there on every
    // allpass slot that can be read has been written.
    std::uint32_t allpassCount = 0;
    bool allpassFull = false;
    std::int32_t longestAllpass = 1;
    // Inputs of the last setRoomSize, setDamp and setFilter (NaN: none yet,
    // and never equal, so a NaN input recomputes every time).
    float roomFrom[kBanks];
    float dampFrom;
    float filterFrom[2];
    void forgetCoefficientInputs ();
    float sampleRate = 44099.0f;
    float rateScale = 1.0f;
    float bankFeedback[kBanks] = {};
    float damp = 0.0f;
    // Two more, kept 0, so the delays load as two vectors.
    alignas (16) float widenDelay[kWidenLines + 2] = {};
    std::uint32_t widenMask = 0;
    AlignedFloats widenLines;
    float baseLength[TComb_M::kCombs];
    float longestBaseLength = 0.0f;
    // Sized for the rate by allocateLines(), not by its own default.
    TComb_M combs {TComb_M::kMinimumFrames};
    TAllpass allpasses[kStagesPerBank];
    float allpassFeedback = 0.5f;
    float allpassDiffusion = 1.0f;
    // Frames per allpass ring (a power of two); allpassBuffers holds
    // kStagesPerBank rings of allpassCapacity frames of TAllpass::kLanes floats.
    int allpassCapacity = 0;
    AlignedFloats allpassBuffers;
    // Read-only, shared: the rate's cutoff table and the one room table.
    using CutoffTable = std::array<float, kCutoffTableSize>;
    using RoomTable = std::array<float, kRoomTableSize>;
    static std::shared_ptr<const CutoffTable> cutoffTableFor (float rate);
    static const RoomTable& roomTableShared ();
    std::shared_ptr<const CutoffTable> cutoffOwner;
    const float* cutoffTable = nullptr;
    const float* roomTable = nullptr;
};

} // namespace morlake
