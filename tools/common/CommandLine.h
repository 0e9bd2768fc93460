// SPDX-License-Identifier: GPL-3.0-or-later
// Walks a program's arguments: options as "--name VALUE" or "--name=VALUE",
// short flags, positional words and "--" ending the options. The first error
// is kept and ends the walk.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kest::tolvane::tools {

class CommandLine {
public:
    explicit CommandLine(std::span<const std::string_view> args) : args_(args) {}

    // Moves to the next argument; false at the end or once an error was recorded.
    bool next();
    // The current argument is an option (and not a word or something after "--").
    bool isOption() const { return isOption_; }
    // The option's name without an inline "=value", or the whole word.
    std::string_view name() const { return name_; }
    std::string_view argument() const { return args_[index_]; }

    // Readers for the current option's value; each records an error and
    // returns nothing (or leaves target alone) when the value is missing or bad.
    void flag(bool& target);
    std::optional<std::string> value();
    void path(std::string& target); // a non-empty value
    void integer(int min, int max, int& target);
    std::optional<double> number(double min, double max);
    // A value that may be left out: the inline one, or the next argument when
    // it reads as a number; nothing otherwise (and no error).
    std::optional<std::string> optionalNumberValue();

    void fail(std::string message);
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

private:
    std::span<const std::string_view> args_;
    std::size_t index_ = 0;
    bool started_ = false;
    bool optionsEnded_ = false;
    bool isOption_ = false;
    std::string_view name_;
    std::optional<std::string_view> inlineValue_;
    std::string error_;
};

std::optional<long long> parseWholeNumber(std::string_view text);
std::optional<double> parseFiniteNumber(std::string_view text);

} // namespace kest::tolvane::tools
