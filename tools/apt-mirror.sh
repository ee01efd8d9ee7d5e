# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that need Debian's archive: espejo_bookworm prints the mirror this
# machine's apt already uses for bookworm, from its sources in either format (one-line or
# deb822), so that no host name is written in the project.
espejo_bookworm() {
  {
    awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list 2>/dev/null
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk 'BEGIN { RS = ""; FS = "\n" }
           {
             uris = ""; suites = ""
             for (i = 1; i <= NF; i++) {
               if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
               if ($i ~ /^Suites:/) { suites = " " $i " " }
             }
             if (uris != "" && suites ~ / bookworm /) { split(uris, u, " "); print u[1]; exit }
           }' "$f"
    done
  } | head -n 1
}
