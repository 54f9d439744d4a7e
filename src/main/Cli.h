#pragma once

namespace mebo {

// The composition root: picks backends, creates the process-wide services and runs either the
// desktop application or a command-line subcommand. Answers the process exit status.
int runMain(int argc, char** argv);

} // namespace mebo
