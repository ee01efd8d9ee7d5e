# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made from the release preset:
#   cmake --preset release && cmake --build --preset release --target package
# Its contents are every install() rule of the build, so a new program joins the package by
# having one. tools/build-package.sh builds it and checks it with lintian.
set(ORBELUX_MAINTAINER "orbelux <orbelux@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
# The Debian revision: raised when the package changes and the program does not.
set(ORBELUX_DEB_REVISION 1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbelux)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The orbelux developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lista de asteroides visibles en un campo del cielo")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Packaged by its own developers, but as Debian packages upstream software: the Debian
# revision after the version, and the Debian changelog as changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORBELUX_DEB_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORBELUX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages, found by dpkg-shlibdeps from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian's control-file syntax: a continuation line starts with a blank, an empty line is " .".
# The text under the summary line; CPack indents it and writes the empty lines as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Herramientas en español para observadores de asteroides.

orbelux es una ventana que lee un catálogo de posiciones (ast.dat) y escribe
la lista de los asteroides que caen dentro de unos límites de ascensión
recta, declinación, magnitud y número, ordenada por ascensión recta.

orbelux-catalogo escribe ese catálogo para cualquier fecha, desde cualquier
observatorio, a partir de los elementos orbitales del Minor Planet Center
(MPCORB.DAT), integrando cada órbita con la atracción de los planetas.

orbelux-campo lista todos los objetos de MPCORB.DAT que caen en un círculo
del cielo en un instante.

orbelux-efemerides da las efemérides de uno o varios objetos, por su número,
nombre o designación, noche a noche desde un observatorio: posición, altura,
masa de aire, el Sol y la Luna, y sólo las horas en que se ven con --visible.

Incluye los elementos de los asteroides 1 a 227 (JPL, época 2022-08-09).")

include(CPack)
