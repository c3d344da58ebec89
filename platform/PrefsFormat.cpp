#include "platform/PrefsFormat.h"

namespace morlake::prefs {

namespace {

bool isBlank (char c) { return c == ' ' || c == '\t'; }

int hexDigit (char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendHex (std::string& out, unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 15];
}

// Keys are written unquoted, so '=', '#', '"' and blanks are escaped as well.
void appendEscaped (std::string& out, std::string_view s, bool isKey)
{
    for (char ch : s)
    {
        const auto c = static_cast<unsigned char> (ch);
        switch (ch)
        {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F || (isKey && (ch == '=' || ch == '#' || ch == ' ')))
                    appendHex (out, c);
                else
                    out += ch;
        }
    }
}

// Decodes the escape starting at line[i] == '\\'; advances i past it.
bool decodeEscape (std::string_view line, size_t& i, std::string& out)
{
    if (i + 1 >= line.size ())
        return false;
    const char e = line[i + 1];
    i += 2;
    switch (e)
    {
        case '\\': out += '\\'; return true;
        case '"': out += '"'; return true;
        case '=': out += '='; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'x': {
            if (i + 2 > line.size ())
                return false;
            const int hi = hexDigit (line[i]);
            const int lo = hexDigit (line[i + 1]);
            if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
                return false;
            out += static_cast<char> (hi * 16 + lo);
            i += 2;
            return true;
        }
        default: return false;
    }
}

bool parseLine (std::string_view line, std::string& key, Value& value)
{
    size_t i = 0;
    const size_t n = line.size ();
    while (i < n && isBlank (line[i]))
        ++i;

    key.clear ();
    size_t keyLength = 0; // up to the last character that is not a bare blank
    while (i < n && line[i] != '=')
    {
        if (line[i] == '\\')
        {
            if (! decodeEscape (line, i, key))
                return false;
            keyLength = key.size ();
        }
        else if (line[i] == '"')
            return false;
        else
        {
            key += line[i];
            if (! isBlank (line[i]))
                keyLength = key.size ();
            ++i;
        }
    }
    key.resize (keyLength);
    if (i >= n || key.empty () || key.size () > kMaxKeyBytes)
        return false;
    ++i;
    while (i < n && isBlank (line[i]))
        ++i;

    value = Value {};
    if (i < n && line[i] == '"')
    {
        ++i;
        bool closed = false;
        while (i < n)
        {
            if (line[i] == '"')
            {
                closed = true;
                ++i;
                break;
            }
            if (line[i] == '\\')
            {
                if (! decodeEscape (line, i, value.text))
                    return false;
            }
            else
                value.text += line[i++];
        }
        if (! closed || value.text.size () > kMaxTextBytes)
            return false;
    }
    else
    {
        bool negative = false;
        if (i < n && line[i] == '-')
        {
            negative = true;
            ++i;
        }
        int64_t number = 0;
        size_t digits = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9')
        {
            number = number * 10 + (line[i] - '0');
            if (number > int64_t (INT32_MAX) + 1)
                return false;
            ++i;
            ++digits;
        }
        if (digits == 0)
            return false;
        number = negative ? -number : number;
        if (number > INT32_MAX)
            return false;
        value.isInt = true;
        value.number = static_cast<int32_t> (number);
    }
    while (i < n && isBlank (line[i]))
        ++i;
    return i == n;
}

// Fills `out` with every line that parses; false when any other line was
// found (the caller keeps a copy of the file). A leading byte-order mark, as
// some text editors write, is not damage.

} // namespace

bool parseFile (std::string_view data, ValueMap& out)
{
    out.clear ();
    if (data.starts_with ("\xEF\xBB\xBF"))
        data.remove_prefix (3);
    bool clean = true;
    std::string key;
    Value value;
    size_t start = 0;
    while (start < data.size ())
    {
        size_t end = data.find ('\n', start);
        if (end == std::string_view::npos)
            end = data.size ();
        std::string_view line = data.substr (start, end - start);
        start = end + 1;
        if (! line.empty () && line.back () == '\r')
            line.remove_suffix (1);
        size_t first = 0;
        while (first < line.size () && isBlank (line[first]))
            ++first;
        if (first == line.size () || line[first] == '#')
            continue;
        if (line.find ('\0') != std::string_view::npos || ! parseLine (line, key, value))
        {
            clean = false;
            continue;
        }
        out[key] = value;
    }
    return clean;
}

std::string serialise (const ValueMap& values)
{
    std::string out = "# Morlake preferences: key=value, integers bare, texts in double quotes.\n";
    for (const auto& [key, value] : values)
    {
        appendEscaped (out, key, true);
        out += '=';
        if (value.isInt)
            out += std::to_string (value.number);
        else
        {
            out += '"';
            appendEscaped (out, value.text, false);
            out += '"';
        }
        out += '\n';
    }
    return out;
}

bool acceptable (std::string_view key, std::string_view text)
{
    return ! key.empty () && key.size () <= kMaxKeyBytes && key.find ('\0') == std::string_view::npos &&
           text.size () <= kMaxTextBytes && text.find ('\0') == std::string_view::npos;
}

} // namespace morlake::prefs
