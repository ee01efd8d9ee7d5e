#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the package on a fresh Debian 12 (debootstrap into a temporary folder), runs its
# programs and its desktop entry there, purges it, and checks that nothing is left behind.
# Usage (as root): tools/check-package.sh build/release/orbelux_<version>_amd64.deb [output folder]
# The output folder (default build/check-package) receives the window's screenshot.
# Needs the network to reach the Debian mirror this machine's apt uses.
set -euo pipefail
cd "$(dirname "$0")/.."

paquete="$(realpath "${1:?Uso: tools/check-package.sh PAQUETE.deb [CARPETA]}")"
salida="$(realpath -m "${2:-build/check-package}")"
if [ "$(id -u)" -ne 0 ]; then
  echo "Hace falta ser root (debootstrap y chroot)" >&2
  exit 1
fi
tools/install-deps.sh debootstrap
mkdir -p "$salida"

# The mirror this machine already uses for bookworm, so that no host name is written here.
. tools/apt-mirror.sh
espejo="$(espejo_bookworm)"
if [ -z "$espejo" ]; then
  echo "No se encuentra en /etc/apt un espejo de Debian para bookworm" >&2
  exit 1
fi

raiz="$(mktemp -d /tmp/orbelux-chroot.XXXXXX)"
chmod 755 "$raiz"  # apt's own user must reach its lists inside
# Unmounts whatever was mounted under the chroot, deepest first, and removes it; rm never
# crosses into another file system, so a mount left by mistake is not emptied.
limpiar() {
  local m
  for m in $(awk -v r="$raiz" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r); do
    umount -l "$m" || true
  done
  rm -rf --one-file-system "$raiz"
}
trap limpiar EXIT

paso() { printf '\n=== %s\n' "$*"; }
dentro() { chroot "$raiz" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
             LANG=C.UTF-8 LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive /bin/bash -c "$1"; }

paso "debootstrap --variant=minbase bookworm (espejo de /etc/apt)"
debootstrap --variant=minbase bookworm "$raiz" "$espejo" >"$salida/debootstrap.log" 2>&1 ||
  { tail -n 20 "$salida/debootstrap.log"; exit 1; }
echo "hecho: $(du -sh --one-file-system "$raiz" | cut -f1)"
mount -t proc proc "$raiz/proc"
mount -t tmpfs tmpfs "$raiz/tmp"
# A pseudo-terminal instance of the chroot's own, for the terminal apt opens for dpkg's log.
mkdir -p "$raiz/dev/pts"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$raiz/dev/pts" ||
  echo "(sin devpts propio: apt dirá que no puede escribir su registro, y sigue)"

# The tools the checks need go in first, without their recommendations, so that the package
# finds the system as apt leaves it (it installs the package's recommendations: apt's defaults).
paso "herramientas de la comprobación (Xvfb, xdotool, xwininfo, import, desktop-file-validate)"
dentro "apt-get update -qq && apt-get install -y -qq --no-install-recommends \
          xvfb xauth xdotool x11-utils imagemagick-6.q16 desktop-file-utils >/dev/null"
echo hecho

# Every file and folder of the system, except those that change whatever is installed.
lista_archivos() {
  dentro "find / -xdev \( -path /proc -o -path /tmp -o -path /dev -o -path /run \
                          -o -path /var/cache -o -path /var/log -o -path /var/lib/apt \
                          -o -path /var/lib/dpkg -o -path /root \) -prune -o -print" | sort
}
# Files of the package still there after a purge, other than folders other packages share.
restos() {
  local f quedan=0
  while read -r f; do
    [ "$f" = "/." ] && continue
    if dentro "test -e '$f' && ! dpkg -S '$f' >/dev/null 2>&1"; then
      echo "queda: $f"
      quedan=1
    fi
  done <"$salida/archivos-del-paquete.txt"
  return "$quedan"
}

paso "apt-get install ./$(basename "$paquete") en el sistema recién hecho"
cp "$paquete" "$raiz/tmp/"
instalar() {
  dentro "cd /tmp && apt-get install -y ./$(basename "$paquete")" >"$salida/instalacion-$1.log" 2>&1 ||
    { tail -n 30 "$salida/instalacion-$1.log"; exit 1; }
  grep -E '^(Setting up orbelux|[0-9]+ upgraded)' "$salida/instalacion-$1.log"
}
instalar 1
dentro "dpkg -L orbelux" | sort >"$salida/archivos-del-paquete.txt"
echo "$(wc -l <"$salida/archivos-del-paquete.txt") rutas en el paquete"

# The libraries the first install brought stay when the package goes (apt removes them only
# when asked to, with autoremove). So the file lists are compared around a second install,
# which finds them in place: then any difference is the package's own doing.
paso "apt-get purge orbelux (las bibliotecas que trajo se quedan)"
dentro "apt-get purge -y -qq orbelux >/dev/null"
restos
lista_archivos >"$salida/antes.txt"

paso "apt-get install ./$(basename "$paquete") otra vez, para las comprobaciones"
instalar 2

paso "orbelux-catalogo con los elementos instalados"
dentro "mkdir -p /tmp/trabajo && cd /tmp/trabajo &&
        orbelux-catalogo --elementos /usr/share/orbelux/elementos_1-227.dat --fecha 2026-12-07 &&
        head -n 3 ast.dat && wc -l ast.dat"

if dentro "test -x /usr/bin/orbelux-campo"; then
  paso "orbelux-campo --ayuda"
  dentro "orbelux-campo --ayuda >/tmp/ayuda.txt && head -n 5 /tmp/ayuda.txt"
else
  paso "orbelux-campo: no está en este paquete"
fi

if dentro "test -x /usr/bin/orbelux-efemerides"; then
  paso "orbelux-efemerides con los elementos instalados"
  dentro "orbelux-efemerides vesta --elementos /usr/share/orbelux/elementos_1-227.dat \
            --fecha 2026-12-07T22:30+01:00 --observatorio J86 && man -w orbelux-efemerides"
else
  paso "orbelux-efemerides: no está en este paquete"
fi

paso "desktop-file-validate"
escritorio=/usr/share/applications/io.github.orbelux.Orbelux.desktop
dentro "desktop-file-validate $escritorio && echo 'sin errores'"

paso "la línea Exec de la entrada de escritorio, bajo Xvfb"
dentro "
  orden=\$(sed -n 's/^Exec=//p' $escritorio)
  echo \"Exec=\$orden\"
  Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
  xvfb=\$!
  export DISPLAY=:7
  # A loaded machine can take seconds to bring the X server up.
  for i in \$(seq 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if ! xdpyinfo >/dev/null 2>&1; then echo 'Xvfb no arranca'; cat /tmp/xvfb.log; kill \$xvfb; exit 1; fi
  cd /root && \$orden >/tmp/orbelux.log 2>&1 &
  programa=\$!
  ventana=''
  for i in \$(seq 300); do
    ventana=\$(xdotool search --onlyvisible --name 'Genera Lista de Asteroides' 2>/dev/null | head -n 1)
    [ -n \"\$ventana\" ] && break
    sleep 0.1
  done
  if [ -z \"\$ventana\" ]; then echo 'la ventana no aparece'; cat /tmp/orbelux.log; kill \$xvfb; exit 1; fi
  sleep 1
  xwininfo -id \"\$ventana\" | grep -E 'Window id|Width|Height'
  import -window root /tmp/ventana.png
  kill \$programa \$xvfb
"
cp "$raiz/tmp/ventana.png" "$salida/ventana.png"
echo "captura: $salida/ventana.png"

paso "apt-get purge orbelux"
dentro "apt-get purge -y -qq orbelux >/dev/null"
dentro "dpkg -s orbelux >/dev/null 2>&1 && echo 'sigue instalado' && exit 1 || echo 'desinstalado'"
restos
lista_archivos >"$salida/despues.txt"
if ! diff "$salida/antes.txt" "$salida/despues.txt" >"$salida/diferencia.txt"; then
  echo "Rutas distintas antes de instalar y después de purgar:"
  cat "$salida/diferencia.txt"
  exit 1
fi
echo "Nada queda: $(wc -l <"$salida/antes.txt") rutas antes de instalar, las mismas después de purgar."

paso "apt-get autoremove --purge: las bibliotecas que trajo el paquete"
dentro "apt-get autoremove --purge -y" | grep -E '^[0-9]+ upgraded'
echo "Comprobación del paquete en Debian 12 limpio: bien"
