#pragma once
// Shared pieces of the plug-in tests: a throwaway folder for module layouts, the fake modules'
// files, and a plug-in UI that records instead of showing.

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plugins/blob_storage.h"
#include "plugins/plugin_ui.h"

namespace quillet::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-plugins-XXXXXX");
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }

  // Copies fake module `variant` ("minimal", "no_menu_w", "accept_all") to `relative`.
  std::string AddModule(const std::string& variant, const std::string& relative) const {
    const std::filesystem::path target = path_ + relative;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(ModuleFile(variant), target,
                               std::filesystem::copy_options::overwrite_existing);
    return target.string();
  }

  static std::string ModuleFile(const std::string& variant) {
    return std::string(FAKE_MODULE_DIR) + "/fake_" + variant + ".blob";
  }

 private:
  std::string path_;
};

// Steers a loaded fake module and reads what it was shown, through its own extra exports.
class FakeModule {
 public:
  explicit FakeModule(const std::string& path) : handle_(::dlopen(path.c_str(), RTLD_NOW)) {}
  ~FakeModule() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  FakeModule(const FakeModule&) = delete;
  FakeModule& operator=(const FakeModule&) = delete;

  void SetBehaviour(int errorMode, bool refuse, bool raise) {
    using Fn = void (*)(int, int, int);
    if (auto fn = reinterpret_cast<Fn>(::dlsym(handle_, "FakeSetBehaviour")))
      fn(errorMode, refuse ? 1 : 0, raise ? 1 : 0);
  }
  std::string Shown() {
    using Fn = const char* (*)(size_t*);
    auto fn = reinterpret_cast<Fn>(::dlsym(handle_, "FakeShown"));
    if (fn == nullptr) return "<no module>";
    size_t size = 0;
    const char* data = fn(&size);
    return std::string(data, size);
  }

 private:
  void* handle_;
};

class RecordingPluginUi : public plugins::PluginUi {
 public:
  struct Box {
    std::string caption;
    std::string text;
    MessageIcon icon;
  };
  RecordingPluginUi() { plugins::SetPluginUi(this); }
  ~RecordingPluginUi() override { plugins::SetPluginUi(nullptr); }

  void* ActiveWindow() override { return this; }
  void ShowMessage(void*, const std::string& caption, const std::string& text,
                   MessageIcon icon) override {
    boxes.push_back({caption, text, icon});
  }
  void ShowPlainText(void*, const std::string& text) override { texts.push_back(text); }

  std::vector<Box> boxes;
  std::vector<std::string> texts;
};

// The whole content of a stream, read from its start.
inline std::string ReadStream(QuilletStream* stream) {
  std::string bytes;
  stream->vtbl->Seek(stream, 0, QUILLET_SEEK_SET, nullptr);
  char piece[777];
  std::uint32_t read = 0;
  while (stream->vtbl->Read(stream, piece, sizeof piece, &read) >= 0 && read > 0)
    bytes.append(piece, read);
  return bytes;
}

}  // namespace quillet::test
