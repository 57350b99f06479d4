#pragma once
// Small helpers the sample viewer modules share: reading the program's stream and filling the
// description record. Header-only, so each module stays one shared object.

#include <QByteArray>

#include <cstring>

#include "quillet_plugin.h"

namespace viewer {

// The stream's bytes from its start, at most `limit` of them; `complete` tells whether that
// was all.
inline QByteArray ReadAll(BlobInfo* info, qsizetype limit, bool* complete = nullptr) {
  QByteArray bytes;
  if (complete != nullptr) *complete = true;
  if (info == nullptr || info->stream == nullptr) return bytes;
  QuilletStream* s = info->stream;
  if (s->vtbl->Seek(s, 0, QUILLET_SEEK_SET, nullptr) < 0) return bytes;
  char piece[8192];
  std::uint32_t read = 0;
  while (bytes.size() < limit && s->vtbl->Read(s, piece, sizeof piece, &read) >= 0 && read > 0) {
    bytes.append(piece, static_cast<qsizetype>(read));
    if (read < sizeof piece) break;
  }
  if (bytes.size() > limit) {
    bytes.truncate(limit);
    if (complete != nullptr) *complete = false;
  }
  return bytes;
}

inline void Fill(char* field, std::size_t size, const char* text) {
  std::strncpy(field, text, size - 1);
  field[size - 1] = '\0';
}

inline void Describe(PluginDescription* d, const char* name, const char* description) {
  Fill(d->name, sizeof d->name, name);
  Fill(d->version, sizeof d->version, "1.6.0");
  Fill(d->copyright, sizeof d->copyright, "Copyright (C) the Quillet authors");
  Fill(d->description, sizeof d->description, description);
  Fill(d->languages, sizeof d->languages, "English");
}

}  // namespace viewer
