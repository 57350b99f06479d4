#pragma once
// Helpers around the per-thread error object (SetErrorInfo / GetErrorInfo in provider_ops.h).

#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db {

// Stores an error object with `description` (UTF-8; a trailing line break is dropped) and
// `source` (the provider's name), and returns `code` so a provider can write
// `return RaiseError(E_FAIL, text, "SQLite");`.
HRESULT RaiseError(HRESULT code, std::string_view description, std::string_view source = {});

// Clears the current thread's error object (a call that succeeds leaves none behind).
void ClearErrorInfo();

}  // namespace quillet::db
