#pragma once
// One line of text for every failure: a context naming what the program was doing, ": ", and
// the reason the provider or the system gave.

#include <string>
#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db {

// The reason for a failed provider call: the description of this thread's error object when
// it belongs to `code` (the engine's own diagnostic), else our text for a known result code,
// else empty. Takes the error object out of the thread's slot. Never ends in a line break.
std::string ProviderErrorText(HRESULT code);

// Our one-line text for a known result code; empty for an unknown one.
std::string ResultCodeText(HRESULT code);

// The system's text for an errno value (strerror); empty for 0.
std::string WindowsErrorText(int code);

// The string `contextId` of the string table (nothing for 0 or an empty string), ": " when it
// is not empty, and `reason`.
std::string ComposeErrorText(unsigned contextId, std::string_view reason);

// The reason for a failure of an object used outside the provider calls (a long-data stream):
// the description of this thread's error object when `object` is given and one is waiting,
// else the code as a signed decimal number.
std::string ErrorDescription(HRESULT code, const void* object);

}  // namespace quillet::db
