#include "dsp/TDelay.h"
#include "dsp/Grower.h"
#include "params/StepScales.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace morlake {

const std::array<float, kLateDelaySyncedSteps> LATE_TAPE_DELAY_SYNCED_LENGTH_ARRAY = {
    1.0f / 48.0f, 1.0f / 32.0f, 3.0f / 64.0f, // 1/32T 1/32 1/32*
    1.0f / 24.0f, 1.0f / 16.0f, 3.0f / 32.0f, // 1/16T 1/16 1/16*
    1.0f / 12.0f, 1.0f / 8.0f,  3.0f / 16.0f, // 1/8T  1/8  1/8*
    1.0f / 6.0f,  1.0f / 4.0f,  3.0f / 8.0f,  // 1/4T  1/4  1/4*
    1.0f / 3.0f,  1.0f / 2.0f,  3.0f / 4.0f,  // 1/2T  1/2  1/2*
    2.0f / 3.0f,  1.0f,         3.0f / 2.0f,  // 1/1T  1/1  1/1*
    4.0f / 3.0f,  2.0f,         3.0f,         // 2/1T  2/1  2/1*
};

// ---------------------------------------------------------------- TDelayQueue

namespace {

// Beyond this a request is bogus, and the array size would overflow.
constexpr std::size_t kMaxEntries = std::size_t (1) << 26;
// Committed at least when storage is reserved: a short line never asks the helper.
constexpr std::size_t kFirstCommit = 4096;

// Of n entries with `asked` committed at once, those that are: all of them
// on the heap (see makeZeroedArray()).
std::size_t committedAtOnce (std::size_t n, std::size_t asked)
{
    return n * sizeof (double) < kZeroedMapBytes ? n : std::min (asked, n);
}

} // namespace

struct TDelayQueue::Storage
{
    ZeroedArray<double> stamps;
    ZeroedArray<float> samples;
    std::size_t cap = 0;
    std::size_t committed = 0;
};

TDelayQueue::TDelayQueue () { Grower::instance ().enlist (this); }

TDelayQueue::~TDelayQueue ()
{
    Grower::instance ().dismiss (this);
    delete spare.exchange (nullptr, std::memory_order_acquire);
    delete retired.exchange (nullptr, std::memory_order_acquire);
}

void TDelayQueue::serveRequest ()
{
    delete retired.exchange (nullptr, std::memory_order_acquire);
    // Arrays that have been swapped out or freed meanwhile take no harm (see commitPages()).
    if (double* st = commitStamps.exchange (nullptr, std::memory_order_acquire))
    {
        const std::size_t to = commitTo.load (std::memory_order_relaxed);
        commitPages (st, st + to);
        float* sa = commitSamples.load (std::memory_order_relaxed);
        commitPages (sa, sa + to);
    }
    const std::size_t want = std::bit_ceil (std::min (wanted.load (std::memory_order_relaxed), kMaxEntries));
    if (want <= provided || spare.load (std::memory_order_acquire) != nullptr)
        return;
    // The entries moved across take a quarter; the ring, and so what the
    // audio thread asks to be committed, at most half.
    auto room = std::unique_ptr<Storage> (new (std::nothrow) Storage);
    if (! room)
        return;
    room->stamps = makeZeroedArray<double> (want, want / 2);
    room->samples = makeZeroedArray<float> (want, want / 2);
    if (! room->stamps || ! room->samples)
        return;
    room->cap = want;
    room->committed = committedAtOnce (want, want / 2);
    provided = want;
    spare.store (room.release (), std::memory_order_release);
}

bool TDelayQueue::reallocate (std::size_t newCap, std::size_t commitNow) noexcept
{
    if (newCap < count || newCap > kMaxEntries)
        return false;
    newCap = std::bit_ceil (newCap);
    // Zero-filled and committed here (as far as asked) rather than faulted
    // in one by one on the audio thread as the ring first runs through it.
    commitNow = committedAtOnce (newCap, std::max (commitNow, count));
    ZeroedArray<double> newStamps = makeZeroedArray<double> (newCap, commitNow);
    ZeroedArray<float> newSamples = makeZeroedArray<float> (newCap, commitNow);
    if (! newStamps || ! newSamples)
        return false;
    for (std::size_t i = 0; i < count; ++i)
    {
        newStamps[i] = stamp (i);
        newSamples[i] = sample (i);
    }
    stamps = std::move (newStamps);
    samples = std::move (newSamples);
    cap = newCap;
    committed = commitNow;
    head = 0;
    updateGrowAt ();
    setRing (ringFor (count));
    return true;
}

std::size_t TDelayQueue::ringFor (std::size_t n) const noexcept
{
    return std::min (cap, std::bit_ceil (std::max<std::size_t> (n + 1, 256)));
}

void TDelayQueue::widenRing () noexcept
{
    // Either the entries that wrapped round move up past the old end, or
    // those before the old end move up by the old size; the smaller part moves.
    const std::size_t wrapped = head + count > ring ? head + count - ring : 0;
    const std::size_t before = wrapped > 0 ? ring - head : 0;
    double* const st = stamps.get ();
    float* const sa = samples.get ();
    if (wrapped <= before)
    {
        std::copy (st, st + wrapped, st + ring);
        std::copy (sa, sa + wrapped, sa + ring);
    }
    else
    {
        std::copy (st + head, st + ring, st + head + ring);
        std::copy (sa + head, sa + ring, sa + head + ring);
        head += ring;
    }
    setRing (2 * ring);
}

void TDelayQueue::reserve (std::size_t entries, std::size_t growthLimit)
{
    // The hand-over fields, cleared while the helper stays away.
    Grower::instance ().exclusive ([this] {
        delete spare.exchange (nullptr, std::memory_order_acquire);
        delete retired.exchange (nullptr, std::memory_order_acquire);
        wanted.store (0, std::memory_order_relaxed);
        provided = 0;
        commitStamps.store (nullptr, std::memory_order_relaxed);
    });
    entries = std::max (entries, count);
    limit = std::max (growthLimit, entries);
    if (cap < entries || cap > 2 * entries)
        reallocate (entries, std::max (kFirstCommit, 4 * (count + 1)));
    updateGrowAt ();
    if (ring > cap || ring <= count)
        setRing (ringFor (count));
}

void TDelayQueue::copyFrom (const TDelayQueue& other)
{
    if (cap < other.count && ! reallocate (std::max (other.count, std::min (limit, cap * 2))))
        return;
    head = 0;
    count = other.count;
    for (std::size_t i = 0; i < count; ++i)
    {
        stamps[i] = other.stamp (i);
        samples[i] = other.sample (i);
    }
    lastStamp = other.lastStamp;
    setRing (ringFor (count));
}

void TDelayQueue::askForRoom (std::size_t entries) noexcept
{
    Storage* room = spare.load (std::memory_order_acquire);
    if (room != nullptr && retired.load (std::memory_order_acquire) == nullptr)
    {
        spare.store (nullptr, std::memory_order_relaxed);
        if (room->cap > cap)
        {
            for (std::size_t i = 0; i < count; ++i)
            {
                room->stamps[i] = stamp (i);
                room->samples[i] = sample (i);
            }
            std::swap (stamps, room->stamps);
            std::swap (samples, room->samples);
            std::swap (cap, room->cap);
            std::swap (committed, room->committed);
            head = 0;
            updateGrowAt ();
            setRing (ringFor (count));
        }
        // The helper frees what is now spare.
        retired.store (room, std::memory_order_release);
        Grower::instance ().wake ();
        if (entries < growAt)
            return;
    }
    const std::size_t more = std::min (limit, cap * 2);
    if (more > cap && wanted.load (std::memory_order_relaxed) < more)
    {
        wanted.store (more, std::memory_order_relaxed);
        Grower::instance ().wake ();
    }
}

void TDelayQueue::keepRoomRare (std::size_t entries) noexcept
{
    if (entries >= growAt)
        askForRoom (entries);
    // Four times: asked again only once the other queue has doubled.
    if (2 * entries > committed && committed < cap)
        askToCommit (4 * entries);
}

void TDelayQueue::askToCommit (std::size_t entries) noexcept
{
    setCommitted (std::max (committed, entries));
    commitTo.store (committed, std::memory_order_relaxed);
    commitSamples.store (samples.get (), std::memory_order_relaxed);
    commitStamps.store (stamps.get (), std::memory_order_release);
    Grower::instance ().wake ();
}

void TDelayQueue::fill (std::size_t n, double stampValue, float value)
{
    head = 0;
    count = 0;
    if (cap < n && ! reallocate (n))
        n = cap;
    for (std::size_t i = 0; i < n; ++i)
    {
        stamps[i] = stampValue;
        samples[i] = value;
    }
    count = n;
    lastStamp = stampValue;
    setRing (ringFor (n));
}

void TDelayQueue::makeRoom ()
{
    if (count >= growAt)
        askForRoom (count);
    if (count == cap)
    {
        // Past the reserved length: grow, or if memory is exhausted drop the
        // oldest entry rather than fail.
        if (! reallocate (std::max<std::size_t> (64, cap * 2)))
        {
            if (count == 0)
                return;
            pop ();
        }
    }
    if (count == ring && ring < cap)
        widenRing ();
}

float& TDelayQueue::appendRare (double stampValue)
{
    std::size_t n = count;
    if (n >= 2)
    {
        const std::size_t last = wrap (head + n - 1);
        if (stamps[last] == stampValue && stamps[wrap (head + n - 2)] == stampValue)
            return samples[last];
    }
    if (n >= pushLimit)
    {
        // May move the entries to other storage or a wider ring.
        makeRoom ();
        if (count >= ring)
            return discarded;
        n = count;
    }
    return appendAt (n, stampValue);
}

inline float& TDelayQueue::append (double stampValue)
{
    const std::size_t n = count;
    // A stamp equal to the last may repeat the last two.
    if (stampValue == lastStamp || n >= pushLimit) [[unlikely]]
        return appendRare (stampValue);
    return appendAt (n, stampValue);
}

void TDelayQueue::pop () noexcept
{
    if (count == 0)
        return;
    head = wrap (head + 1);
    --count;
}

// --------------------------------------------------------------------- TDelay

TDelay::TDelay () = default;

bool TDelay::acquireForReset (bool waitForOtherReset)
{
    // Acquire/release on the hand-over: the queues and positions are plain
    // data that the owning side must see complete.
    for (;;)
    {
        Access expected = Access::Idle;
        if (busy.compare_exchange_weak (expected, Access::Resetting, std::memory_order_acquire,
                                        std::memory_order_relaxed))
            return true;
        if (expected == Access::Resetting && ! waitForOtherReset)
            return false;
        if (expected != Access::Idle)
            std::this_thread::yield ();
    }
}

void TDelay::resetQueues ()
{
    readingLeft.store (false, std::memory_order_relaxed);
    readingRight.store (false, std::memory_order_relaxed);
    stepLeft.store (0.0, std::memory_order_relaxed);
    stepRight.store (0.0, std::memory_order_relaxed);
    positionLeft = 0.0;
    positionRight = 0.0;
    left.fill (kSpan, 0.0, 0.0f);
    right.fill (kSpan, 0.0, 0.0f);
}

void TDelay::init (float rate, float maxDelaySeconds, float initialSeconds)
{
    if (! (rate >= 1000.0f) || ! std::isfinite (rate))
        rate = 44100.0f;
    if (! (maxDelaySeconds > 0.0f))
        maxDelaySeconds = kDefaultReserveSeconds;
    maxDelaySeconds = std::min (maxDelaySeconds, kMaxLengthSeconds);
    if (! (initialSeconds > 0.0f))
        initialSeconds = maxDelaySeconds;
    initialSeconds = std::min (initialSeconds, maxDelaySeconds);

    acquireForReset (true);
    sampleRate.store (rate, std::memory_order_relaxed);
    feedLeft.store (0.0f, std::memory_order_relaxed);
    feedRight.store (0.0f, std::memory_order_relaxed);
    crossLeft.store (0.0f, std::memory_order_relaxed);
    crossRight.store (0.0f, std::memory_order_relaxed);
    antiDenormal = 1e-15f;
    tempoSynced.store (false, std::memory_order_relaxed);

    // The first pass after a reset stores two entries per sample, so the
    // peak is about twice the longest delay plus what zero() leaves behind.
    auto entriesFor = [rate] (float seconds) {
        const double longest = std::ceil (double (seconds) * rate) + 2.0;
        // Bounded before the conversion: an absurd rate asks for more than
        // any queue may hold, and the reservation is then refused.
        return static_cast<std::size_t> (std::min (2.0 * longest, double (kMaxEntries))) + 2 * kSpan;
    };
    left.reserve (entriesFor (initialSeconds), entriesFor (maxDelaySeconds));
    right.reserve (entriesFor (initialSeconds), entriesFor (maxDelaySeconds));

    resetQueues ();
    busy.store (Access::Idle, std::memory_order_release);
}

void TDelay::zero ()
{
    if (! acquireForReset (false))
        return;
    resetQueues ();
    busy.store (Access::Idle, std::memory_order_release);
}

float TDelay::lengthInSamples (float value, bool synced, float rate, float bpm)
{
    if (! (value >= 0.0f))
        value = 0.0f;
    if (value > 1.0f)
        value = 1.0f;
    if (synced)
    {
        if (! (bpm > 0.0f) || ! std::isfinite (bpm))
            bpm = 120.0f;
        const int index = std::min (static_cast<int> (value * scale::LateLength + 0.1f), kLateDelaySyncedSteps - 1);
        return rate * 240.0f / bpm * LATE_TAPE_DELAY_SYNCED_LENGTH_ARRAY[index];
    }
    const float milliseconds = static_cast<float> (std::pow (2.0, double (value * 12.0f)));
    return milliseconds / 1000.0f * rate;
}

void TDelay::setDelayLen (float value, float extraRight, float bpm)
{
    const bool synced = isTempoSynced ();
    const float rate = getSampleRate ();
    // The exponential only when an input moved (NaN never matches: recomputed).
    if (! (value == lengthFrom.value && synced == lengthFrom.synced && rate == lengthFrom.rate &&
           bpm == lengthFrom.bpm))
        lengthFrom = {value, synced, rate, bpm, lengthInSamples (value, synced, rate, bpm)};
    const float length = lengthFrom.length;
    if (! (extraRight >= 0.0f))
        extraRight = 0.0f;
    setStep (stepLeft, cacheLeft, length + 1.0f);
    setStep (stepRight, cacheRight, length + 1.0f + extraRight);
}

void TDelay::processAny (double pLeft, double pRight, float inLeft, float inRight, float& outLeft, float& outRight)
{
    if (left.size () == 0 || right.size () == 0)
    {
        outLeft = 0.0f;
        outRight = 0.0f;
        return;
    }
    positionLeft = pLeft;
    positionRight = pRight;

    // Until the position passes the read distance a channel stores its
    // input and then the sample.
    auto channel = [] (TDelayQueue& queue, std::atomic<bool>& reading, double position, float in) {
        const bool reads = ! (position < kSpan);
        reading.store (reads, std::memory_order_relaxed);
        if (reads)
            return queue.readAndAppend<false> (position - kSpan, position);
        queue.append (position) = limitUnity (in);
        return TDelayQueue::Step {&queue.append (position), 0.0f};
    };
    const TDelayQueue::Step l = channel (left, readingLeft, pLeft, inLeft);
    const TDelayQueue::Step r = channel (right, readingRight, pRight, inRight);

    writeBack (l, r, inLeft, inRight, outLeft, outRight);
}

bool TDelay::hold ()
{
    if (held)
        return true;
    Access expected = Access::Idle;
    held = busy.compare_exchange_strong (expected, Access::Processing, std::memory_order_acquire,
                                         std::memory_order_relaxed);
    return held;
}

void TDelay::release ()
{
    if (! held)
        return;
    held = false;
    busy.store (Access::Idle, std::memory_order_release);
}

void TDelay::zeroHeld ()
{
    if (held)
        resetQueues ();
    else
        zero ();
}

void TDelay::copyStateFrom (const TDelay& source)
{
    auto copy = [] (auto& to, const auto& from) {
        to.store (from.load (std::memory_order_relaxed), std::memory_order_relaxed);
    };
    copy (readingLeft, source.readingLeft);
    copy (readingRight, source.readingRight);
    copy (tempoSynced, source.tempoSynced);
    copy (sampleRate, source.sampleRate);
    copy (feedLeft, source.feedLeft);
    copy (feedRight, source.feedRight);
    copy (crossLeft, source.crossLeft);
    copy (crossRight, source.crossRight);
    copy (stepLeft, source.stepLeft);
    copy (stepRight, source.stepRight);
    cacheLeft = source.cacheLeft;
    cacheRight = source.cacheRight;
    antiDenormal = source.antiDenormal;
    positionLeft = source.positionLeft;
    positionRight = source.positionRight;
    left.copyFrom (source.left);
    right.copyFrom (source.right);
}

// Out of line, so that the held path saves no registers for it.
[[gnu::noinline]] void TDelay::processUnheld (float inLeft, float inRight, float& outLeft, float& outRight)
{
    Access expected = Access::Idle;
    if (! busy.compare_exchange_strong (expected, Access::Processing, std::memory_order_acquire,
                                        std::memory_order_relaxed))
    {
        outLeft = 0.0f;
        outRight = 0.0f;
        return;
    }
    processLine (inLeft, inRight, outLeft, outRight);
    busy.store (Access::Idle, std::memory_order_release);
}

} // namespace morlake
