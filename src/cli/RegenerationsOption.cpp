// SPDX-License-Identifier: MIT
#include "cli/RegenerationsOption.h"

#include "cli/CommandValues.h"
#include "cli/OptionParser.h"

namespace moon {

void AddRegenerationsOption(OptionParser& parser, std::uint32_t& regenerations) {
    auto store = [&regenerations](std::string_view name, std::string_view value) -> std::string {
        std::int64_t number = 0;
        if (ParseWholeNumber(value, 0, kMaxRegenerations, number) != WholeNumber::Ok) {
            return std::string(name) + " must be a whole number from 0 to " +
                   std::to_string(kMaxRegenerations) + ", not " + Quoted(value);
        }
        regenerations = static_cast<std::uint32_t>(number);
        return "";
    };
    parser.AddValue("--regenerations", "K",
                    "the landscape the viewer shows after K new landscapes (Space), 0 to " +
                        std::to_string(kMaxRegenerations) + " (default 0)",
                    store);
    parser.AddValue("--regeneration", "K", "the same as --regenerations", store);
}

std::string RegenerationsArgument(std::uint32_t regenerations) {
    return regenerations > 0 ? " --regenerations " + std::to_string(regenerations) : "";
}

}  // namespace moon
