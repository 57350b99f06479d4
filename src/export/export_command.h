#pragma once
// `quillet --export ...` and `quillet --help`: run from the start-up code before anything of
// the window (no display, no single-instance lock), see export_arguments.h for the grammar.

#include <cstdio>

namespace quillet::exporting {

// Parses and runs. Returns the exit status: 0 when the export was written (or the usage text
// printed for --help), 1 with one line on `err` when it failed, 2 with the usage text on `err`
// for a bad command line, and 128 + the signal's number when SIGINT, SIGTERM or SIGHUP
// stopped it (no file is left then). Standard output "-" is `out`. The rows written so far
// go to `err` only when it is a terminal.
int RunExportCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace quillet::exporting
