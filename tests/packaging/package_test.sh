#!/usr/bin/env bash
# The Windows package as an integrator receives it: unpacked into an empty folder and started from there
# under Wine, with none of the toolchain's folders on the DLL path, on the real windows platform. It
# must run, and load every DLL and Qt plugin it ships: a missing one fails the run, an unused one fails
# the comparison.
#   package_test.sh <package path without .zip> <source dir> <build dir> <objdump>
set -euo pipefail
package=$1 source=$2 build=$3 objdump=$4
zip=$package.zip
[ -f "$zip" ] || { echo "no package at $zip (scripts/windows --package makes it)"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "the windows platform under Wine needs a display (scripts/windows starts Xvfb)"; exit 1; }
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work/unpacked"
program=$(find "$work/unpacked" -name Module_Varno.exe)
[ -n "$program" ] || { echo "no Module_Varno.exe in the package"; exit 1; }
folder=$(dirname "$program")
[ -s "$folder/LISEZMOI.txt" ] || { echo "no LISEZMOI.txt in the package"; exit 1; }
[ "$(grep -c -v $'\r$' "$folder/LISEZMOI.txt")" = 0 ] || { echo "LISEZMOI.txt has lines that do not end in CRLF"; exit 1; }

# Two runs. A version mismatch: the main window (with the logo of ferd) shows, then the message ends
# the run. A mode that opens no workflow: the main window gets ready, which loads the transport library
# and curl's DLLs, then ends the run at its tick.
mkdir "$work/run"
: > "$work/loaded.txt"
run() { # configuration, expected messages
  printf '%s' "$1" > "$work/run/config.ini"
  rm -f "$work/run/messages.log"
  local status=0
  (cd "$work/run" && env -u WINEQT_QPA_PLATFORM WINEPATH= WINEDEBUG=+loaddll VARNO_MESSAGE_LOG="$work/run/messages.log" \
    timeout 120 "$wine" "$program" devis.xml config.ini) 2>> "$work/loaded.txt" || status=$?
  [ "$status" = 0 ] || { echo "the packaged program failed (status $status):"; grep -v loaddll "$work/loaded.txt" | head -20; exit 1; }
  [ "$(cat "$work/run/messages.log" 2>/dev/null)" = "$2" ] || { echo "unexpected messages:"; cat "$work/run/messages.log"; exit 1; }
}
run $'[General]\r\nVersion=0\r\nConfigurateur=ferd\r\nMode=chiffrage\r\n' \
  $'message:\nVotre Configurateur ferd est en Version 1 et devrait être en Version 0.'
run $'[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=aucun\r\n' \
  $'message:\nLe mode « aucun » du fichier de configuration est inconnu : le configurateur Varno attend chiffrage, verification ou commande, et ne fait rien.'

# Every DLL of the package, and only those, was loaded from the package's folder.
shipped=$(cd "$folder" && find . -iname '*.dll' | sed 's|^\./||' | tr 'A-Z' 'a-z' | sort)
# Wine logs each load as Loaded L"Z:\\tmp\\...\\Qt6Core.dll": back to a Unix path, relative to the folder.
loaded=$(grep -o 'Loaded L"Z:[^"]*"' "$work/loaded.txt" | sed 's/^Loaded L"Z://; s/"$//; s|\\\\|/|g' |
  while IFS= read -r dll; do case "$dll" in "$folder"/*.[dD][lL][lL]) echo "${dll#"$folder"/}" ;; esac; done | tr 'A-Z' 'a-z' | sort -u)
# Plugins and the transport are loaded by name at run time, so a missing one would not stop the program:
# name them.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll libvarno_transport.dll; do
  grep -qx "$plugin" <<< "$loaded" || { echo "$plugin was not loaded from the package"; exit 1; }
done
# The JPEG plugin reads product pictures, which only a pricing run against a server meets: it, and the
# DLLs only it imports, must be shipped but are not loaded here.
[ -f "$folder/imageformats/qjpeg.dll" ] || { echo "no imageformats/qjpeg.dll in the package"; exit 1; }
jpeg_only=$( (echo imageformats/qjpeg.dll; x86_64-w64-mingw32-objdump -p "$folder/imageformats/qjpeg.dll" |
  awk '/DLL Name:/ {print tolower($3)}') | sort -u)
loaded=$( (echo "$loaded"; comm -12 <(echo "$shipped") <(echo "$jpeg_only" | while IFS= read -r dll; do
  grep -qx "$dll" <<< "$loaded" || echo "$dll"; done | sort)) | sort -u)
if [ "$shipped" != "$loaded" ]; then
  echo "shipped but not loaded:"; comm -23 <(echo "$shipped") <(echo "$loaded")
  echo "loaded but not shipped:"; comm -13 <(echo "$shipped") <(echo "$loaded")
  exit 1
fi

# No file holds a path of the build machine: the project's folders, as Linux and as Wine write them.
for path in "$source" "$build" "Z:${source//\//\\}" "Z:$source"; do
  found=$(grep -rlaF -- "$path" "$folder" || true)
  [ -z "$found" ] || { echo "the build path $path is in: $found"; exit 1; }
done
# Our binaries ship stripped, each naming its symbols file, which the symbols zip holds.
unzip -q "$package-symbols.zip" -d "$work/symbols"
for binary in Module_Varno.exe Module_Varno_Connexion.exe libvarno_transport.dll; do
  sections=$("$objdump" -h "$folder/$binary")
  ! grep -q '\.debug_info' <<< "$sections" || { echo "$binary ships its debug information"; exit 1; }
  grep -q '\.gnu_debuglink' <<< "$sections" || { echo "$binary has no debug link"; exit 1; }
  grep -q '\.debug_info' <<< "$("$objdump" -h "$work/symbols/$binary.debug")" ||
    { echo "no debug information for $binary in the symbols zip"; exit 1; }
done

# The connection check runs from the package too, without a window: its report says the installation
# loads, and its status agrees with its verdict (the built-in addresses may or may not be served here).
status=0
(cd "$work/run" && env -u WINEQT_QPA_PLATFORM WINEPATH= timeout 120 "$wine" "$folder/Module_Varno_Connexion.exe" \
  /rapport rapport.txt) || status=$?
report=$(tr -d '\r' < "$work/run/rapport.txt" 2>/dev/null || true)
grep -q '^✓ Installation : ' <<< "$report" || { echo "the packaged connection check (status $status) reported:"; echo "$report"; exit 1; }
if grep -q '^Résultat : toutes les étapes ont réussi\.$' <<< "$report"; then expected=0; else expected=1; fi
[ "$status" = "$expected" ] || { echo "the connection check ended with $status for:"; echo "$report"; exit 1; }

# Without its platform plugin the program says so in French, ends with 0 and leaves the host's file.
mv "$folder/platforms" "$folder/platforms.away"
printf 'host content' > "$work/run/devis.xml"
run $'[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=verification\r\n' \
  $'error:\nLe module d\'affichage du programme (platforms\\qwindows.dll) est absent du dossier du programme. Réinstallez le programme.'
[ "$(cat "$work/run/devis.xml")" = "host content" ] || { echo "the host's file was touched"; exit 1; }
mv "$folder/platforms.away" "$folder/platforms"

echo "package ok: $(echo "$shipped" | wc -l) DLLs, all loaded; $(du -k "$zip" | cut -f1) KiB," \
     "symbols $(du -k "$package-symbols.zip" | cut -f1) KiB"
