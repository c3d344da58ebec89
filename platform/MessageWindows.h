// Message, confirmation and text-input windows. Every call returns at once:
// the window shows inside the open editor, and an answer, where one is
// asked for, comes later through a callback on the user-interface thread,
// from the host's idle or event call that served the click or key. No call
// ever waits for the user, so the host's own loop keeps running meanwhile.
//
// The windows belong to the editor, which installs a backend when it is
// linked in. Without one, without an open editor on the calling thread, or
// from another thread, nothing shows: a message is dropped and a question
// is answered at once as if cancelled.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace morlake {

// Text buffers the callers hand to the input window hold this many bytes.
inline constexpr int kInputTextSize = 128;

// 1 for OK, 2 for Cancel.
using ConfirmAnswer = std::function<void (int result)>;
// OK with the typed text (cut to kInputTextSize - 1 bytes on a UTF-8
// boundary); false and an empty text for Cancel or nothing shown.
using InputAnswer = std::function<void (bool ok, const std::string& text)>;

struct MessageWindowBackend
{
    // Each answers false when nothing could be shown; the callback is then
    // never called.
    bool (*message) (const std::string& title, const std::string& text);
    bool (*confirm) (const std::string& title, const std::string& text, ConfirmAnswer answer);
    bool (*input) (const std::string& title, const std::string& prompt, const std::string& preset, InputAnswer answer);
};

inline std::atomic<const MessageWindowBackend*>& messageWindowBackend ()
{
    static std::atomic<const MessageWindowBackend*> backend {nullptr};
    return backend;
}

inline void setMessageWindowBackend (const MessageWindowBackend* backend)
{
    messageWindowBackend ().store (backend, std::memory_order_release);
}

inline constexpr const char* kMessageTitle = "Morlake";

// Cuts `text` to fit a buffer of `size` bytes, terminator included, without
// splitting a UTF-8 sequence.
inline std::string fitInputText (const std::string& text, int size = kInputTextSize)
{
    if (size <= 0)
        return {};
    std::size_t n =
        text.size () < static_cast<std::size_t> (size - 1) ? text.size () : static_cast<std::size_t> (size - 1);
    while (n > 0 && n < text.size () && (static_cast<unsigned char> (text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr (0, n);
}

// The OK-only window titled "Morlake". False when nothing could be shown.
inline bool messageBox (const std::string& text)
{
    const auto* b = messageWindowBackend ().load (std::memory_order_acquire);
    return b != nullptr && b->message (kMessageTitle, text);
}

// The OK/Cancel window titled "Morlake"; `answer` gets 1 or 2, and 2 at once
// when nothing could be shown.
inline void messageBoxCancel (const std::string& text, ConfirmAnswer answer)
{
    const auto* b = messageWindowBackend ().load (std::memory_order_acquire);
    if (b == nullptr || ! b->confirm (kMessageTitle, text, answer))
        if (answer)
            answer (2);
}

// The input window, its field preset to `preset`. Note the order: prompt
// first, title second. `answer` is called once: later with the user's
// choice, or at once with Cancel when nothing could be shown.
inline void inputBox (const std::string& prompt, const std::string& title, const std::string& preset,
                      InputAnswer answer)
{
    const auto* b = messageWindowBackend ().load (std::memory_order_acquire);
    auto fitted = [answer] (bool ok, const std::string& text) {
        if (answer)
            answer (ok, ok ? fitInputText (text) : std::string {});
    };
    if (b == nullptr || ! b->input (title, prompt, fitInputText (preset), fitted))
        fitted (false, {});
}

} // namespace morlake
