// Per-user settings shared by every Morlake instance: MIDI behaviour, editor
// options, screen size, the controller map and two folder paths.
//
// Stored as readable key=value lines in
//   $XDG_CONFIG_HOME/Aldermoor/Morlake/preferences.txt (default ~/.config/...)
// with integers bare and texts double-quoted.  A read-only system layer in
// $XDG_CONFIG_DIRS (default /etc/xdg) supplies texts the user file lacks.
//
// A store keeps the file's contents in memory; every write goes to disk at
// once (atomic replace under an advisory lock, merged with what other
// processes wrote), so users of the store see a change at once and other
// processes see it from their next read.
//
// Not for the audio thread: every call may lock, allocate and touch files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morlake {

// Keys
inline constexpr const char* PREF_MIDI_PRESET = "MIDIPreset";
inline constexpr const char* PREF_MIDI_BANK = "MIDIBank";
inline constexpr const char* PREF_MIDI_CAPTURE = "MIDICapture";
inline constexpr const char* PREF_MIDI_CHANNEL = "MIDIChannel";
inline constexpr const char* PREF_DIAL_ANIMATION = "DialAnimation";
inline constexpr const char* PREF_KEYBOARD = "Keyboard";
inline constexpr const char* PREF_TOOL_TIP = "ToolTip";
inline constexpr const char* PREF_DRAG_DROP = "DragDrop";
inline constexpr const char* PREF_BIG_100 = "Big100";
inline constexpr const char* PREF_BIG_125 = "Big125";
inline constexpr const char* PREF_BIG_150 = "Big150";
inline constexpr const char* PREF_BIG_200 = "Big200";
inline constexpr const char* PREF_HELP_DIR = "HelpDir";
inline constexpr const char* PREF_ECS_DIR = "ECSDir";

// Every call site reads texts into buffers of this size (127 + terminator).
inline constexpr int kPrefStringSize = 128;

struct PrefFlagDefault
{
    const char* key;
    bool defaultOn;
};

// The flags and the value getRegisterIsOn should be given as default for each.
inline constexpr PrefFlagDefault PREF_FLAG_DEFAULTS[] = {
    {PREF_MIDI_PRESET, true}, {PREF_MIDI_BANK, true}, {PREF_MIDI_CAPTURE, true}, {PREF_DIAL_ANIMATION, true},
    {PREF_KEYBOARD, true},    {PREF_TOOL_TIP, true},  {PREF_DRAG_DROP, true},    {PREF_BIG_100, false},
    {PREF_BIG_125, false},    {PREF_BIG_150, false},  {PREF_BIG_200, false},
};

// Default flag value for a known flag key; false for any other key.
bool prefFlagDefault (std::string_view key);

// Linux defaults of the two path settings.  The manual sits in the bundle's
// Resources folder when the code runs from a Morlake.vst bundle, else at the
// installed documentation path (MORLAKE_DEFAULT_HELP_PATH).  Controller maps
// go to $XDG_DOCUMENTS_DIR/Morlake/ or ~/Documents/Morlake/.
std::string defaultHelpPath ();
std::string defaultEcsDir ();

// ---- The accessors the rest of the plug-in calls ---------------------------
// Texts: buffer receives at most size-1 bytes (never a split UTF-8 sequence)
// and is always terminated when size > 0; empty when absent or not a text.
void loadStringFromPrefs (const char* key, char* buffer, int size);
// The saves return false when the value was not stored (bad key or text,
// unwritable folder).
bool saveStringToPrefs (const char* key, const char* value);
// 0 when absent or not an integer.
int32_t loadIntFromPrefs (const char* key);
bool saveIntToPrefs (const char* key, int32_t value);
// Stores "Y" or "N".
bool saveBoolToPrefs (const char* key, bool value);
// True for exactly "Y", false for exactly "N", defaultOn for anything else.
bool getRegisterIsOn (const char* key, bool defaultOn);
// Start-up: an empty "HelpDir" or "ECSDir" is replaced by its default and
// written back.
class Preferences;
void initPathPrefs (Preferences& store);

// Told of every write made through a store, on the writing thread.
class PrefsListener
{
public:
    virtual void preferencesWritten () = 0;

protected:
    ~PrefsListener () = default;
};

// ---- The store --------------------------------------------------------------
class Preferences
{
public:
    // Folders resolved from the environment at first use.
    Preferences ();
    // userDir empty: kept in memory only.  systemDir empty: no system layer.
    Preferences (std::string userDir, std::string systemDir);
    ~Preferences ();
    Preferences (const Preferences&) = delete;
    Preferences& operator= (const Preferences&) = delete;

    // The process-wide store the free accessors use.
    static Preferences& shared ();
    // Points the shared store at another folder (and no system layer).
    static void setRootForTesting (const std::string& userDir, const std::string& systemDir = {});

    // Drops the cache and reads from the new folders.
    void setRoot (const std::string& userDir, const std::string& systemDir);
    std::string filePath () const;

    bool readString (std::string_view key, char* buffer, int size);
    int32_t readInt (std::string_view key);
    bool writeString (std::string_view key, std::string_view value);
    bool writeInt (std::string_view key, int32_t value);

    // Files renamed aside as damaged since construction.
    int damagedFilesKept () const;

    // Listeners are removed before they go.
    void addListener (PrefsListener* listener);
    void removeListener (PrefsListener* listener);

    struct Impl;

private:
    Impl* impl;
};

} // namespace morlake
