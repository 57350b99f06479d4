#include "shell/ui/startup.h"

int main(int argc, char** argv) {
  return quillet::ui::RunApplication(argc, argv);
}
