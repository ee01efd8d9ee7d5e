// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/dates.h"

#include <string>

#include <gtest/gtest.h>

#include "console/options.h"

namespace orbelux::consola {
namespace {

struct CasoFecha {
  const char* nombre;
  const char* texto;
  const char* impresa;  // TextoFecha of the instant; null: refused
  const char* mensaje;  // part of the refusal
};

TEST(InstanteDeFecha, Tabla) {
  const CasoFecha casos[] = {
      {"fecha sola", "2022-09-20", "2022-09-20 00:00:00 UTC", nullptr},
      {"con espacio", "2022-09-20 06:07:08", "2022-09-20 06:07:08 UTC", nullptr},
      {"primer instante", "1000-01-01T00:00", "1000-01-01 00:00:00 UTC", nullptr},
      {"segundo intercalar de 1972", "1972-06-30T23:59:60", "1972-06-30 23:59:60 UTC", nullptr},
      {"segundo intercalar con decimales", "2016-12-31T23:59:60.4", "2016-12-31 23:59:60 UTC",
       nullptr},
      {"ultimo segundo imprimible", "9999-12-31T23:59:59.4", "9999-12-31 23:59:59 UTC", nullptr},
      {"zona Z", "2026-12-07T22:30Z", "2026-12-07 22:30:00 UTC", nullptr},
      {"zona +01:00", "2026-12-07T22:30+01:00", "2026-12-07 21:30:00 UTC", nullptr},
      {"zona -03 pasa al dia siguiente", "2026-12-07T22:30-03", "2026-12-08 01:30:00 UTC", nullptr},
      {"zona -0130 pasa al anio siguiente", "2026-12-31T23:30:15-0130", "2027-01-01 01:00:15 UTC",
       nullptr},
      {"zona +05:30 vuelve al 29 de febrero", "2024-03-01T00:15+05:30", "2024-02-29 18:45:00 UTC",
       nullptr},
      {"segundo intercalar en otra zona", "2017-01-01T00:59:60+01:00", "2016-12-31 23:59:60 UTC",
       nullptr},
      {"segundo 99", "2022-09-20T00:00:99", nullptr, "esa fecha u hora no existe"},
      {"segundo 60 un dia cualquiera", "2022-09-20T00:00:60", nullptr,
       "el segundo 60 solo existe en el último minuto (UTC) de un día que acaba con un segundo "
       "intercalar"},
      {"segundo 60 la vispera", "1972-06-29T23:59:60", nullptr, "el segundo 60 solo existe"},
      {"segundo 60 un minuto antes", "1972-06-30T23:58:60", nullptr, "el segundo 60 solo existe"},
      {"segundo 60 que en UTC no es el ultimo minuto", "2016-12-31T23:59:60+01:00", nullptr,
       "el segundo 60 solo existe"},
      {"se imprimiria como el anio 10000", "9999-12-31T23:59:59.5", nullptr,
       "9999-12-31T23:59:59.4"},
      {"anio 10000 en UTC", "9999-12-31T23:30-01:00", nullptr,
       "el año debe estar entre 1000 y 9999 (en UTC)"},
      {"anio 999 en UTC", "1000-01-01T00:30+01:00", nullptr, "entre 1000 y 9999 (en UTC)"},
      {"anio 999", "0999-12-31", nullptr, "el año debe estar entre 1000 y 9999"},
      {"30 de febrero", "2022-02-30", nullptr, "esa fecha u hora no existe"},
      {"hora 24", "2022-02-10T24:00", nullptr, "esa fecha u hora no existe"},
      {"zona sin hora", "2026-12-07+01", nullptr, "se espera AAAA-MM-DD"},
      {"zona de una cifra", "2026-12-07T22:30+1", nullptr, "se espera AAAA-MM-DD"},
      {"zona de 24 horas", "2026-12-07T22:30+24", nullptr, "se espera AAAA-MM-DD"},
      {"zona con basura", "2026-12-07T22:30Zx", nullptr, "se espera AAAA-MM-DD"},
      {"segundos de una cifra", "2026-12-07T22:30:5", nullptr, "se espera AAAA-MM-DD"},
      {"decimales sin cifras", "2026-12-07T22:30:05.", nullptr, "se espera AAAA-MM-DD"},
  };
  for (const CasoFecha& c : casos) {
    SCOPED_TRACE(c.nombre);
    if (c.impresa != nullptr) {
      EXPECT_EQ(TextoFecha(InstanteDeFecha(c.texto)), c.impresa);
      continue;
    }
    try {
      InstanteDeFecha(c.texto);
      ADD_FAILURE() << "accepted";
    } catch (const ErrorUso& e) {
      const std::string mensaje = e.what();
      EXPECT_EQ(mensaje.rfind(std::string("--fecha ") + c.texto + ": ", 0), 0u) << mensaje;
      EXPECT_NE(mensaje.find(c.mensaje), std::string::npos) << mensaje;
    }
  }
}

TEST(InstanteDeFecha, LaZonaDaElMismoInstanteQueUTC) {
  const efemerides::Instante utc = InstanteDeFecha("2026-12-07T21:30:00.25");
  const efemerides::Instante zona = InstanteDeFecha("2026-12-07T22:30:00.25+01:00");
  EXPECT_EQ(zona.utc.Total(), utc.utc.Total());
  EXPECT_EQ(zona.tdb.Total(), utc.tdb.Total());
  EXPECT_FALSE(zona.anio_dudoso);
}

struct CasoDiaJuliano {
  const char* nombre;
  const char* texto;
  const char* impresa;  // null: refused
};

TEST(InstanteDeDiaJuliano, Tabla) {
  const CasoDiaJuliano casos[] = {
      // The range's first day is 1000-01-01 of the proleptic Gregorian calendar, as --fecha
      // counts it.
      {"primer dia", "2086302.5", "1000-01-01 00:00:00 UTC"},
      {"un dia cualquiera", "2459976.75", "2023-02-01 06:00:00 UTC"},
      {"ultimo segundo imprimible", "5373484.49999", "9999-12-31 23:59:59 UTC"},
      {"se imprimiria como el anio 10000", "5373484.499995", nullptr},
      {"fin del rango", "5373484.5", nullptr},
      {"antes del rango", "2086302.4999", nullptr},
  };
  for (const CasoDiaJuliano& c : casos) {
    SCOPED_TRACE(c.nombre);
    if (c.impresa != nullptr) {
      EXPECT_EQ(TextoFecha(InstanteDeDiaJuliano(c.texto)), c.impresa);
    } else {
      EXPECT_THROW(InstanteDeDiaJuliano(c.texto), ErrorUso);
    }
  }
}

// --fecha and --jd accept the same years, to the same first instant.
TEST(InstanteDeDiaJuliano, EmpiezaDondeEmpiezaLaFecha) {
  EXPECT_EQ(InstanteDeDiaJuliano("2086302.5").utc.Total(),
            InstanteDeFecha("1000-01-01").utc.Total());
  EXPECT_THROW(InstanteDeFecha("1000-01-01T00:30+01:00"), ErrorUso);
}

// The choice between --fecha, --jd and the clock.
TEST(InstanteDeOpciones, FechaJDOAhora) {
  const auto reloj = [] { return std::time_t{1663654079}; };  // 2022-09-20 06:07:59 UTC
  EXPECT_EQ(TextoFecha(InstanteDeOpciones("2023-02-01T06:00", std::nullopt, reloj)),
            "2023-02-01 06:00:00 UTC");
  EXPECT_EQ(TextoFecha(InstanteDeOpciones(std::nullopt, "2459976.75", reloj)),
            "2023-02-01 06:00:00 UTC");
  EXPECT_EQ(TextoFecha(InstanteDeOpciones(std::nullopt, std::nullopt, reloj)),
            "2022-09-20 06:07:00 UTC");
  EXPECT_THROW(InstanteDeOpciones("2023-02-01", "2459976.75", reloj), ErrorUso);
}

TEST(InstanteActual, ElMinutoEnCurso) {
  // 2022-09-20 06:07:59 UTC.
  EXPECT_EQ(TextoFecha(InstanteActual(1663654079)), "2022-09-20 06:07:00 UTC");
}

}  // namespace
}  // namespace orbelux::consola
