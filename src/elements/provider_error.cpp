#include "elements/provider_error.h"

#include "datasource/cmlib_exception.h"
#include "datasource/error_text.h"

namespace quillet {

std::string ProviderFailureText(unsigned contextId, db::HRESULT code) {
  return db::ComposeErrorText(contextId, db::ProviderErrorText(code));
}

void RaiseProviderError(unsigned contextId, db::HRESULT code) {
  throw cmlib::exception(ProviderFailureText(contextId, code));
}

}  // namespace quillet
