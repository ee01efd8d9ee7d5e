// SPDX-License-Identifier: GPL-3.0-or-later
// Angles as users write them: every form --centro and --lugar take, and for the ones they
// refuse, the part and the piece the message names.
#include "console/angles.h"

#include <string>

#include <gtest/gtest.h>

namespace orbelux::consola {
namespace {

TEST(LeerCentro, FormasEscritas) {
  struct Caso {
    const char* texto;
    double ar;  // degrees
    double dec;
  };
  const Caso casos[] = {
      {"12 30 36.0 +10 30 36", 187.65, 10.51},
      {"01:02:03.5 -00:30:00", 15.5145833333333333, -0.5},
      {"23 59 59.9 45 00 00", 359.99958333333333, 45},
      {"278.33185951,-23.04078901", 278.33185951, -23.04078901},
      {"0,-90", 0, -90},
      {"07h42m00s +26°40'00\"", 115.5, 26 + 40.0 / 60},
      {"07h42m00s -26º40′00″", 115.5, -(26 + 40.0 / 60)},
      {"07h 42m 00s 26d 40' 00''", 115.5, 26 + 40.0 / 60},
      {"07H42M30S +26°40'", 115.625, 26 + 40.0 / 60},
      {"07:42:00 +26:40:00", 115.5, 26 + 40.0 / 60},
      {"07:42:00 26:40:00", 115.5, 26 + 40.0 / 60},
      {"7 42 +26 40", 115.5, 26 + 40.0 / 60},
      {"7 42 26 40", 115.5, 26 + 40.0 / 60},
      {"7h42m 26 40", 115.5, 26 + 40.0 / 60},
      {"07 42 00 26°40'00\"", 115.5, 26 + 40.0 / 60},
      {"7.7 +26.5", 7.7, 26.5},
      {"7h42m,-0:30", 115.5, -0.5},
      {"  7 42 \t+26 40  ", 115.5, 26 + 40.0 / 60},
      {"07h42m00s 26d40m00s", 115.5, 26 + 40.0 / 60},
      {"07h42m 26 40'", 115.5, 26 + 40.0 / 60},
      {"7h42m,\u221226d40m", 115.5, -(26 + 40.0 / 60)},
      {"23 59 59.999 -90", 359.99999583333333, -90},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    const Centro centro = LeerCentro(c.texto);
    EXPECT_NEAR(centro.ar, c.ar, 1e-11);
    EXPECT_NEAR(centro.dec, c.dec, 1e-11);
  }
}

// Each message starts with the option and the whole value, then names the part and the
// piece it cannot read.
TEST(LeerCentro, DiceQueParteNoSeLee) {
  struct Caso {
    const char* texto;
    const char* motivo;  // after "--centro TEXT: "
  };
  const Caso casos[] = {
      {"12 30 ab +10 00 00", "en la ascensión recta, «ab» no es un número"},
      {"07h42m00s +26°4x'00\"", "en la declinación, «4x'00\"» no es un número"},
      {"07 42 00 +26 40 1e5", "en la declinación, «1e5» no es un número"},
      {"12 60 00 +10 00 00", "en la ascensión recta, los minutos «60» deben ser menos de 60"},
      {"12 30 00 +10 00 60.5", "en la declinación, los segundos «60.5» deben ser menos de 60"},
      {"12 30.5 00 +10 00 00",
       "en la ascensión recta, «30.5»: solo la última parte puede llevar decimales"},
      {"12 30 00 +10 -20 00", "en la declinación, «-20»: solo la primera parte lleva signo"},
      {"1 2 3 4 5 6 7 +10", "en la ascensión recta, sobra «4»: como mucho tres partes"},
      {"42m07h +10", "en la ascensión recta, «42m» no va en su sitio"},
      {"07h42'00 +10", "en la ascensión recta, «42'»: no se mezclan horas (h m s) y grados"},
      {"10,", "en la declinación, falta el ángulo"},
      {"12 30 00", "se esperan la ascensión recta y la declinación"},
      {"12 30 00 +10 00 00 5", "en la declinación, sobra «5»"},
      {"-10,10", "la ascensión recta no lleva signo"},
      {"07h +10h", "la declinación se da en grados (° ' \"), no en horas"},
      {"07h42m00s +26h40m", "la declinación se da en grados (° ' \"), no en horas"},
      {"24 00 00 +10", "la ascensión recta debe ser menor de 24 h"},
      {"360,10", "la ascensión recta debe ser menor de 360 grados (AR de 0 a 360)"},
      {"10,90.5", "la declinación debe estar entre -90 y 90 grados"},
      {"10 00 00 -90 00 01", "la declinación debe estar entre -90 y 90 grados"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    try {
      LeerCentro(c.texto);
      ADD_FAILURE() << "accepted";
    } catch (const ErrorUso& e) {
      const std::string esperado = std::string("--centro ") + c.texto + ": " + c.motivo;
      EXPECT_EQ(std::string(e.what()).substr(0, esperado.size()), esperado);
    }
  }
}

TEST(LeerAngulo, UnidadYPartes) {
  struct Caso {
    const char* texto;
    double valor;
    bool horas;
    bool grados;
    bool partes;
  };
  const Caso casos[] = {
      {"-3.3842", -3.3842, false, false, false},
      {"-3:23:03.1", -(3 + 23.0 / 60 + 3.1 / 3600), false, false, true},
      {"-0:30", -0.5, false, false, true},
      {"37°03'50\"", 37 + 3.0 / 60 + 50.0 / 3600, false, true, true},
      {"+5d", 5, false, true, false},
      {"7h", 7, true, false, false},
      {"7 30", 7.5, false, false, true},
      {".5", 0.5, false, false, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    const AnguloEscrito a = LeerAngulo(c.texto);
    EXPECT_NEAR(a.valor, c.valor, 1e-12);
    EXPECT_EQ(a.horas, c.horas);
    EXPECT_EQ(a.grados, c.grados);
    EXPECT_EQ(a.partes, c.partes);
  }
  for (const char* malo : {"", "-", ".", "1.2.3", "3.5:20", "+", "5°x", "0x10", "1,5"}) {
    SCOPED_TRACE(malo);
    EXPECT_THROW(LeerAngulo(malo), ErrorAngulo);
  }
}

}  // namespace
}  // namespace orbelux::consola
