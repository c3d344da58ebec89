// Modal message, confirmation and text-input windows. Each call returns only
// when the user has answered. The windows themselves belong to the editor
// (which registers a backend when it is linked in); without one, or when no
// window can be shown, every call answers as if the user had cancelled.
//
// Only the user-interface thread may show a window; calls from another
// thread get the cancelled answer at once instead of blocking.
#pragma once

#include <atomic>
#include <cstring>
#include <string>

namespace morlake {

// Size of the text buffers the callers hand to the input window.
inline constexpr int kInputTextSize = 128;

struct MessageWindowBackend
{
    // OK-only window.
    void (*message) (const char* title, const char* text);
    // OK/Cancel window: 1 for OK, 2 for Cancel, 0 when nothing was shown.
    int (*confirm) (const char* title, const char* text);
    // Input window: true for OK with the answer in `answer`; false for Cancel
    // or nothing shown.
    bool (*input) (const char* title, const char* prompt, const std::string& preset, std::string& answer);
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

inline void runMessageWindow (const char* title, const char* text)
{
    if (const auto* b = messageWindowBackend ().load (std::memory_order_acquire))
        b->message (title != nullptr ? title : "", text != nullptr ? text : "");
}

// Stores 1 (OK) or 2 (Cancel) through result; leaves it as the caller set it
// when no window could be shown.
inline void runMessageWindowCancel (const char* title, const char* text, int* result)
{
    const auto* b = messageWindowBackend ().load (std::memory_order_acquire);
    const int answer = b != nullptr ? b->confirm (title != nullptr ? title : "", text != nullptr ? text : "") : 0;
    if (result != nullptr && answer != 0)
        *result = answer;
}

// Shows the input window with `text` (size bytes) as the preset answer. On
// OK `text` receives the typed text, cut to fit without splitting a UTF-8
// sequence; on Cancel, or when nothing could be shown, it is empty.
inline bool askInput (const char* title, const char* prompt, char* text, int size)
{
    if (text == nullptr || size <= 0)
        return false;
    const std::string preset (text, strnlen (text, static_cast<std::size_t> (size)));
    std::string answer;
    const auto* b = messageWindowBackend ().load (std::memory_order_acquire);
    const bool ok = b != nullptr && b->input (title != nullptr ? title : "", prompt != nullptr ? prompt : "", preset, answer);
    if (! ok)
        answer.clear ();
    std::size_t n = answer.size () < static_cast<std::size_t> (size - 1) ? answer.size () : static_cast<std::size_t> (size - 1);
    while (n > 0 && n < answer.size () && (static_cast<unsigned char> (answer[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy (text, answer.data (), n);
    text[n] = '\0';
    return ok;
}

inline void runInputWindow (const char* title, const char* prompt, char* text, int size = kInputTextSize)
{
    askInput (title, prompt, text, size);
}

inline constexpr const char* kMessageTitle = "Morlake";

// Type 1 asks OK/Cancel and answers 1 or 2; any other type shows the OK-only
// window and answers 1.
inline int messageBox (const std::string& text, int type)
{
    if (type == 1)
    {
        int result = 2;
        runMessageWindowCancel (kMessageTitle, text.c_str (), &result);
        return result;
    }
    runMessageWindow (kMessageTitle, text.c_str ());
    return 1;
}

inline int messageBoxCancel (const char* text)
{
    int result = 2;
    runMessageWindowCancel (kMessageTitle, text, &result);
    return result == 1 ? 1 : 2;
}

// Note the order: prompt first, title second. Answers 1 when the user chose
// OK, 0 otherwise (the text is then empty).
inline int inputBox (const char* prompt, const char* title, char* text, int size = kInputTextSize)
{
    return askInput (title, prompt, text, size) ? 1 : 0;
}

inline int inputBox (const std::string& prompt, const std::string& title, char* text, int size = kInputTextSize)
{
    return inputBox (prompt.c_str (), title.c_str (), text, size);
}

// Kept for callers of the older interface: shows nothing.
inline int inputBox2 (char*, char*, char*) { return 0; }

} // namespace morlake
