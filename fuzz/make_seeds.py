#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora of the fuzz targets: real-looking box texts and catalogue lines.

The inputs follow the layout the targets read with FuzzedDataProvider: strings first
(each ended by a backslash and one more byte), the rest of the bytes as the catalogue,
and integers taken from the end.
"""
import os
import pathlib

RAIZ = pathlib.Path(__file__).resolve().parent / "corpus"

POR_DEFECTO = ["23", "00", "00", "17", "00", "00", "-30", "00", "00", "+80", "00", "00",
               "400", "1400", "15", "18"]


def linea(n, h, m, s, g, am, as_, mag, jd=""):
    ident = f"({n}) Semilla"[:23].ljust(23)
    return (f"{ident}{jd:>12} {h:>2} {m:>2} {s:>4} {g:>3} {am:>2} {as_:>2} {mag:>5}").encode()


def catalogo(lineas, fin=b"\r\n"):
    return b"".join(l + fin for l in lineas)


def entrada_generacion(cajas, cat, hay=True, averia=255, tras_bytes=0):
    """Integers are read from the end: first the catalogue flag, then the fault, then where."""
    texto = b"".join(c.encode().replace(b"\\", b"\\\\") + b"\\ " for c in cajas)
    return texto + cat + tras_bytes.to_bytes(2, "big") + bytes([averia, 1 if hay else 0])


def escribir(carpeta, nombre, datos):
    d = RAIZ / carpeta
    d.mkdir(parents=True, exist_ok=True)
    (d / nombre).write_bytes(datos)


def main():
    base = [linea(1, "05", "07", "03.4", "+05", "03", "17", " 16.3", "2461383.5000")]
    base += [linea(n, f"{(n * 7) % 24:02d}", f"{(n * 13) % 60:02d}", f"{(n * 17) % 600 / 10:04.1f}",
                   f"{'-' if n % 3 == 0 else '+'}{(n * 11) % 89:02d}", f"{(n * 5) % 60:02d}",
                   f"{(n * 3) % 60:02d}", f"{8 + (n * 7) % 120 / 10:5.1f}") for n in range(2, 60)]
    escribir("fuzz_generacion", "defaults", entrada_generacion(POR_DEFECTO, catalogo(base)))
    todo = ["0", "00", "00", "24", "00", "00", "-90", "00", "00", "+90", "00", "00", "0", "100",
            "-1", "100"]
    escribir("fuzz_generacion", "everything", entrada_generacion(todo, catalogo(base)))
    escribir("fuzz_generacion", "lf_only", entrada_generacion(todo, catalogo(base, b"\n")))
    escribir("fuzz_generacion", "cr_only_short",
             entrada_generacion(todo, catalogo([l[:44] for l in base], b"\r")))
    negativos = [linea(n, "01", "00", "00.0", "-00", "30", "00", " 15.0") for n in range(1, 5)]
    escribir("fuzz_generacion", "negative_zero",
             entrada_generacion(todo[:6] + ["-00", "45", "00", "-00", "15", "00"] + todo[12:],
                                catalogo(negativos)))
    escribir("fuzz_generacion", "empty_boxes", entrada_generacion([""] * 16, catalogo(base)))
    escribir("fuzz_generacion", "out_of_range",
             entrada_generacion(POR_DEFECTO[:14] + ["15", "99999"], catalogo(base)))
    escribir("fuzz_generacion", "magnitude_overflow",
             entrada_generacion(todo, catalogo(base + [linea(60, "01", "02", "03.0", "+00",
                                                             "00", "00", "99999")])))
    escribir("fuzz_generacion", "no_catalogue", entrada_generacion(POR_DEFECTO, b"", hay=False))
    for averia, nombre in enumerate(["open", "read", "create", "write", "sync", "rename"], 1):
        escribir("fuzz_generacion", f"fault_{nombre}",
                 entrada_generacion(todo, catalogo(base), averia=averia, tras_bytes=300))
    escribir("fuzz_generacion", "unicode_boxes",
             entrada_generacion(["€", "ñ", "漢", "\r\n"] + POR_DEFECTO[4:], catalogo(base)))

    for i, texto in enumerate(["+80", "-30", "  7", "7h", "abc", "1 5", ".5", "1.2.3", "-00",
                               "-0.3", "12.5", " 15.6", "32767.5", "-32768.5", "1" + "0" * 30,
                               "0." + "0" * 330 + "1", "- 5", "\t+\t1\t2.\t5"]):
        escribir("fuzz_conversiones", f"texto_{i:02d}", texto.encode() + bytes(range(16)))

    for i, texto in enumerate(["2022-09-20", "2022-09-20T06:07", "1972-06-30T23:59:60",
                               "2016-12-31T23:59:60.4", "9999-12-31T23:59:59.4",
                               "2026-12-07T22:30+01:00", "2026-12-07T22:30Z",
                               "2026-12-31T23:30:15-0130", "1000-01-01T00:30+01:00", "2459842.5",
                               "5373484.49999"]):
        escribir("fuzz_fechas", f"texto_{i:02d}", texto.encode())

    for i, texto in enumerate(["07h42m00s +26°40'00\"", "07:42:00 +26:40:00", "7 42 +26 40",
                               "278.33185951,-23.04078901", "07h 42m 00s 26d 40' 00''",
                               "07 42 00 26°40'00\"", "-3°23'03.1\"", "23 59 59.999 -90",
                               "07H42M30S -26º40′00″", "12 30.5 00 +10 00 00"]):
        escribir("fuzz_angulos", f"texto_{i:02d}", texto.encode())


if __name__ == "__main__":
    main()
