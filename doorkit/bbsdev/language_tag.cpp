#include "doorkit/bbsdev/language_tag.h"

#include <cstddef>

#include "doorkit/bbsdev/language_tag_grandfathered.h"
#include "doorkit/core/ascii_case.h"

namespace {

constexpr std::size_t kMaxSubtag = 8;

bool is_alpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool all_alpha(std::string_view s)
{
    for (char c : s) {
        if (!is_alpha(c))
            return false;
    }
    return true;
}

bool all_digit(std::string_view s)
{
    for (char c : s) {
        if (!is_digit(c))
            return false;
    }
    return true;
}

bool all_alnum(std::string_view s)
{
    for (char c : s) {
        if (!is_alpha(c) && !is_digit(c))
            return false;
    }
    return true;
}

// Walks the hyphen-separated subtags of a tag.
class Subtags {
public:
    explicit Subtags(std::string_view tag) : rest_(tag) {}

    bool done() const { return current_.empty(); }
    std::string_view current() const { return current_; }

    // Moves to the next subtag; false when a subtag is empty, too long or
    // holds anything but letters and digits.
    bool advance()
    {
        if (!more_) {
            current_ = {};
            return true;
        }
        const std::size_t hyphen = rest_.find('-');
        current_ = rest_.substr(0, hyphen);
        if (hyphen == std::string_view::npos) {
            more_ = false;
        } else {
            rest_.remove_prefix(hyphen + 1);
        }
        return !current_.empty() && current_.size() <= kMaxSubtag && all_alnum(current_);
    }

private:
    std::string_view rest_;
    std::string_view current_;
    bool more_ = true;
};

// Whether `subtag` is among the hyphen-separated subtags of `earlier`,
// compared without case.
bool appears_in(std::string_view earlier, std::string_view subtag)
{
    while (!earlier.empty()) {
        const std::size_t hyphen = earlier.find('-');
        if (ODAsciiEqualNoCase(earlier.substr(0, hyphen), subtag))
            return true;
        if (hyphen == std::string_view::npos)
            break;
        earlier.remove_prefix(hyphen + 1);
    }
    return false;
}

// The text from `begin` up to the subtag the walk stands on.
std::string_view before(const char* begin, const Subtags& subtags)
{
    return {begin, static_cast<std::size_t>(subtags.current().data() - begin)};
}

bool is_private_use_singleton(std::string_view s)
{
    return s.size() == 1 && ODAsciiLower(s[0]) == 'x';
}

// "x" followed by at least one subtag of 1..8 letters or digits; the walk
// stands on the "x".
bool private_use(Subtags& subtags)
{
    if (!subtags.advance() || subtags.done())
        return false;
    while (!subtags.done()) {
        if (!subtags.advance())
            return false;
    }
    return true;
}

bool variant(std::string_view s)
{
    if (s.size() >= 5)
        return true;  // 5..8 letters or digits
    return s.size() == 4 && is_digit(s[0]);
}

bool grandfathered(std::string_view tag)
{
    for (std::string_view known : kGrandfatheredLanguageTags) {
        if (ODAsciiEqualNoCase(known, tag))
            return true;
    }
    return false;
}

bool langtag(std::string_view tag)
{
    Subtags subtags(tag);
    if (!subtags.advance() || subtags.done())
        return false;
    if (is_private_use_singleton(subtags.current()))
        return private_use(subtags);

    // language: 2..3 letters with up to three 3-letter extlangs, or 4..8
    // letters.
    const std::string_view language = subtags.current();
    if (language.size() < 2 || !all_alpha(language))
        return false;
    if (!subtags.advance())
        return false;
    if (language.size() <= 3) {
        for (int extlangs = 0; extlangs < 3 && !subtags.done(); ++extlangs) {
            const std::string_view s = subtags.current();
            if (s.size() != 3 || !all_alpha(s))
                break;
            if (!subtags.advance())
                return false;
        }
    }

    // script
    if (!subtags.done() && subtags.current().size() == 4 && all_alpha(subtags.current())) {
        if (!subtags.advance())
            return false;
    }
    // region
    if (!subtags.done()) {
        const std::string_view s = subtags.current();
        if ((s.size() == 2 && all_alpha(s)) || (s.size() == 3 && all_digit(s))) {
            if (!subtags.advance())
                return false;
        }
    }
    // variants
    const char* variants = subtags.current().data();
    while (!subtags.done() && variant(subtags.current())) {
        if (appears_in(before(variants, subtags), subtags.current()) || !subtags.advance())
            return false;
    }
    // extensions
    // Extension parts are 2..8 long, so only singletons can match one.
    const char* extensions = subtags.current().data();
    while (!subtags.done() && subtags.current().size() == 1 &&
           !is_private_use_singleton(subtags.current())) {
        if (appears_in(before(extensions, subtags), subtags.current()) || !subtags.advance())
            return false;
        int parts = 0;
        while (!subtags.done() && subtags.current().size() >= 2) {
            ++parts;
            if (!subtags.advance())
                return false;
        }
        if (parts == 0)
            return false;
    }
    if (!subtags.done() && is_private_use_singleton(subtags.current()))
        return private_use(subtags);
    return subtags.done();
}

}  // namespace

bool ODLanguageTagWellFormed(std::string_view tag)
{
    return grandfathered(tag) || langtag(tag);
}
