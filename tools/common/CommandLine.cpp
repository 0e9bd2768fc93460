// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <charconv>
#include <cmath>

namespace kest::tolvane::tools {

std::optional<long long> parseWholeNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<double> parseFiniteNumber(std::string_view text)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool CommandLine::next()
{
    if (!ok())
        return false;
    for (;;) {
        if (started_)
            ++index_;
        started_ = true;
        if (index_ >= args_.size())
            return false;
        const std::string_view arg = args_[index_];
        inlineValue_.reset();
        name_ = arg;
        isOption_ = !optionsEnded_ && !arg.empty() && arg[0] == '-' && arg != "-";
        if (isOption_ && arg == "--") {
            optionsEnded_ = true;
            continue;
        }
        if (const auto eq = arg.find('='); isOption_ && arg.starts_with("--") && eq != std::string_view::npos) {
            name_ = arg.substr(0, eq);
            inlineValue_ = arg.substr(eq + 1);
        }
        return true;
    }
}

void CommandLine::flag(bool& target)
{
    if (inlineValue_)
        fail(std::string(name_) + " takes no value");
    target = true;
}

std::optional<std::string> CommandLine::value()
{
    if (inlineValue_)
        return std::string(*inlineValue_);
    if (index_ + 1 >= args_.size()) {
        fail(std::string(name_) + " needs a value");
        return std::nullopt;
    }
    return std::string(args_[++index_]);
}

void CommandLine::path(std::string& target)
{
    if (auto v = value()) {
        if (v->empty())
            fail(std::string(name_) + " needs a file name");
        target = *v;
    }
}

void CommandLine::integer(int min, int max, int& target)
{
    const auto v = value();
    if (!v)
        return;
    const auto n = parseWholeNumber(*v);
    if (!n || *n < min || *n > max) {
        fail(std::string(name_) + " wants a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
             ", not '" + *v + "'");
        return;
    }
    target = static_cast<int>(*n);
}

std::optional<std::string> CommandLine::optionalNumberValue()
{
    if (inlineValue_)
        return std::string(*inlineValue_);
    if (index_ + 1 < args_.size() && parseFiniteNumber(args_[index_ + 1]))
        return std::string(args_[++index_]);
    return std::nullopt;
}

std::optional<double> CommandLine::number(double min, double max)
{
    const auto v = value();
    if (!v)
        return std::nullopt;
    const auto parsed = parseFiniteNumber(*v);
    if (!parsed || *parsed < min || *parsed > max) {
        fail(std::string(name_) + " wants a number from " + std::to_string(static_cast<int>(min)) + " to " +
             std::to_string(static_cast<int>(max)) + ", not '" + *v + "'");
        return std::nullopt;
    }
    return *parsed;
}

void CommandLine::fail(std::string message)
{
    if (ok())
        error_ = std::move(message);
}

} // namespace kest::tolvane::tools
