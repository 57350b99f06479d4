#pragma once
// Turning a failed provider call into the program's exception.

#include <string>

#include "datasource/provider_ops.h"

namespace quillet {

// The text of a failed provider call: the context string, ": " and the provider's reason
// (the context and separator are left out when the context is 0 or empty).
std::string ProviderFailureText(unsigned contextId, db::HRESULT code);

// Raises cmlib::exception with ProviderFailureText.
[[noreturn]] void RaiseProviderError(unsigned contextId, db::HRESULT code);

}  // namespace quillet
