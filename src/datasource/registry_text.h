#pragma once
// Text values as the store keeps them: the bytes followed by a terminating zero.

#include <cstddef>
#include <optional>
#include <string>

#include "config/registry_store.h"

namespace quillet::shell {

// A text value of at most `maxBytes` bytes (terminating zero included), cut at its first zero;
// nothing when it is missing, longer or not a text.
std::optional<std::string> ReadText(const config::RegKey& key, const std::string& name,
                                    std::size_t maxBytes);
config::RegResult WriteText(config::RegKey& key, const std::string& name, const std::string& text);

}  // namespace quillet::shell
