#pragma once

#include "packaging/CliReference.h"

namespace mebo::packaging {

// Completion scripts for the command line, written from its own help: the commands, each
// command's actions (capture modes, history/config/doc actions) and options, option values
// (folders, files, fixed choices) and file operands.
QString bashCompletion(const CliReference& ref); // share/bash-completion/completions/mebo
QString zshCompletion(const CliReference& ref);  // share/zsh/vendor-completions/_mebo
QString fishCompletion(const CliReference& ref); // share/fish/vendor_completions.d/mebo.fish

// A description cut to its first clause and at most `maxChars` characters, for completion menus.
QString shortDescription(const QString& description, int maxChars = 60);

} // namespace mebo::packaging
