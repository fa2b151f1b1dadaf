// SPDX-License-Identifier: MIT
// The options of one moon-terrain command: "--name VALUE", "--name=VALUE" and
// flags, each with a handler. A value is always the whole next argument, so
// negative numbers need no special spelling ("--lod -10,5,-250").
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace moon {

class OptionParser {
public:
    // Takes the option's name and value; returns "" to accept it, else a
    // one-line description of the problem.
    using ValueHandler = std::function<std::string(std::string_view name, std::string_view value)>;
    using FlagHandler = std::function<void()>;

    // Options are single unless repeatable: a second use is an error.
    void AddValue(std::string name, std::string valueName, std::string help, ValueHandler handler,
                  bool repeatable = false);
    void AddFlag(std::string name, std::string help, FlagHandler handler, bool repeatable = false);

    // Applies the options in command-line order. Returns false with a one-line
    // error for bad input. "--help" or "-h" stops parsing and returns true.
    bool Parse(const std::vector<std::string_view>& args, std::string& error);
    bool HelpRequested() const { return m_bHelp; }

    // The options, one per line, aligned, for the help text.
    std::string Describe() const;

private:
    struct Option {
        std::string name;
        std::string valueName;  // empty for a flag
        std::string help;
        ValueHandler onValue;
        FlagHandler onFlag;
        bool repeatable = false;
        int seen = 0;
    };

    Option* Find(std::string_view name);

    std::vector<Option> m_options;
    bool m_bHelp = false;
};

}  // namespace moon
