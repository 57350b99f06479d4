// A viewer module for the loading tests, built in several variants: with only the required
// exports, without GetMenuItemNameW, or with every optional export and a TestBLOB that accepts
// everything. Extra exports let a test steer it and read what it was shown.

#include <stdexcept>
#include <string>

#include "plugins/include/quillet_plugin.h"

namespace {

int errorMode = 0;  // 0: no reason, 1: an empty reason, 2: a reason
bool refuse = false;
bool raise = false;
std::string shown;
const QuilletWideChar kNoText[1] = {0};

#ifdef FAKE_WITH_OPTIONALS
const char* const kMenuText = "Accept-all viewer";
#else
const char* const kMenuText = "Minimal viewer";
#endif

}  // namespace

QUILLET_PLUGIN_EXPORT void FakeSetBehaviour(int mode, int refuseShow, int throwFromCalls) {
  errorMode = mode;
  refuse = refuseShow != 0;
  raise = throwFromCalls != 0;
}

QUILLET_PLUGIN_EXPORT const char* FakeShown(size_t* size) {
  *size = shown.size();
  return shown.data();
}

QUILLET_PLUGIN_EXPORT const char* GetLastErrorTextA(void) {
  if (raise) throw std::runtime_error("error text");
  return errorMode == 0 ? nullptr : errorMode == 1 ? "" : "Cannot show this";
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetLastErrorTextW(void) {
  return kNoText;
}

QUILLET_PLUGIN_EXPORT QuilletBool ShowBLOB(void*, uint32_t, BlobInfo* info) {
  if (raise) throw std::runtime_error("show");
  shown.clear();
  QuilletStream* s = info->stream;
  s->vtbl->Seek(s, 0, QUILLET_SEEK_SET, nullptr);
  char piece[300];
  uint32_t read = 0;
  while (s->vtbl->Read(s, piece, sizeof piece, &read) >= 0 && read > 0) shown.append(piece, read);
  return refuse ? 0 : 1;
}

QUILLET_PLUGIN_EXPORT const char* GetMenuItemNameA(void) {
  if (raise) throw std::runtime_error("menu");
  return kMenuText;
}

#ifndef FAKE_WITHOUT_MENU_W
QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetMenuItemNameW(void) {
  return kNoText;
}
#endif

#ifdef FAKE_WITH_OPTIONALS
QUILLET_PLUGIN_EXPORT QuilletBool TestBLOB(BlobInfo*) {
  if (raise) throw std::runtime_error("test");
  return 1;
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionA(PluginDescription* d) {
  // No terminator in the version field: the host must keep it within its 11 bytes.
  std::string name = "Accept-all";
  name.copy(d->name, name.size());
  for (char& c : d->version) c = '9';
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionW(PluginDescriptionW*) {}
QUILLET_PLUGIN_EXPORT void ShowAboutBox(void*) {}
QUILLET_PLUGIN_EXPORT void ShowConfigurateWnd(void*) {}
#endif
