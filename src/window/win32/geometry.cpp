// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/win32/geometry.h"

namespace orbelux::win32 {

namespace capa = disposicion;

std::vector<Colocado> Colocacion(int ppp) {
  std::vector<Colocado> controles;
  // Left and top go to the client area first and are converted there, as each property of a
  // control would be on its own: the same twips always give the same pixel.
  auto poner = [&](std::string_view nombre, TipoControl tipo, std::string_view titulo,
                   const capa::Rectangulo& twips, Caja caja = Caja{}) {
    controles.push_back({nombre, tipo, titulo, caja, capa::Pixeles(twips, ppp)});
  };
  for (const capa::CajaFiltro& c : capa::kCajasFiltro) {
    poner(NombreCaja(c.caja), TipoControl::Caja, "", capa::EnCliente(c.twips), c.caja);
  }
  for (const capa::ControlVentana& b : {capa::kBotonLista, capa::kBotonCerrar}) {
    poner(b.nombre, TipoControl::Boton, b.titulo, b.twips);
  }
  for (const capa::Rotulo& r : capa::kRotulos) {
    poner(r.nombre, TipoControl::Rotulo, r.titulo, capa::EnCliente(r.twips));
  }
  poner(capa::kImagen.nombre, TipoControl::Imagen, "", capa::kImagen.twips);
  poner(capa::kMarco.nombre, TipoControl::Marco, capa::kMarco.titulo, capa::kMarco.twips);
  return controles;
}

capa::Rectangulo Cliente(int ppp) {
  return capa::Pixeles(capa::Rectangulo{0, 0, capa::kAnchoCliente, capa::kAltoCliente}, ppp);
}

}  // namespace orbelux::win32
