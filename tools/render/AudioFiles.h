// Audio file reading and writing through libsndfile. Writers work on a
// temporary name beside the target and rename it at commit(), so a failed or
// interrupted render never leaves a partial file under the requested name.
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace morlake {

// Reads as stereo: a mono source feeds both channels. Past the end it gives silence.
class AudioSource
{
public:
    virtual ~AudioSource () = default;
    virtual double sampleRate () const = 0;
    virtual std::int64_t frames () const = 0;
    virtual int fileChannels () const = 0;
    // Fills frames samples of left and right; false on a read error.
    virtual bool read (float* left, float* right, int frames) = 0;
};

std::unique_ptr<AudioSource> openAudioFile (const std::string& path, std::string& error); // mono or stereo only
std::unique_ptr<AudioSource> memorySource (AudioBuffers stereo, double sampleRate);

class AudioWriter
{
public:
    // The format follows the extension: .wav (32-bit float), .aif/.aiff
    // (32-bit float), .flac (24-bit), .caf and .w64 (32-bit float).
    static std::unique_ptr<AudioWriter> create (const std::string& path, int channels, double sampleRate,
                                                std::string& error);
    ~AudioWriter (); // removes the temporary file unless committed

    bool write (const float* const* channels, int frames);
    bool commit (std::string& error);
    const std::string& formatName () const { return format; }

private:
    AudioWriter () = default;
    void* file = nullptr; // SNDFILE*
    std::string finalPath;
    std::string tempPath;
    std::string format;
    int channelCount = 0;
    std::vector<float> interleaved;
    bool committed = false;
};

// True when the extension names a format AudioWriter can write; the name is
// what the summary shows ("32-bit float WAV").
bool outputFormatFor (const std::string& path, int& sndfileFormat, std::string& name);

// Same temporary-name-and-rename discipline for small binary files.
bool writeFileAtomically (const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);
bool readWholeFile (const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

std::string temporaryNameFor (const std::string& path);

} // namespace morlake
