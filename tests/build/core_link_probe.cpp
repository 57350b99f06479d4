// Links against quillet_core alone, so the check beside it can see what the core pulls in.
#include "resources/string_table.h"

int main() {
  return quillet::LoadResourceString(1).empty() ? 1 : 0;
}
