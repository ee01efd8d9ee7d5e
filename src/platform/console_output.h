// SPDX-License-Identifier: GPL-3.0-or-later
// The console a console program writes to.
#pragma once

namespace orbelux {

// Once per process, before the first output. The programs write UTF-8 and end lines with
// LF alone. On Windows the console is told to show UTF-8 (its output code page, given back
// when the program ends, or is stopped with Ctrl+C or by closing the window), and standard
// output and error are written byte for byte, so that "Catálogo" reads right in cmd.exe and
// PowerShell and a redirected file has the same bytes as on Linux. Elsewhere: nothing.
void PrepararSalidaConsola();

}  // namespace orbelux
