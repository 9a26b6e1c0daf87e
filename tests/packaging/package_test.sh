#!/usr/bin/env bash
# The Windows package as an integrator receives it: unpacked into an empty folder and started from there
# under Wine, with none of the toolchain's folders on the DLL path, on the real windows platform. It
# must run, and load every DLL and Qt plugin it ships: a missing one fails the run, an unused one fails
# the comparison.
#   package_test.sh <zip>
set -euo pipefail
zip=$1
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

# A version mismatch: the main window (with the JPEG logo of ferd) shows, then the message ends the run.
mkdir "$work/run"
printf '[General]\r\nVersion=0\r\nConfigurateur=ferd\r\nMode=chiffrage\r\n' > "$work/run/config.ini"
status=0
(cd "$work/run" && env -u WINEQT_QPA_PLATFORM WINEPATH= WINEDEBUG=+loaddll VARNO_MESSAGE_LOG="$work/run/messages.log" \
  timeout 120 "$wine" "$program" devis.xml config.ini) 2> "$work/loaded.txt" || status=$?
[ "$status" = 0 ] || { echo "the packaged program failed (status $status):"; grep -v loaddll "$work/loaded.txt" | head -20; exit 1; }
expected=$'message:\nVotre Configurateur ferd est en Version 1 et devrait être en Version 0.'
[ "$(cat "$work/run/messages.log")" = "$expected" ] || { echo "unexpected messages:"; cat "$work/run/messages.log"; exit 1; }

# Every DLL of the package, and only those, was loaded from the package's folder.
shipped=$(cd "$folder" && find . -iname '*.dll' | sed 's|^\./||' | tr 'A-Z' 'a-z' | sort)
# Wine logs each load as Loaded L"Z:\\tmp\\...\\Qt6Core.dll": back to a Unix path, relative to the folder.
loaded=$(grep -o 'Loaded L"Z:[^"]*"' "$work/loaded.txt" | sed 's/^Loaded L"Z://; s/"$//; s|\\\\|/|g' |
  while IFS= read -r dll; do case "$dll" in "$folder"/*.[dD][lL][lL]) echo "${dll#"$folder"/}" ;; esac; done | tr 'A-Z' 'a-z' | sort -u)
# Plugins are loaded by name at run time, so a missing one would not stop the program: name them.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll; do
  grep -qx "$plugin" <<< "$loaded" || { echo "the plugin $plugin was not loaded from the package"; exit 1; }
done
if [ "$shipped" != "$loaded" ]; then
  echo "shipped but not loaded:"; comm -23 <(echo "$shipped") <(echo "$loaded")
  echo "loaded but not shipped:"; comm -13 <(echo "$shipped") <(echo "$loaded")
  exit 1
fi
echo "package ok: $(echo "$shipped" | wc -l) DLLs, all loaded; $(du -k "$zip" | cut -f1) KiB"
