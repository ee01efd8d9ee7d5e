// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary files a run is writing, removed when the process is told to stop so that an
// interrupted run leaves nothing behind: SIGINT, SIGTERM and SIGHUP on POSIX systems; Ctrl+C,
// Ctrl+Break and closing the console window on Windows. Only the file system itself uses this.
#pragma once

#include <filesystem>

namespace orbelux {

// Keeps `ruta` for the handlers, installed on first use: its slot, or -1 when none is free
// (the file is then only cleaned up by a later run).
int RecordarTemporal(const std::filesystem::path& ruta);
// The file of that slot is renamed or removed: the handlers forget it.
void OlvidarTemporal(int hueco);

}  // namespace orbelux
