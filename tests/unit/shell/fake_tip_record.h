#pragma once
// What the stand-in tip module was asked and what it is to answer; shared with the test.

#include <string>

struct FakeTipRecord {
  int answer = 0;     // what the dialog returns
  bool fail = false;  // throw instead of answering
  int calls = 0;
  int lastShow = -1;
  void* lastOwner = nullptr;
  std::string lastTipFile;
};
