#pragma once
// Composite data source operations: each makes its own initialization service, releases it
// before returning, and returns the first failing code or the last result. An output reference
// is written only on success, so a failed open never leaves a half-made data source behind.

#include <memory>
#include <string>

#include "datasource/provider_ops.h"

namespace quillet::db {

class ConnectionUi;

// Service, data source of the provider the string names, Initialize.
HRESULT OpenFromInitString(const std::u16string& initString,
                           std::shared_ptr<IDBInitialize>* dataSource);

// Service, the string stored in the data link file, then as OpenFromInitString.
HRESULT OpenFromDataLinkFile(const std::u16string& path,
                             std::shared_ptr<IDBInitialize>* dataSource);

// The data link prompt, then as OpenFromInitString. A prompt closed without a data source
// (S_FALSE) gives E_CANCELLED_BY_USER; DB_E_CANCELED and other failures are returned as they
// came.
HRESULT OpenWithPrompt(ConnectionUi& ui, std::shared_ptr<IDBInitialize>* dataSource);

// A session on a connected data source.
HRESULT OpenSession(const std::shared_ptr<IDBInitialize>& dataSource,
                    std::shared_ptr<ISession>* session);

// The value of key "Provider" in section "oledb" of a data link file, read the way an
// initialization file is read: the text after the first '=' of the first line whose key is
// "Provider", both names without regard to letter case. Empty when the file, the section or the
// key is missing. UTF-16 files (with their byte-order mark) and 8-bit files are both read.
std::string ReadDataLinkProvider(const std::string& path);

}  // namespace quillet::db
