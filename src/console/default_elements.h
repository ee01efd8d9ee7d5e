// SPDX-License-Identifier: GPL-3.0-or-later
// The elements file a console program reads when none is named: MPCORB.DAT or, failing
// that, MPCORB.DAT.gz in the current folder; with comets, CometEls.txt too.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/file_system.h"

namespace orbelux::consola {

// Looks through `sistema`. Throws efemerides::ErrorLecturaElementos, naming the folder, when
// neither is there, and with the system's reason when the folder cannot be looked at.
std::filesystem::path ElementosPorOmision(SistemaArchivos& sistema);

// For a program that also reads comets: MPCORB.DAT (or, failing it, MPCORB.DAT.gz) and
// CometEls.txt, whichever are there, in that order. Throws as ElementosPorOmision, naming
// the three, when none is.
std::vector<std::filesystem::path> ElementosConCometasPorOmision(SistemaArchivos& sistema);

}  // namespace orbelux::consola
