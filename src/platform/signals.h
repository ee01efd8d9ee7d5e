// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary files a run is writing, removed when the process is told to stop (SIGINT,
// SIGTERM, SIGHUP) so that an interrupted run leaves nothing behind. Only the file system
// itself uses this.
#pragma once

#include <filesystem>

namespace orbelux {

#ifndef _WIN32
// Keeps `ruta` for the handlers, installed on first use: its slot, or -1 when none is free
// (the file is then only cleaned up by a later run).
int RecordarTemporal(const std::filesystem::path& ruta);
// The file of that slot is renamed or removed: the handlers forget it.
void OlvidarTemporal(int hueco);
#endif

}  // namespace orbelux
