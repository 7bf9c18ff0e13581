// Documents and web pages opened by the viewer the system has for them.
#pragma once

// The maker's web site: the About window shows it and opens it.
extern const char kMakerWebAddress[];
// The help document, looked up in the current directory.
extern const char kHelpDocument[];

// Asks the shell to open `target` (parameters may be null); true when the
// shell accepted it.
bool OpenWithShell(const char* target, const char* parameters);
