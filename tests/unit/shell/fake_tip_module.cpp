// A tip module that shows nothing: it records its call and answers what the test asked for.
#include <stdexcept>

#include "fake_tip_record.h"

namespace {
FakeTipRecord record;
}

extern "C" {

#ifdef QUILLET_TEST_TIP_EXPORT
__attribute__((visibility("default"))) int ShowTipsDialogA(void* owner, const char* tipFile,
                                                           int show) {
  ++record.calls;
  record.lastOwner = owner;
  record.lastTipFile = tipFile != nullptr ? tipFile : "";
  record.lastShow = show;
  if (record.fail) throw std::runtime_error("tip dialog failed");
  return record.answer;
}
#endif

__attribute__((visibility("default"))) FakeTipRecord* TestRecord() {
  return &record;
}
}
