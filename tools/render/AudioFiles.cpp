#include "tools/render/AudioFiles.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace morlake {

namespace {

std::string extensionOf (const std::string& path)
{
    std::string ext = std::filesystem::path (path).extension ().string ();
    for (auto& c : ext)
        c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));
    return ext;
}

class FileSource final : public AudioSource
{
public:
    FileSource (SNDFILE* f, const SF_INFO& i) : file (f), info (i) {}
    ~FileSource () override { sf_close (file); }

    double sampleRate () const override { return info.samplerate; }
    std::int64_t frames () const override { return info.frames; }
    int fileChannels () const override { return info.channels; }

    bool read (float* left, float* right, int n) override
    {
        buffer.resize (static_cast<std::size_t> (n) * static_cast<std::size_t> (info.channels));
        sf_count_t got = 0;
        if (! ended)
        {
            got = sf_readf_float (file, buffer.data (), n);
            if (got < 0 || sf_error (file) != SF_ERR_NO_ERROR)
                return false;
            ended = got < n;
        }
        const int ch = info.channels;
        for (sf_count_t i = 0; i < got; ++i)
        {
            left[i] = buffer[static_cast<std::size_t> (i * ch)];
            right[i] = buffer[static_cast<std::size_t> (i * ch + (ch > 1 ? 1 : 0))];
        }
        std::fill (left + got, left + n, 0.0f);
        std::fill (right + got, right + n, 0.0f);
        return true;
    }

private:
    SNDFILE* file;
    SF_INFO info;
    std::vector<float> buffer;
    bool ended = false;
};

class MemorySource final : public AudioSource
{
public:
    MemorySource (AudioBuffers b, double rate) : buffers (std::move (b)), rate (rate) {}
    double sampleRate () const override { return rate; }
    std::int64_t frames () const override
    {
        return buffers.empty () ? 0 : static_cast<std::int64_t> (buffers[0].size ());
    }
    int fileChannels () const override { return static_cast<int> (buffers.size ()); }

    bool read (float* left, float* right, int n) override
    {
        float* dst[2] = {left, right};
        for (int c = 0; c < 2; ++c)
        {
            const auto& src = buffers[static_cast<std::size_t> (std::min (c, fileChannels () - 1))];
            for (int i = 0; i < n; ++i)
            {
                const auto at = static_cast<std::size_t> (position + i);
                dst[c][i] = at < src.size () ? src[at] : 0.0f;
            }
        }
        position += n;
        return true;
    }

private:
    AudioBuffers buffers;
    double rate;
    std::int64_t position = 0;
};

} // namespace

std::unique_ptr<AudioSource> openAudioFile (const std::string& path, std::string& error)
{
    std::error_code ec;
    if (! std::filesystem::exists (path, ec))
    {
        error = "input file \"" + path + "\" does not exist";
        return nullptr;
    }
    if (std::filesystem::is_directory (path, ec))
    {
        error = "input \"" + path + "\" is a folder, not an audio file";
        return nullptr;
    }
    SF_INFO info {};
    SNDFILE* file = sf_open (path.c_str (), SFM_READ, &info);
    if (file == nullptr)
    {
        error = "cannot read \"" + path + "\": " + sf_strerror (nullptr);
        return nullptr;
    }
    if (info.channels < 1 || info.channels > 2)
    {
        error = "\"" + path + "\" has " + std::to_string (info.channels) +
                " channels; only mono and stereo inputs are supported";
        sf_close (file);
        return nullptr;
    }
    if (info.samplerate <= 0)
    {
        error = "\"" + path + "\" has no valid sample rate";
        sf_close (file);
        return nullptr;
    }
    return std::make_unique<FileSource> (file, info);
}

std::unique_ptr<AudioSource> memorySource (AudioBuffers stereo, double sampleRate)
{
    return std::make_unique<MemorySource> (std::move (stereo), sampleRate);
}

bool outputFormatFor (const std::string& path, int& sndfileFormat, std::string& name)
{
    const auto ext = extensionOf (path);
    if (ext == ".wav")
    {
        sndfileFormat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        name = "32-bit float WAV";
    }
    else if (ext == ".aif" || ext == ".aiff" || ext == ".aifc")
    {
        sndfileFormat = SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
        name = "32-bit float AIFF";
    }
    else if (ext == ".flac")
    {
        sndfileFormat = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
        name = "24-bit FLAC";
    }
    else if (ext == ".caf")
    {
        sndfileFormat = SF_FORMAT_CAF | SF_FORMAT_FLOAT;
        name = "32-bit float CAF";
    }
    else if (ext == ".w64")
    {
        sndfileFormat = SF_FORMAT_W64 | SF_FORMAT_FLOAT;
        name = "32-bit float W64";
    }
    else
        return false;
    return true;
}

std::string temporaryNameFor (const std::string& path)
{
    const std::filesystem::path p (path);
    const auto name = "." + p.filename ().string () + ".part-" + std::to_string (getpid ());
    return (p.parent_path () / name).string ();
}

std::unique_ptr<AudioWriter> AudioWriter::create (const std::string& path, int channels, double sampleRate,
                                                  std::string& error)
{
    int format = 0;
    std::string formatName;
    if (! outputFormatFor (path, format, formatName))
    {
        const auto ext = extensionOf (path);
        error =
            "unsupported output format \"" + (ext.empty () ? path : ext) + "\" (use .wav, .aiff, .flac, .caf or .w64)";
        return nullptr;
    }
    SF_INFO info {};
    info.samplerate = static_cast<int> (sampleRate);
    info.channels = channels;
    info.format = format;
    if (sf_format_check (&info) == 0)
    {
        error = formatName + " cannot hold " + std::to_string (channels) + " channels at " +
                std::to_string (info.samplerate) + " Hz";
        return nullptr;
    }

    std::unique_ptr<AudioWriter> w (new AudioWriter ());
    w->finalPath = path;
    w->tempPath = temporaryNameFor (path);
    w->format = formatName;
    w->channelCount = channels;
    SNDFILE* f = sf_open (w->tempPath.c_str (), SFM_WRITE, &info);
    if (f == nullptr)
    {
        error = "cannot write \"" + path + "\": " + sf_strerror (nullptr);
        return nullptr;
    }
    if ((format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT)
        sf_command (f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    w->file = f;
    return w;
}

AudioWriter::~AudioWriter ()
{
    if (file != nullptr)
        sf_close (static_cast<SNDFILE*> (file));
    if (! committed && ! tempPath.empty ())
        std::remove (tempPath.c_str ());
}

bool AudioWriter::write (const float* const* channels, int frames)
{
    if (file == nullptr || frames <= 0)
        return frames == 0;
    interleaved.resize (static_cast<std::size_t> (frames) * static_cast<std::size_t> (channelCount));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channelCount; ++c)
            interleaved[static_cast<std::size_t> (i * channelCount + c)] = channels[c][i];
    return sf_writef_float (static_cast<SNDFILE*> (file), interleaved.data (), frames) == frames;
}

bool AudioWriter::commit (std::string& error)
{
    if (file == nullptr)
        return false;
    auto* f = static_cast<SNDFILE*> (file);
    sf_write_sync (f);
    const int closeResult = sf_close (f);
    file = nullptr;
    if (closeResult != 0)
    {
        error = "cannot finish writing \"" + finalPath + "\"";
        return false;
    }
    if (std::rename (tempPath.c_str (), finalPath.c_str ()) != 0)
    {
        error = "cannot move the finished file to \"" + finalPath + "\": " + std::strerror (errno);
        return false;
    }
    committed = true;
    return true;
}

bool writeFileAtomically (const std::string& path, std::span<const std::uint8_t> bytes, std::string& error)
{
    const auto temp = temporaryNameFor (path);
    {
        std::ofstream out (temp, std::ios::binary | std::ios::trunc);
        if (out)
            out.write (reinterpret_cast<const char*> (bytes.data ()), static_cast<std::streamsize> (bytes.size ()));
        if (! out || ! out.flush ())
        {
            out.close ();
            std::remove (temp.c_str ());
            error = "cannot write \"" + path + "\"";
            return false;
        }
    }
    if (std::rename (temp.c_str (), path.c_str ()) != 0)
    {
        std::remove (temp.c_str ());
        error = "cannot write \"" + path + "\": " + std::strerror (errno);
        return false;
    }
    return true;
}

bool readWholeFile (const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    if (! std::filesystem::is_regular_file (path, ec))
    {
        error = "file \"" + path + "\" does not exist";
        return false;
    }
    std::ifstream in (path, std::ios::binary);
    if (! in)
    {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    bytes.assign (std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char> ());
    return true;
}

} // namespace morlake
