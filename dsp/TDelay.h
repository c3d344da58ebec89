// Tape-style stereo delay line. Each channel keeps a queue of written samples
// with the position counter value at which each was written; output is read
// 100 position units behind the counter, so changing the per-sample step
// changes the playback speed (pitch bends) instead of jumping the read point.
#pragma once

#include "dsp/Grower.h"
#include "dsp/ZeroedArray.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

namespace morlake {

// Synced late-delay lengths in whole notes, by "Late Length" step (0 .. 20).
inline constexpr int kLateDelaySyncedSteps = 21;
extern const std::array<float, kLateDelaySyncedSteps> LATE_TAPE_DELAY_SYNCED_LENGTH_ARRAY;

// FIFO of (write position, sample) pairs on a growable ring. The audio path
// only appends and pops. As the ring fills past half, more room is asked of
// a helper thread, which allocates it (zero-filled) and hands it over; the
// audio thread moves the entries across and hands the old storage back to be
// freed. Only if the helper falls behind does the ring grow on the calling
// thread. Large storage is committed only as far as the ring may soon reach:
// twice the ring, asked of the helper whenever the ring widens.
class TDelayQueue : public GrowthClient
{
public:
    TDelayQueue ();
    ~TDelayQueue ();
    TDelayQueue (const TDelayQueue&) = delete;
    TDelayQueue& operator= (const TDelayQueue&) = delete;

    // Ensures room for `entries` without growth; keeps the contents. Also
    // shrinks storage that is more than twice what is asked for. The helper
    // grows the ring as it fills, up to `limit` entries (0: `entries`).
    // Not to run beside append() or pop().
    void reserve (std::size_t entries, std::size_t limit = 0);
    // Replaces the contents with n copies of (stamp, value).
    void fill (std::size_t n, double stamp, float value);
    // Appends an entry stamped `stamp` and returns its sample for the caller
    // to set before the queue is next used. A run of equal stamps is kept as
    // its first and last entry only (the last is overwritten): reading never
    // looks at the ones in between, and a line whose position does not
    // advance would otherwise grow forever.
    float& append (double stamp);
    void pop () noexcept;
    // Asks for room as append() would at `entries` entries: keeps a queue that
    // stands in for another able to take over the other's contents.
    void keepRoomFor (std::size_t entries) noexcept
    {
        if (entries >= askAt)
            keepRoomRare (entries);
    }
    // Replaces the contents with other's. Grows on the calling thread only if
    // keepRoomFor() could not make room in time.
    void copyFrom (const TDelayQueue& other);

    // Reads the line at stamp t into `out`: pops the entries the read has
    // passed (never below three) and interpolates between the first two, 0
    // when fewer than three are left. Then append(stamp) into `slot`.
    // kPlain: appendsPlainly(stamp) holds, and append()'s rare paths are skipped.
    struct Step
    {
        float* slot;
        float out;
    };
    template <bool kPlain>
    Step readAndAppend (double t, double stamp);
    // A stamp unlike the last, and room for it: append() takes no rare path.
    bool appendsPlainly (double stamp) const noexcept { return stamp != lastStamp && count - 1 < plainCounts; }

    std::size_t size () const noexcept { return count; }
    std::size_t capacity () const noexcept { return cap; }
    double stamp (std::size_t i) const noexcept { return stamps[wrap (head + i)]; }
    float sample (std::size_t i) const noexcept { return samples[wrap (head + i)]; }

    // The helper's side: hands over the room asked for, frees the old storage.
    void serveRequest () override;
    // Entries of the storage committed, or asked of the helper to be.
    std::size_t committedEntries () const noexcept { return committed; }

private:
    friend struct TDelayProbe;
    struct Storage;

    // Capacities are powers of two. The entries live on a ring of `ring`
    // slots at the start of the storage, grown as they need: a short line
    // keeps writing over the same few cache lines instead of running through
    // storage reserved for its longest length. i < 2 * ring.
    std::size_t wrap (std::size_t i) const noexcept { return i & mask; }
    // Smallest ring (a power of two, at least 256, at most cap) with room to push onto n entries.
    std::size_t ringFor (std::size_t n) const noexcept;
    void setRing (std::size_t slots) noexcept
    {
        ring = slots;
        mask = slots == 0 ? 0 : slots - 1;
        setPushLimit (std::min (growAt, ring));
        if (2 * ring > committed && committed < cap)
            askToCommit (2 * ring);
    }
    // Doubles a full ring, moving the entries that had wrapped round.
    void widenRing () noexcept;
    // commitNow: entries committed at once (the rest asked of the helper as
    // the ring widens).
    bool reallocate (std::size_t newCap, std::size_t commitNow = SIZE_MAX) noexcept;
    // append()'s rare path: a repeated stamp, or room to be made.
    float& appendRare (double stamp);
    // Appends after the first n entries, with room for it.
    float& appendAt (std::size_t n, double stampValue) noexcept
    {
        const std::size_t i = wrap (head + n);
        stamps[i] = stampValue;
        count = n + 1;
        lastStamp = stampValue;
        return samples[i];
    }
    // More room asked for or made; if none can be had, the oldest entry is
    // dropped (count < cap afterwards unless cap is 0).
    void makeRoom ();
    void askForRoom (std::size_t entries) noexcept;
    void keepRoomRare (std::size_t entries) noexcept;
    // Asks the helper to commit the storage up to `entries`.
    void askToCommit (std::size_t entries) noexcept;
    void setCommitted (std::size_t entries) noexcept
    {
        committed = std::min (entries, cap);
        updateAskAt ();
    }
    void updateAskAt () noexcept { askAt = std::min (growAt, committed < cap ? committed / 2 : SIZE_MAX); }
    void setPushLimit (std::size_t n) noexcept
    {
        pushLimit = n;
        plainCounts = n == 0 ? 0 : n - 1;
    }
    void updateGrowAt () noexcept
    {
        growAt = cap < limit ? cap / 2 : SIZE_MAX;
        setPushLimit (std::min (growAt, ring));
        updateAskAt ();
    }

    ZeroedArray<double> stamps;
    ZeroedArray<float> samples;
    std::size_t cap = 0;
    std::size_t head = 0;
    std::size_t count = 0;
    std::size_t limit = 0;
    std::size_t growAt = SIZE_MAX; // size at which more room is asked for
    std::size_t committed = 0;
    std::size_t askAt = SIZE_MAX; // size at which keepRoomFor() asks for room or pages
    std::size_t ring = 0;
    std::size_t mask = 0;
    std::size_t pushLimit = 0; // size at which append() takes its rare path
    // 0 < count < pushLimit exactly when count - 1 (wrapping at 0) is below this.
    std::size_t plainCounts = 0;
    // The newest entry's stamp while count > 0: append() tells a new stamp
    // from a repeated one without looking at the ring.
    double lastStamp = 0.0;
    // Takes what append() has no room for.
    float discarded = 0.0f;

    // Hand-over with the helper: it publishes `spare` and frees `retired`.
    std::atomic<std::size_t> wanted {0};
    std::atomic<Storage*> spare {nullptr};
    std::atomic<Storage*> retired {nullptr};
    std::size_t provided = 0; // the helper's: the largest room handed over
    // Pages to commit, up to commitTo entries of the arrays posted last.
    std::atomic<double*> commitStamps {nullptr};
    std::atomic<float*> commitSamples {nullptr};
    std::atomic<std::size_t> commitTo {0};
};

class TDelay
{
public:
    // Entries left in each queue by zero(); also the read distance in position units.
    static constexpr int kSpan = 100;
    // Longest free length (4096 ms) plus the right channel's widest extra (30 ms).
    static constexpr float kDefaultReserveSeconds = 4.2f;
    // Lengths beyond this are treated as bogus input and limited.
    static constexpr float kMaxLengthSeconds = 60.0f;

    TDelay ();
    TDelay (const TDelay&) = delete;
    TDelay& operator= (const TDelay&) = delete;

    // Stores the rate (below 1000 Hz: 44100), clears gains and sync, reserves
    // queue storage for delays of initialSeconds at this rate (all of
    // maxDelaySeconds when not given), lets it grow off the audio thread up
    // to maxDelaySeconds, and zeroes the line. Allocates: call it off the
    // audio thread or while audio is stopped. Safe against a concurrent
    // process() (waits for it).
    void init (float sampleRate, float maxDelaySeconds = kDefaultReserveSeconds, float initialSeconds = 0.0f);
    void clear () { zero (); }
    // Back to silence; both steps become 0, so a length must be set before
    // the line produces output again. May be called from a thread other than
    // the audio thread; process() outputs silence while it runs.
    void zero ();

    void setTempoSynced (bool on) { tempoSynced.store (on, std::memory_order_relaxed); }
    // value: normalised length 0..1 (a tempo division when synced, else
    // 1 ms .. 4096 ms); extraRight: samples added to the right channel; bpm: host tempo.
    void setDelayLen (float value, float extraRight, float bpm);
    // Lengths in samples; non-finite or below 1 counts as 1.
    void setDelayLenDirect (float lengthLeft, float lengthRight)
    {
        setStep (stepLeft, cacheLeft, lengthLeft);
        setStep (stepRight, cacheRight, lengthRight);
    }
    // The step a channel takes for `length` (what setDelayLenDirect() sets),
    // for callers that work steps out ahead and set them with setSteps().
    double stepFor (float length) const
    {
        float limited = length >= 1.0f ? length : 1.0f; // NaN counts as 1
        limited = std::min (limited, kMaxLengthSeconds * getSampleRate ());
        return double (kSpan) / double (limited);
    }
    void setSteps (double left, double right)
    {
        const float none = std::numeric_limits<float>::quiet_NaN ();
        stepLeft.store (left, std::memory_order_relaxed);
        stepRight.store (right, std::memory_order_relaxed);
        cacheLeft = {none, left};
        cacheRight = {none, right};
    }
    void setFeed (float gain)
    {
        feedLeft.store (gain, std::memory_order_relaxed);
        feedRight.store (gain, std::memory_order_relaxed);
    }
    void setCross (float gain)
    {
        crossLeft.store (gain, std::memory_order_relaxed);
        crossRight.store (gain, std::memory_order_relaxed);
    }

    void process (float inLeft, float inRight, float& outLeft, float& outRight);

    // Holding the line over a run of samples spares process() its per-sample
    // hand-over: hold() before the run, release() after it, both on the
    // audio thread. hold() fails while a reset from another thread is under
    // way; process() then takes the line per sample as usual. While held,
    // zero() from another thread waits for release(), and the holder resets
    // with zeroHeld() instead.
    bool hold ();
    void release ();
    void zeroHeld ();

    // For a line that has had the same input and lengths as `source` since
    // both were last zeroed and is not processed meanwhile: shadow() every
    // sample keeps room for source's contents, copyStateFrom() (both lines
    // held) makes this line what processing it all along would have made it.
    void shadow (const TDelay& source) noexcept
    {
        left.keepRoomFor (source.left.size ());
        right.keepRoomFor (source.right.size ());
    }
    void copyStateFrom (const TDelay& source);

    float getSampleRate () const { return sampleRate.load (std::memory_order_relaxed); }
    bool isTempoSynced () const { return tempoSynced.load (std::memory_order_relaxed); }
    double getStepLeft () const { return stepLeft.load (std::memory_order_relaxed); }
    double getStepRight () const { return stepRight.load (std::memory_order_relaxed); }
    bool isReadingLeft () const { return readingLeft.load (std::memory_order_relaxed); }
    bool isReadingRight () const { return readingRight.load (std::memory_order_relaxed); }
    bool isBusy () const { return busy.load (std::memory_order_relaxed) == Access::Resetting; }

    // Delay length in samples that setDelayLen(value, 0, bpm) would give,
    // before the "+ 1" of the effective delay.
    static float lengthInSamples (float value, bool synced, float sampleRate, float bpm);

private:
    friend struct TDelayProbe;

    // Who holds the line: process() takes it per sample without waiting;
    // zero() and init() take it from any thread, waiting out a process() call.
    enum class Access : std::uint8_t
    {
        Idle,
        Processing,
        Resetting,
    };

    // Limits what the line stores to +-1; NaN is stored as silence so it
    // cannot circulate in the feedback loop.
    static float limitUnity (float v)
    {
        if (v > 1.0f)
            return 1.0f;
        if (v >= -1.0f)
            return v;
        return v < -1.0f ? -1.0f : 0.0f;
    }

    bool acquireForReset (bool waitForOtherReset);
    void resetQueues ();
    void processLine (float inLeft, float inRight, float& outLeft, float& outRight);
    // process() taking the line for the one sample.
    void processUnheld (float inLeft, float inRight, float& outLeft, float& outRight);
    // processLine() for any state, positions already advanced to pLeft and pRight.
    void processAny (double pLeft, double pRight, float inLeft, float inRight, float& outLeft, float& outRight);
    void writeBack (const TDelayQueue::Step& l, const TDelayQueue::Step& r, float inLeft, float inRight, float& outLeft,
                    float& outRight);

    std::atomic<bool> readingLeft {false};
    std::atomic<bool> readingRight {false};
    std::atomic<Access> busy {Access::Idle};
    std::atomic<bool> tempoSynced {false};
    // Set by hold(), only ever read and written on the holding thread.
    bool held = false;
    // The last length set and the step it gave, per channel, kept by the
    // thread that sets lengths: the division is skipped while neither the
    // length nor the stored step (which a reset clears) has moved.
    struct StepCache
    {
        float length = -1.0f;
        double step = -1.0;
    };
    StepCache cacheLeft, cacheRight;
    // setDelayLen's inputs and the length they gave.
    struct LengthCache
    {
        float value = std::numeric_limits<float>::quiet_NaN ();
        bool synced = false;
        float rate = 0.0f, bpm = 0.0f, length = 0.0f;
    } lengthFrom;
    // Called every sample by the modulated lines, so inline in the chain.
    void setStep (std::atomic<double>& step, StepCache& cache, float length)
    {
        if (length == cache.length && step.load (std::memory_order_relaxed) == cache.step)
            return;
        const double fresh = stepFor (length);
        step.store (fresh, std::memory_order_relaxed);
        cache = {length, fresh};
    }
    std::atomic<float> sampleRate {44100.0f};
    float antiDenormal = 1e-15f;
    // Gains and steps are set on the audio thread but also cleared by
    // init()/zero() from another thread, hence atomic (relaxed is enough:
    // a value one sample late is harmless).
    std::atomic<float> feedLeft {0.0f};
    std::atomic<float> feedRight {0.0f};
    std::atomic<float> crossLeft {0.0f};
    std::atomic<float> crossRight {0.0f};
    std::atomic<double> stepLeft {0.0};
    std::atomic<double> stepRight {0.0};
    // Positions and queues are only touched while `busy` is held.
    double positionLeft = 0.0;
    double positionRight = 0.0;
    TDelayQueue left;
    TDelayQueue right;
};

// The audio path, inline where the lines are processed.

// The fields stay in registers from the read through the append.
template <bool kPlain>
inline TDelayQueue::Step TDelayQueue::readAndAppend (double t, double stampValue)
{
    std::size_t n = count;
    std::size_t h = head;
    const std::size_t m = mask;
    double* const st = stamps.get ();
    float* const sa = samples.get ();
    float y = 0.0f;
    if (n >= 3) [[likely]]
    {
        std::size_t h1 = (h + 1) & m;
        double t1 = st[h1];
        bool dry = false;
        if (! (t < t1))
        {
            // Pops that leave at least two entries.
            std::size_t pops = n - 2;
            for (;;)
            {
                h = h1;
                if (--pops == 0) [[unlikely]]
                {
                    dry = true;
                    break;
                }
                h1 = (h + 1) & m;
                t1 = st[h1];
                if (t < t1)
                    break;
            }
            n = pops + 2;
        }
        if (! dry) [[likely]]
        {
            const double t0 = st[h];
            const float s0 = sa[h];
            const float s1 = sa[h1];
            y = static_cast<float> ((t - t0) * double (s1 - s0) / (t1 - t0) + double (s0));
        }
    }
    head = h;
    if (! kPlain && (stampValue == lastStamp || n >= pushLimit)) [[unlikely]]
    {
        count = n;
        return {&appendRare (stampValue), y};
    }
    return {&appendAt (n, stampValue), y};
}

// The steady sample, both channels reading and each appending plainly; it
// calls nothing. Everything else goes out of line to processAny().
inline void TDelay::processLine (float inLeft, float inRight, float& outLeft, float& outRight)
{
    const double pLeft = positionLeft + stepLeft.load (std::memory_order_relaxed);
    const double pRight = positionRight + stepRight.load (std::memory_order_relaxed);
    if (pLeft < kSpan || pRight < kSpan || ! left.appendsPlainly (pLeft) || ! right.appendsPlainly (pRight))
        [[unlikely]]
    {
        processAny (pLeft, pRight, inLeft, inRight, outLeft, outRight);
        return;
    }
    positionLeft = pLeft;
    positionRight = pRight;
    readingLeft.store (true, std::memory_order_relaxed);
    readingRight.store (true, std::memory_order_relaxed);

    // Each channel reads, then appends its entry at once; only the sample,
    // which takes both channels' reads, is set after.
    const TDelayQueue::Step l = left.readAndAppend<true> (pLeft - kSpan, pLeft);
    const TDelayQueue::Step r = right.readAndAppend<true> (pRight - kSpan, pRight);
    writeBack (l, r, inLeft, inRight, outLeft, outRight);
}

// Sets the appended samples from the inputs and the reads, fed back and
// crossed, and passes the reads on.
inline void TDelay::writeBack (const TDelayQueue::Step& l, const TDelayQueue::Step& r, float inLeft, float inRight,
                               float& outLeft, float& outRight)
{
    const float bias = antiDenormal;
    const float wLeft = inLeft + feedLeft.load (std::memory_order_relaxed) * l.out +
                        crossLeft.load (std::memory_order_relaxed) * r.out + bias;
    const float wRight = inRight + feedRight.load (std::memory_order_relaxed) * r.out +
                         crossRight.load (std::memory_order_relaxed) * l.out + bias;
    *l.slot = limitUnity (wLeft);
    *r.slot = limitUnity (wRight);
    outLeft = l.out;
    outRight = r.out;
}

inline void TDelay::process (float inLeft, float inRight, float& outLeft, float& outRight)
{
    if (held) [[likely]]
        processLine (inLeft, inRight, outLeft, outRight);
    else
        processUnheld (inLeft, inRight, outLeft, outRight);
}

} // namespace morlake
