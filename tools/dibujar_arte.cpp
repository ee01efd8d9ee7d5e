// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's art from a few geometric shapes and writes it as source files:
//   src/window/art/luna_16.xpm, luna_32.xpm  the window icon (15 colours + transparent)
//   src/window/art/emblema.xpm               the 80 x 96 picture of the window
//   packaging/icons/luna_{16,32,64}.png      the icon for the desktop's icon theme
//   packaging/orbelux.ico                    the icon of the Windows program file
// With --windows <folder>, the Win32 window's resources instead: orbelux.ico and emblema.bmp.
// Usage: orbelux_dibujar_arte <source folder>. The output depends on nothing but this file,
// so running it again gives the same bytes (a test checks the committed files).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Color {
  double r = 0, g = 0, b = 0, a = 0;  // straight (not premultiplied), 0..1
};

Color Rgb(std::uint32_t hex, double a = 1.0) {
  return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, a};
}

Color Mezcla(Color a, Color b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

// "Over" compositing of straight colours.
Color Sobre(Color abajo, Color arriba) {
  const double a = arriba.a + abajo.a * (1 - arriba.a);
  if (a <= 0) return {};
  auto canal = [&](double c_arriba, double c_abajo) {
    return (c_arriba * arriba.a + c_abajo * abajo.a * (1 - arriba.a)) / a;
  };
  return {canal(arriba.r, abajo.r), canal(arriba.g, abajo.g), canal(arriba.b, abajo.b), a};
}

struct Pixel {
  std::uint8_t r = 0, g = 0, b = 0;
  bool opaco = false;
  bool operator<(const Pixel& o) const {
    return std::tie(opaco, r, g, b) < std::tie(o.opaco, o.r, o.g, o.b);
  }
  bool operator==(const Pixel& o) const = default;
};

struct Imagen {
  int ancho = 0, alto = 0;
  std::vector<Pixel> pixeles;
  Pixel& at(int x, int y) { return pixeles[static_cast<std::size_t>(y * ancho + x)]; }
  const Pixel& at(int x, int y) const { return pixeles[static_cast<std::size_t>(y * ancho + x)]; }
};

// A scene gives the colour at a point of the unit square (x right, y down).
using Escena = std::function<Color(double x, double y)>;

// Renders with 8 x 8 samples per pixel. Transparency is all or nothing (as in XPM and
// 16-colour icons): a pixel is opaque when at least half of it is covered.
Imagen Renderizar(const Escena& escena, int ancho, int alto) {
  constexpr int kMuestras = 8;
  Imagen imagen{ancho, alto, std::vector<Pixel>(static_cast<std::size_t>(ancho * alto))};
  for (int y = 0; y < alto; ++y) {
    for (int x = 0; x < ancho; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kMuestras; ++sy) {
        for (int sx = 0; sx < kMuestras; ++sx) {
          const double u = (x + (sx + 0.5) / kMuestras) / ancho;
          const double v = (y + (sy + 0.5) / kMuestras) / alto;
          const Color c = escena(u, v);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      Pixel& p = imagen.at(x, y);
      p.opaco = a >= kMuestras * kMuestras / 2.0;
      if (p.opaco) {
        auto canal = [&](double suma) {
          return static_cast<std::uint8_t>(std::clamp(std::lround(suma / a * 255.0), 0L, 255L));
        };
        p.r = canal(r);
        p.g = canal(g);
        p.b = canal(b);
      }
    }
  }
  return imagen;
}

// Every opaque pixel takes the nearest colour of the palette.
void Paletizar(Imagen& imagen, const std::vector<Pixel>& paleta) {
  for (Pixel& p : imagen.pixeles) {
    if (!p.opaco) continue;
    const Pixel* mejor = &paleta.front();
    long mejor_distancia = -1;
    for (const Pixel& c : paleta) {
      const long dr = long{p.r} - c.r, dg = long{p.g} - c.g, db = long{p.b} - c.b;
      const long d = 2 * dr * dr + 4 * dg * dg + db * db;
      if (mejor_distancia < 0 || d < mejor_distancia) {
        mejor = &c;
        mejor_distancia = d;
      }
    }
    p = *mejor;
  }
}

double Distancia(double x, double y, double cx, double cy) {
  return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
}

// ---- The crescent moon of the icon --------------------------------------------------------

// The moon's colours: a dark rim, a ramp of yellows from shadow to highlight, two crater tones.
const std::vector<Pixel> kPaletaLuna = [] {
  std::vector<Pixel> paleta;
  for (std::uint32_t hex :
       {0x4A3206u, 0x7A560Cu, 0x9E7412u, 0xBA8C18u, 0xD0A020u, 0xE0B42Cu, 0xECC53Cu, 0xF5D352u,
        0xFADF6Cu, 0xFDE98Au, 0xFFF1AEu, 0xFFF8D6u, 0xB89438u, 0xCFAE52u, 0x8E6E22u}) {
    paleta.push_back({static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
                      static_cast<std::uint8_t>(hex), true});
  }
  return paleta;
}();

// The lit disk minus a shifted disk; shaded as a sphere lit from the upper left.
Color Luna(double x, double y, double ancho_borde) {
  constexpr double kCx = 0.45, kCy = 0.52, kR = 0.44;   // the moon
  constexpr double kSx = 0.71, kSy = 0.35, kSr = 0.36;  // the shadow that cuts it
  const double fuera_luna = Distancia(x, y, kCx, kCy) - kR;
  const double dentro_sombra = kSr - Distancia(x, y, kSx, kSy);
  const double borde = std::max(fuera_luna, dentro_sombra);  // < 0 inside the crescent
  if (borde >= 0) return {};
  if (borde > -ancho_borde) return Rgb(0x4A3206);

  const double nx = (x - kCx) / kR, ny = (y - kCy) / kR;
  const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
  // Light from the upper left and in front: (-0.55, -0.45, 0.70), normalised.
  const double luz = std::max(0.0, (-0.55 * nx - 0.45 * ny + 0.70 * nz) / 1.0);
  Color color = Mezcla(Rgb(0x9E7412), Rgb(0xFFF8D6), std::clamp(0.15 + 0.85 * luz, 0.0, 1.0));

  struct Crater {
    double x, y, r;
  };
  for (const Crater& c : {Crater{0.24, 0.50, 0.055}, Crater{0.34, 0.74, 0.065},
                          Crater{0.52, 0.86, 0.04}, Crater{0.27, 0.33, 0.035}}) {
    const double d = Distancia(x, y, c.x, c.y);
    if (d < c.r) {
      // Darker inside, with the far (lower right) side of the pit catching the light.
      const double lado = ((x - c.x) + (y - c.y)) / c.r;
      color = lado > 0.35 ? Rgb(0xFFF1AE) : Mezcla(color, Rgb(0xB89438), 0.75);
    }
  }
  return color;
}

Imagen Icono(int lado) {
  // The rim stays about one pixel wide at every size.
  const double ancho_borde = 1.1 / lado;
  Imagen imagen =
      Renderizar([&](double x, double y) { return Luna(x, y, ancho_borde); }, lado, lado);
  Paletizar(imagen, kPaletaLuna);
  return imagen;
}

// ---- The emblem ---------------------------------------------------------------------------

// A night-sky plaque: stars, an asteroid on its orbit around the Sun, a small crescent, and
// an observatory dome on a hill. Coordinates in pixels of the 80 x 96 picture.
Color Emblema(double u, double v) {
  const double x = u * 80, y = v * 96;

  // Rounded plaque with a thin gold rim.
  constexpr double kRadio = 11;
  const double qx = std::max(std::abs(x - 40) - (40 - kRadio - 0.5), 0.0);
  const double qy = std::max(std::abs(y - 48) - (48 - kRadio - 0.5), 0.0);
  const double fuera = std::sqrt(qx * qx + qy * qy) - kRadio;
  if (fuera >= 0) return {};
  Color c = Mezcla(Rgb(0x08122A), Rgb(0x24487E), std::clamp((y - 4) / 80, 0.0, 1.0));

  // Stars from a fixed sequence, smaller and dimmer further down.
  std::uint32_t semilla = 20261207u;
  auto azar = [&semilla] {
    semilla = semilla * 1664525u + 1013904223u;
    return (semilla >> 8) / 16777216.0;
  };
  for (int i = 0; i < 34; ++i) {
    const double sx = 6 + azar() * 68, sy = 6 + azar() * 62, brillo = azar();
    const double r = 0.45 + 0.6 * brillo * (1 - sy / 90);
    const double d = Distancia(x, y, sx, sy);
    if (d < r) c = Sobre(c, Rgb(brillo > 0.6 ? 0xFFFFFF : 0xC8DAFF, 0.55 + 0.45 * brillo));
    // The brightest have a short cross.
    if (brillo > 0.85 && sy < 40 &&
        ((std::abs(x - sx) < 0.35 && std::abs(y - sy) < 2.6) ||
         (std::abs(y - sy) < 0.35 && std::abs(x - sx) < 2.6))) {
      c = Sobre(c, Rgb(0xFFFFFF, 0.8));
    }
  }

  // The orbit: an ellipse tilted by -18 degrees, the Sun at one focus.
  constexpr double kA = 31, kB = 12.5, kCos = 0.9510565163, kSin = -0.3090169944;
  constexpr double kOx = 38, kOy = 46;
  const double ex = (x - kOx) * kCos + (y - kOy) * kSin;
  const double ey = -(x - kOx) * kSin + (y - kOy) * kCos;
  const double elipse = std::sqrt((ex / kA) * (ex / kA) + (ey / kB) * (ey / kB));
  const double grosor = std::abs(elipse - 1) * kB;  // about the distance in pixels
  if (grosor < 0.6) c = Sobre(c, Rgb(0x8CC0F0, 0.85));

  // The Sun at the focus, with a glow.
  const double foco = std::sqrt(kA * kA - kB * kB);
  const double fx = kOx - foco * kCos, fy = kOy + foco * kSin;
  const double ds = Distancia(x, y, fx, fy);
  if (ds < 9) c = Sobre(c, Rgb(0xFFC840, 0.35 * (1 - ds / 9)));
  if (ds < 4.2) c = Sobre(c, Mezcla(Rgb(0xFFF6C0), Rgb(0xF5A623), ds / 4.2));

  // The asteroid, a lumpy rock on the far side of the orbit, and its trail behind it.
  constexpr double kAstX = 63.5, kAstY = 32.5;
  for (int i = 1; i <= 4; ++i) {
    const double t = i * 3.2;
    const double px = kAstX + t * 0.93, py = kAstY + t * 0.16;
    if (Distancia(x, y, px, py) < 1.3 - i * 0.2) c = Sobre(c, Rgb(0xB0C4DE, 0.6 - i * 0.12));
  }
  struct Lobulo {
    double x, y, r;
  };
  bool roca = false;
  for (const Lobulo& l : {Lobulo{kAstX, kAstY, 3.2}, Lobulo{kAstX - 2.6, kAstY + 1.2, 2.3},
                          Lobulo{kAstX + 1.0, kAstY - 2.2, 2.0}}) {
    roca = roca || Distancia(x, y, l.x, l.y) < l.r;
  }
  if (roca) {
    const double luz = std::clamp(0.5 + ((fx - x) * 0.09 + (fy - y) * 0.05), 0.0, 1.0);
    c = Mezcla(Rgb(0x6A5A48), Rgb(0xE6D2AE), luz);
  }

  // A small crescent in the upper left, the program's moon.
  const double dl = Distancia(x, y, 17, 17), dsombra = Distancia(x, y, 20.5, 14.2);
  if (dl < 7 && dsombra > 6)
    c = Mezcla(Rgb(0xF5D352), Rgb(0xFFF8D6), std::clamp((17 - x) / 7, 0.0, 1.0));

  // The hill and the observatory.
  const double colina = 80 + 0.004 * (x - 30) * (x - 30);
  if (y > colina) c = Mezcla(Rgb(0x16243A), Rgb(0x0A111E), std::clamp((y - colina) / 12, 0.0, 1.0));
  const bool cupula = Distancia(x, y, 27, 74) < 8.5 && y < 74;
  const bool base = x > 19 && x < 35 && y >= 74 && y < 82;
  if (cupula || base) {
    const double luz = std::clamp(0.5 + (30 - x) / 16 + (74 - y) / 30, 0.0, 1.0);
    c = Mezcla(Rgb(0x8A93A6), Rgb(0xE8ECF2), luz);
    if (base && y > 76.5 && y < 80.5 && x > 25 && x < 29) c = Rgb(0x2B3445);  // the door
  }
  // The slit is open towards the sky.
  if (cupula && x > 25.8 && x < 28.2 && y > 66.5) c = Rgb(0x101826);

  // The rim.
  if (fuera > -1.4) c = Mezcla(Rgb(0xC9A227), Rgb(0x8A6A12), std::clamp(y / 96, 0.0, 1.0));
  return c;
}

// ---- Writers ------------------------------------------------------------------------------

void Guardar(const fs::path& ruta, const std::string& datos) {
  fs::create_directories(ruta.parent_path());
  std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
  salida.write(datos.data(), static_cast<std::streamsize>(datos.size()));
  if (!salida) {
    std::fprintf(stderr, "no se puede escribir %s\n", ruta.string().c_str());
    std::exit(1);
  }
}

std::string Hex(const Pixel& p) {
  char texto[8];
  std::snprintf(texto, sizeof texto, "#%02X%02X%02X", p.r, p.g, p.b);
  return texto;
}

// XPM, which is also C++ source: the window includes it and Qt reads it as it stands.
std::string Xpm(const Imagen& imagen, std::string_view nombre) {
  std::map<Pixel, std::string> codigos;
  for (const Pixel& p : imagen.pixeles) codigos.emplace(p, "");
  static constexpr std::string_view kSimbolos =
      ".+@#$%&*=-;>,')!~{]^/(_:<[}|1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const std::size_t letras = codigos.size() <= kSimbolos.size() ? 1 : 2;
  std::size_t n = 0;
  for (auto& [pixel, codigo] : codigos) {
    if (!pixel.opaco) {
      codigo = std::string(letras, ' ');
      continue;
    }
    codigo = letras == 1
                 ? std::string(1, kSimbolos[n])
                 : std::string{kSimbolos[n / kSimbolos.size()], kSimbolos[n % kSimbolos.size()]};
    ++n;
  }
  std::string xpm = "/* XPM */\nstatic const char* const " + std::string(nombre) + "[] = {\n";
  xpm += "\"" + std::to_string(imagen.ancho) + " " + std::to_string(imagen.alto) + " " +
         std::to_string(codigos.size()) + " " + std::to_string(letras) + "\",\n";
  for (const auto& [pixel, codigo] : codigos) {
    xpm += "\"" + codigo + " c " + (pixel.opaco ? Hex(pixel) : "None") + "\",\n";
  }
  for (int y = 0; y < imagen.alto; ++y) {
    xpm += "\"";
    for (int x = 0; x < imagen.ancho; ++x) xpm += codigos.at(imagen.at(x, y));
    xpm += y + 1 < imagen.alto ? "\",\n" : "\"};\n";
  }
  return xpm;
}

void Poner32(std::string& s, std::uint32_t v, bool big_endian) {
  for (int i = 0; i < 4; ++i) {
    const int desplazamiento = big_endian ? 24 - 8 * i : 8 * i;
    s += static_cast<char>((v >> desplazamiento) & 0xFF);
  }
}
void Poner16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

std::uint32_t Crc32(std::string_view datos) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : datos) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// PNG, RGBA, with stored (uncompressed) deflate blocks: small images need no zlib.
std::string Png(const Imagen& imagen) {
  std::string crudo;
  for (int y = 0; y < imagen.alto; ++y) {
    crudo += '\0';  // no filter
    for (int x = 0; x < imagen.ancho; ++x) {
      const Pixel& p = imagen.at(x, y);
      crudo += static_cast<char>(p.r);
      crudo += static_cast<char>(p.g);
      crudo += static_cast<char>(p.b);
      crudo += static_cast<char>(p.opaco ? 255 : 0);
    }
  }
  std::string zlib = "\x78\x01";
  for (std::size_t i = 0; i < crudo.size() || i == 0; i += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, crudo.size() - i);
    zlib += static_cast<char>(i + n >= crudo.size() ? 1 : 0);
    Poner16(zlib, static_cast<std::uint32_t>(n));
    Poner16(zlib, static_cast<std::uint32_t>(~n & 0xFFFF));
    zlib.append(crudo, i, n);
  }
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : crudo) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Poner32(zlib, (b << 16) | a, true);

  std::string png = "\x89PNG\r\n\x1a\n";
  auto trozo = [&png](std::string_view tipo, const std::string& datos) {
    Poner32(png, static_cast<std::uint32_t>(datos.size()), true);
    const std::string cuerpo = std::string(tipo) + datos;
    png += cuerpo;
    Poner32(png, Crc32(cuerpo), true);
  };
  std::string cabecera;
  Poner32(cabecera, static_cast<std::uint32_t>(imagen.ancho), true);
  Poner32(cabecera, static_cast<std::uint32_t>(imagen.alto), true);
  cabecera +=
      std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
  trozo("IHDR", cabecera);
  trozo("IDAT", zlib);
  trozo("IEND", "");
  return png;
}

// A Windows icon with one 16-colour image per size: palette entry 0 is the transparent one.
std::string Ico(const std::vector<Imagen>& imagenes) {
  std::vector<Pixel> paleta{Pixel{0, 0, 0, false}};
  paleta.insert(paleta.end(), kPaletaLuna.begin(), kPaletaLuna.end());
  auto indice = [&paleta](const Pixel& p) {
    if (!p.opaco) return 0;
    return static_cast<int>(std::find(paleta.begin() + 1, paleta.end(), p) - paleta.begin());
  };

  std::vector<std::string> cuerpos;
  for (const Imagen& im : imagenes) {
    std::string c;
    const int fila_color = ((im.ancho * 4 + 31) / 32) * 4;
    const int fila_mascara = ((im.ancho + 31) / 32) * 4;
    Poner32(c, 40, false);
    Poner32(c, static_cast<std::uint32_t>(im.ancho), false);
    Poner32(c, static_cast<std::uint32_t>(im.alto * 2), false);  // colour and mask
    Poner16(c, 1);
    Poner16(c, 4);
    Poner32(c, 0, false);
    Poner32(c, static_cast<std::uint32_t>((fila_color + fila_mascara) * im.alto), false);
    Poner32(c, 0, false);
    Poner32(c, 0, false);
    Poner32(c, 16, false);
    Poner32(c, 0, false);
    for (const Pixel& p : paleta) {
      c += static_cast<char>(p.b);
      c += static_cast<char>(p.g);
      c += static_cast<char>(p.r);
      c += '\0';
    }
    for (int y = im.alto - 1; y >= 0; --y) {  // bottom-up
      std::string fila(static_cast<std::size_t>(fila_color), '\0');
      for (int x = 0; x < im.ancho; ++x) {
        const int i = indice(im.at(x, y));
        fila[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 == 0 ? i << 4 : i);
      }
      c += fila;
    }
    for (int y = im.alto - 1; y >= 0; --y) {
      std::string fila(static_cast<std::size_t>(fila_mascara), '\0');
      for (int x = 0; x < im.ancho; ++x) {
        if (!im.at(x, y).opaco)
          fila[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
      }
      c += fila;
    }
    cuerpos.push_back(c);
  }

  std::string ico;
  Poner16(ico, 0);
  Poner16(ico, 1);
  Poner16(ico, static_cast<std::uint32_t>(imagenes.size()));
  std::uint32_t posicion = 6 + 16 * static_cast<std::uint32_t>(imagenes.size());
  for (std::size_t i = 0; i < imagenes.size(); ++i) {
    ico += static_cast<char>(imagenes[i].ancho);
    ico += static_cast<char>(imagenes[i].alto);
    ico += static_cast<char>(16);
    ico += '\0';
    Poner16(ico, 1);
    Poner16(ico, 4);
    Poner32(ico, static_cast<std::uint32_t>(cuerpos[i].size()), false);
    Poner32(ico, posicion, false);
    posicion += static_cast<std::uint32_t>(cuerpos[i].size());
  }
  for (const std::string& c : cuerpos) ico += c;
  return ico;
}

// A 24-bit Windows bitmap for the Win32 window's resources. It has no transparency of its
// own: the transparent pixels are magenta, which the window paints in its background colour,
// and an opaque pixel of exactly that colour moves one step away from it.
std::string Bmp(const Imagen& im) {
  const int fila = ((im.ancho * 3 + 3) / 4) * 4;
  const auto datos = static_cast<std::uint32_t>(fila * im.alto);
  std::string bmp = "BM";
  Poner32(bmp, 14 + 40 + datos, false);
  Poner32(bmp, 0, false);
  Poner32(bmp, 14 + 40, false);
  Poner32(bmp, 40, false);
  Poner32(bmp, static_cast<std::uint32_t>(im.ancho), false);
  Poner32(bmp, static_cast<std::uint32_t>(im.alto), false);  // bottom-up
  Poner16(bmp, 1);
  Poner16(bmp, 24);
  for (int i = 0; i < 6; ++i) Poner32(bmp, 0, false);  // no compression, sizes, palette
  for (int y = im.alto - 1; y >= 0; --y) {
    std::string linea(static_cast<std::size_t>(fila), '\0');
    for (int x = 0; x < im.ancho; ++x) {
      Pixel p = im.at(x, y);
      if (!p.opaco)
        p = {255, 0, 255, true};
      else if (p.r == 255 && p.g == 0 && p.b == 255)
        p.b = 254;
      linea[static_cast<std::size_t>(3 * x)] = static_cast<char>(p.b);
      linea[static_cast<std::size_t>(3 * x + 1)] = static_cast<char>(p.g);
      linea[static_cast<std::size_t>(3 * x + 2)] = static_cast<char>(p.r);
    }
    bmp += linea;
  }
  return bmp;
}

}  // namespace

int main(int argc, char* argv[]) {
  // "--windows <folder>": the Win32 window's resources, made in the build folder.
  const bool windows = argc == 3 && std::string_view(argv[1]) == "--windows";
  if (argc != 2 && !windows) {
    std::fprintf(stderr, "uso: %s <carpeta de las fuentes> | --windows <carpeta>\n", argv[0]);
    return 2;
  }
  const Imagen luna16 = Icono(16), luna32 = Icono(32), luna64 = Icono(64);
  const Imagen emblema = Renderizar(Emblema, 80, 96);
  if (windows) {
    const fs::path carpeta = argv[2];
    Guardar(carpeta / "orbelux.ico", Ico({luna32, luna16}));
    Guardar(carpeta / "emblema.bmp", Bmp(emblema));
    return 0;
  }
  const fs::path raiz = argv[1];

  Guardar(raiz / "src/window/art/luna_16.xpm", Xpm(luna16, "luna_16_xpm"));
  Guardar(raiz / "src/window/art/luna_32.xpm", Xpm(luna32, "luna_32_xpm"));
  Guardar(raiz / "src/window/art/emblema.xpm", Xpm(emblema, "emblema_xpm"));
  Guardar(raiz / "packaging/icons/luna_16.png", Png(luna16));
  Guardar(raiz / "packaging/icons/luna_32.png", Png(luna32));
  Guardar(raiz / "packaging/icons/luna_64.png", Png(luna64));
  Guardar(raiz / "packaging/orbelux.ico", Ico({luna32, luna16}));
  return 0;
}
