// SPDX-License-Identifier: GPL-3.0-or-later
//
// libstdc++'s regex executor recurses once or more per character that a
// repetition consumes, so a record spread over megabytes of separators, or a
// number with megabytes of digits, would exhaust the stack. The scanner
// therefore runs the patterns on a compressed copy of the text in which every
// maximal run of separators [, \t\n\r] or of digits [0-9] longer than kRunKeep
// characters keeps only its first kRunKeep - 1 characters and its last one.
//
// Why this cannot change what the patterns match: in the record patterns the
// unbounded elements are "[, \t\n\r]+" and "[0-9]+", each followed by the end
// of the pattern or by an element that cannot start with a character of its
// own class, and the value list of a sequence record, a class holding both
// separators and digits between two quotes (so every run inside it is
// consumed whole); every other element consumes at most 16 characters (the
// preset name, which lies between two quotes, so it never holds part of a run
// longer than 16). A match thus either consumes a long run whole with one
// unbounded element, or at most the first 2 characters of it (a hexadecimal
// value, the one-digit bit depth) before its next element needs another class. Compression keeps each long run in its
// class, longer than 16 and with the same first 16 characters, so every element sees the same thing and a match's end
// maps back to the same original position. The token patterns see the same runs inside one record, and their views are
// taken from the original text, so numbers keep all their digits.
//
// Record starts are found on the original text: a line start, blanks and TABs,
// then "@". "^[ \t]*" there can only match the whole blank run, so the pattern
// is run from the "@" with the same result. In the compressed text no match is
// longer than 2 + 2 * kRunKeep + 1 + 128 * (kRunKeep + 2) characters (the
// wavetable record, the longest of fixed shape), and the regex examines at
// most one character past the longest prefix it can match, so a window of
// kWindow characters from the "@" gives the same result as the whole text.
// The one exception is a sequence record whose value list runs past the
// window (some 4000 characters after compression, where 64 steps need at
// most 400): it is not read, as a malformed record is not.
#include "RecordScanner.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace kest::tolvane::formats {

namespace {

constexpr std::size_t kRunKeep = 20;
constexpr std::size_t kWindow = 4096;
static_assert(kRunKeep > 17, "a shortened run must stay longer than a quoted name");
static_assert(2 + 2 * kRunKeep + 1 + 128 * (kRunKeep + 2) + 2 <= kWindow, "window shorter than a record");

enum class RunClass { None, Separator, Digit };

RunClass classOf(char c)
{
    if (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r')
        return RunClass::Separator;
    if (c >= '0' && c <= '9')
        return RunClass::Digit;
    return RunClass::None;
}

class CompressedText {
public:
    explicit CompressedText(std::string_view text)
    {
        chars_.reserve(std::min(text.size(), std::size_t{1} << 20));
        std::size_t i = 0;
        while (i < text.size()) {
            const RunClass cls = classOf(text[i]);
            std::size_t end = i + 1;
            if (cls != RunClass::None)
                while (end < text.size() && classOf(text[end]) == cls)
                    ++end;
            const std::size_t length = end - i;
            if (length > kRunKeep) {
                chars_.append(text.substr(i, kRunKeep - 1));
                jumps_.push_back({chars_.size(), end - 1});
                chars_.push_back(text[end - 1]);
            } else {
                chars_.append(text.substr(i, length));
            }
            i = end;
        }
    }

    const std::string& chars() const { return chars_; }

    std::size_t toOriginal(std::size_t pos) const
    {
        const auto it = std::upper_bound(jumps_.begin(), jumps_.end(), pos,
                                         [](std::size_t p, const Jump& j) { return p < j.compressed; });
        if (it == jumps_.begin())
            return pos;
        const Jump& j = *(it - 1);
        return j.original + (pos - j.compressed);
    }

    // Only for characters that compression keeps (every "@" is kept).
    std::size_t toCompressed(std::size_t original) const
    {
        const auto it = std::upper_bound(jumps_.begin(), jumps_.end(), original,
                                         [](std::size_t p, const Jump& j) { return p < j.original; });
        if (it == jumps_.begin())
            return original;
        const Jump& j = *(it - 1);
        return j.compressed + (original - j.original);
    }

private:
    // From compressed position `compressed` on, positions are offset to `original`.
    struct Jump {
        std::size_t compressed;
        std::size_t original;
    };
    std::string chars_;
    std::vector<Jump> jumps_;
};

} // namespace

RecordSyntax::RecordSyntax(const char* recordPattern, const char* tokenPattern)
    : record(recordPattern, std::regex::ECMAScript | std::regex::multiline), token(tokenPattern, std::regex::ECMAScript)
{
}

void scanRecords(std::string_view text, const RecordSyntax& syntax, const RecordHandler& onRecord)
{
    const CompressedText compressed(text);
    const std::string& chars = compressed.chars();
    std::vector<std::string_view> tokens;
    std::size_t searchFrom = 0; // end of the last match, in the original text

    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t lineFeed = text.find('\n', lineStart);
        const std::size_t nextLine = lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
        std::size_t at = lineStart;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        lineStart = nextLine;
        if (at >= text.size() || text[at] != '@' || at < searchFrom)
            continue;

        const std::size_t start = compressed.toCompressed(at);
        const auto first = chars.begin() + static_cast<std::ptrdiff_t>(start);
        const auto last = chars.begin() + static_cast<std::ptrdiff_t>(std::min(chars.size(), start + kWindow));
        std::match_results<std::string::const_iterator> record;
        if (!std::regex_search(first, last, record, syntax.record, std::regex_constants::match_continuous))
            continue;

        const std::size_t end = start + static_cast<std::size_t>(record.length(0));
        tokens.clear();
        for (std::sregex_iterator it(first, chars.begin() + static_cast<std::ptrdiff_t>(end), syntax.token), stop;
             it != stop; ++it) {
            const std::size_t tokenStart = start + static_cast<std::size_t>(it->position(0));
            const std::size_t tokenEnd = tokenStart + static_cast<std::size_t>(it->length(0));
            const std::size_t from = compressed.toOriginal(tokenStart);
            const std::size_t to = compressed.toOriginal(tokenEnd - 1) + 1;
            tokens.push_back(text.substr(from, to - from));
        }
        searchFrom = compressed.toOriginal(end - 1) + 1;
        // The next line start at or after the match end is the next candidate.
        if (searchFrom > lineStart) {
            const std::size_t feed = text.find('\n', searchFrom - 1);
            lineStart = feed == std::string_view::npos ? text.size() : feed + 1;
        }
        onRecord(tokens);
    }
}

} // namespace kest::tolvane::formats
