// A tip module that shows nothing: it records its call and answers what the test asked for.
#include <stdexcept>
#include <string>

namespace {
std::string lastTipFile;
void* lastOwner = nullptr;
int lastShow = -1;
int calls = 0;
int result = 0;
bool fail = false;
}  // namespace

extern "C" {

#ifdef QUILLET_TEST_TIP_EXPORT
__attribute__((visibility("default"))) int ShowTipsDialogA(void* owner, const char* tipFile,
                                                           int show) {
  ++calls;
  lastOwner = owner;
  lastTipFile = tipFile != nullptr ? tipFile : "";
  lastShow = show;
  if (fail) throw std::runtime_error("tip dialog failed");
  return result;
}
#endif

__attribute__((visibility("default"))) void TestConfigure(int answer, bool throwInstead) {
  result = answer;
  fail = throwInstead;
  calls = 0;
  lastShow = -1;
  lastOwner = nullptr;
  lastTipFile.clear();
}

__attribute__((visibility("default"))) int TestCalls() {
  return calls;
}
__attribute__((visibility("default"))) int TestLastShow() {
  return lastShow;
}
__attribute__((visibility("default"))) void* TestLastOwner() {
  return lastOwner;
}
__attribute__((visibility("default"))) const char* TestLastTipFile() {
  return lastTipFile.c_str();
}
}
