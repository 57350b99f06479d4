#pragma once

namespace quillet::ui {

// Process entry: builds the application, opens the first main window from the command line and
// runs until the last window has closed. Returns the process exit code.
int RunApplication(int argc, char** argv);

}  // namespace quillet::ui
