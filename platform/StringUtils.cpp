#include "platform/StringUtils.h"

namespace morlake {

// Host names are matched against ASCII names; a locale-dependent toupper
// could change bytes of a UTF-8 name.
void upperCase (char* text)
{
    if (! text)
        return;
    for (char* p = text; *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char> (*p - 'a' + 'A');
}

void stripAllButNum (char* text)
{
    if (! text)
        return;
    char* out = text;
    for (const char* in = text; *in; ++in)
    {
        const char c = *in;
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')
            *out++ = c;
    }
    *out = 0;
}

} // namespace morlake
