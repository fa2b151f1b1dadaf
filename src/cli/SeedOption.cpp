// SPDX-License-Identifier: MIT
#include "cli/SeedOption.h"

#include "cli/CommandValues.h"
#include "cli/OptionParser.h"

namespace moon {

void AddSeedOption(OptionParser& parser, std::optional<std::uint32_t>& seed, std::string help) {
    parser.AddValue("--seed", "N", std::move(help),
                    [&seed](std::string_view name, std::string_view value) -> std::string {
                        std::int64_t number = 0;
                        if (ParseWholeNumber(value, 0, kMaxSeed, number) != WholeNumber::Ok) {
                            return std::string(name) +
                                   " must be a whole number from 0 to 4294967295, not " +
                                   Quoted(value);
                        }
                        seed = static_cast<std::uint32_t>(number);
                        return "";
                    });
}

}  // namespace moon
