// A host callback for in-process tests: answers the version and the host
// strings, records automation and edit calls.
#pragma once

#include "platform/Preferences.h"
#include "formats/vst2/vst24.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace morlake::test {

// Preferences kept in memory: instances under test read no file.
inline Preferences& memoryPrefs ()
{
    static Preferences store {std::string {}, std::string {}};
    return store;
}

struct HostCall
{
    vst::int32 opcode;
    vst::int32 index;
    float opt;
};

class FakeHost
{
public:
    static inline std::string product;
    static inline std::string vendor;
    static inline std::vector<HostCall> calls;
    static inline std::mutex mutex;

    static void reset (std::string productName = "", std::string vendorName = "")
    {
        std::lock_guard lock (mutex);
        product = std::move (productName);
        vendor = std::move (vendorName);
        calls.clear ();
    }

    static std::vector<HostCall> callsOf (vst::int32 opcode)
    {
        std::lock_guard lock (mutex);
        std::vector<HostCall> found;
        for (const auto& c : calls)
            if (c.opcode == opcode)
                found.push_back (c);
        return found;
    }

    static vst::intptr callback (vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void* ptr, float opt)
    {
        switch (opcode)
        {
            case vst::audioMasterVersion: return vst::kVstVersion;
            case vst::audioMasterGetProductString:
                if (product.empty ())
                    return 0;
                std::snprintf (static_cast<char*> (ptr), vst::kVstMaxProductStrLen, "%s", product.c_str ());
                return 1;
            case vst::audioMasterGetVendorString:
                if (vendor.empty ())
                    return 0;
                std::snprintf (static_cast<char*> (ptr), vst::kVstMaxVendorStrLen, "%s", vendor.c_str ());
                return 1;
            default: {
                std::lock_guard lock (mutex);
                calls.push_back ({opcode, index, opt});
                return 0;
            }
        }
    }
};

} // namespace morlake::test
