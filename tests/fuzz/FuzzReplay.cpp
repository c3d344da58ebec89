// Drives the chunk fuzz target without libFuzzer: a few fixed blocks, then
// generated ones from a fixed seed. Argument: how many generated inputs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size);

namespace {

void run (const std::vector<std::uint8_t>& input) { LLVMFuzzerTestOneInput (input.data (), input.size ()); }

std::vector<std::uint8_t> raw (std::size_t size, std::uint8_t fill, bool isPreset = false)
{
    std::vector<std::uint8_t> v (size + 1, fill);
    v[0] = isPreset ? 3 : 2;
    return v;
}

} // namespace

int main (int argc, char** argv)
{
    const long count = argc > 1 ? std::atol (argv[1]) : 2000;

    run ({});
    for (std::size_t size : {0u, 1u, 1055u, 1056u, 1057u, 65536u})
        for (std::uint8_t fill : {0x00, 0x7f, 0xff})
        {
            run (raw (size, fill, false));
            run (raw (size, fill, true));
        }
    {
        // Every value NaN, then every value infinite, name without a terminator.
        auto block = raw (1056, 'A');
        for (int t = 0; t < 256; ++t)
        {
            const float v = t % 2 ? std::numeric_limits<float>::quiet_NaN () : std::numeric_limits<float>::infinity ();
            std::memcpy (&block[1 + 4 * t], &v, 4);
        }
        run (block);
    }

    std::mt19937 rng (20240607u);
    std::uniform_int_distribution<int> byte (0, 255);
    for (long i = 0; i < count; ++i)
    {
        std::vector<std::uint8_t> input;
        const int mode = byte (rng);
        if (mode & 2)
        {
            // Raw block: mostly around the whole size, sometimes far off it.
            const std::size_t size = (mode & 4) ? std::size_t (byte (rng)) * 8 : 1050 + std::size_t (byte (rng) % 16);
            input.resize (size + 1);
            for (auto& b : input)
                b = std::uint8_t (byte (rng));
        }
        else
        {
            // Patches of a valid preset chunk.
            input.resize (1 + 3 * std::size_t (1 + byte (rng) % 24));
            for (auto& b : input)
                b = std::uint8_t (byte (rng));
        }
        input[0] = std::uint8_t (mode);
        run (input);
    }
    std::printf ("%ld generated chunks restored\n", count);
    return 0;
}
