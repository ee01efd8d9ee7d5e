// SPDX-License-Identifier: GPL-3.0-or-later
// The elements file a console program reads when none is named: MPCORB.DAT or, failing
// that, MPCORB.DAT.gz in the current folder.
#pragma once

#include <filesystem>

namespace orbelux::consola {

// Throws efemerides::ErrorLecturaElementos, naming the folder, when neither is there.
std::filesystem::path ElementosPorOmision();

}  // namespace orbelux::consola
