// SPDX-License-Identifier: MIT
#include "cli/OptionParser.h"

#include <algorithm>
#include <utility>

#include "cli/CommandValues.h"

namespace moon {

void OptionParser::AddValue(std::string name, std::string valueName, std::string help,
                            ValueHandler handler, bool repeatable) {
    m_options.push_back(Option{std::move(name), std::move(valueName), std::move(help),
                               std::move(handler), nullptr, repeatable, 0});
}

void OptionParser::AddFlag(std::string name, std::string help, FlagHandler handler,
                           bool repeatable) {
    m_options.push_back(
        Option{std::move(name), "", std::move(help), nullptr, std::move(handler), repeatable, 0});
}

OptionParser::Option* OptionParser::Find(std::string_view name) {
    for (Option& option : m_options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

bool OptionParser::Parse(const std::vector<std::string_view>& args, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            m_bHelp = true;
            return true;
        }
        if (arg.empty() || arg[0] != '-') {
            error = "unexpected argument " + Quoted(arg);
            return false;
        }
        // "--name=value" carries its value; otherwise a value option takes the next argument.
        const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
        const std::string_view name = arg.substr(0, equals);
        Option* option = Find(name);
        if (option == nullptr) {
            error = "unknown option " + Quoted(name);
            return false;
        }
        if (option->seen > 0 && !option->repeatable) {
            error = std::string(name) + " given more than once";
            return false;
        }
        ++option->seen;
        if (option->valueName.empty()) {
            if (equals != std::string_view::npos) {
                error = std::string(name) + " takes no value";
                return false;
            }
            option->onFlag();
            continue;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = std::string(name) + " needs a value (" + option->valueName + ")";
            return false;
        }
        error = option->onValue(name, value);
        if (!error.empty()) {
            return false;
        }
    }
    return true;
}

std::string OptionParser::Describe() const {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const Option& option : m_options) {
        lines.emplace_back(
            option.valueName.empty() ? option.name : option.name + " " + option.valueName,
            option.help);
    }
    lines.emplace_back("--help", "show this help");
    std::size_t width = 0;
    for (const auto& line : lines) {
        width = std::max(width, line.first.size());
    }
    std::string text;
    for (const auto& [head, help] : lines) {
        text += "  " + head + std::string(width - head.size() + 2, ' ') + help + "\n";
    }
    return text;
}

}  // namespace moon
