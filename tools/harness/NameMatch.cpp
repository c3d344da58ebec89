#include "tools/harness/NameMatch.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace morlake {

std::string toLowerTrimmed (std::string_view s)
{
    while (! s.empty () && std::isspace (static_cast<unsigned char> (s.front ())))
        s.remove_prefix (1);
    while (! s.empty () && std::isspace (static_cast<unsigned char> (s.back ())))
        s.remove_suffix (1);
    std::string out (s);
    for (auto& c : out)
        c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));
    return out;
}

bool equalsIgnoringCase (std::string_view a, std::string_view b) { return toLowerTrimmed (a) == toLowerTrimmed (b); }

namespace {

std::size_t editDistance (const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row (b.size () + 1);
    std::iota (row.begin (), row.end (), std::size_t {0});
    for (std::size_t i = 1; i <= a.size (); ++i)
    {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size (); ++j)
        {
            const std::size_t above = row[j];
            row[j] = std::min ({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size ()];
}

} // namespace

std::vector<std::string> closeMatches (std::string_view query, const std::vector<std::string>& candidates,
                                       std::size_t maxCount)
{
    const auto q = toLowerTrimmed (query);
    struct Scored
    {
        std::size_t score;
        std::size_t order;
        const std::string* name;
    };
    std::vector<Scored> scored;
    for (std::size_t i = 0; i < candidates.size (); ++i)
    {
        const auto c = toLowerTrimmed (candidates[i]);
        if (c.empty () || q.empty ())
            continue;
        std::size_t score;
        if (c.find (q) != std::string::npos || q.find (c) != std::string::npos)
            score = 0;
        else
        {
            const auto d = editDistance (q, c);
            if (d > std::max<std::size_t> (2, std::max (q.size (), c.size ()) / 2))
                continue;
            score = d;
        }
        scored.push_back ({score, i, &candidates[i]});
    }
    std::stable_sort (scored.begin (), scored.end (),
                      [] (const Scored& a, const Scored& b) { return a.score < b.score; });
    std::vector<std::string> out;
    for (const auto& s : scored)
    {
        if (out.size () >= maxCount)
            break;
        out.push_back (*s.name);
    }
    return out;
}

std::string quotedList (const std::vector<std::string>& names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size (); ++i)
    {
        if (i > 0)
            out += i + 1 == names.size () ? " or " : ", ";
        out += '"' + names[i] + '"';
    }
    return out;
}

} // namespace morlake
