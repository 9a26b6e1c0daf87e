#!/usr/bin/env bash
# The MSI as IT deploys it, under Wine's msiexec, every exit status checked: an older MSI of the same
# files (made here) installed silently, the build's MSI upgrading it, the older one refused over it, a
# whole verification run of the installed program and its connection check against the tests' server,
# the check's Start-menu shortcut, and a silent uninstall that leaves neither folder, shortcut nor
# registry entry. The proxy policy given at the first install (PROXY=)
# is kept by the upgrade and removed by the uninstall.
#   msi_test.sh <package path without extension> <source dir> <build dir> <emulator> <executable tests>
set -euo pipefail
package=$1 source=$2 build=$3 emulator=$4 tests=$5
msi=$package.msi
[ -f "$msi" ] || { echo "no MSI at $msi (scripts/windows --package makes it)"; exit 1; }
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
settings="$build/packaging/PackageSettings.cmake"
setting() { cmake -DSETTINGS="$settings" -DNAME="$1" -P "$source/packaging/ReadSetting.cmake"; }

unzip -q "$package.zip" -d "$work/unpacked"
cmake -DSETTINGS="$settings" -DPROGRAM_DIR="$work/unpacked/$(basename "$package")" \
      -DOUTPUT="$work/older.msi" -DVERSION=0.1 -P "$source/packaging/BuildMsi.cmake" >/dev/null 2>&1

folder="${WINEPREFIX:?}/drive_c/Program Files/Module_Varno"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { "$wine" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | grep -a -A30 'DisplayName *REG_SZ *Module_Varno$' || true; }
msiexec() { # expected status, msiexec arguments
  local expected=$1 status=0; shift
  "$wine" msiexec "$@" /qn || status=$?
  if { [ "$expected" = 0 ] && [ "$status" != 0 ]; } || { [ "$expected" != 0 ] && [ "$status" = 0 ]; }; then
    echo "msiexec $* ended with $status"; exit 1
  fi
}
version_installed() { entries | sed -n 's/^ *DisplayVersion *REG_SZ *//p'; }
# Whatever an interrupted run left installed is removed, before and after.
remove_installed() {
  for product in $(entries | grep -o 'MsiExec.exe /X{[^}]*}' | sed 's/^MsiExec.exe \/X//' | sort -u); do
    "$wine" msiexec /x "$product" /qn >/dev/null 2>&1 || true
  done
}
trap 'remove_installed; rm -rf "$work"' EXIT
remove_installed
[ ! -e "$folder" ] && [ -z "$(entries)" ] || { echo "Module_Varno is installed and cannot be removed"; exit 1; }

proxy_policy() { "$wine" reg query 'HKLM\Software\Module_Varno' /v Proxy 2>/dev/null | tr -d '\r' |
                 sed -n 's/^ *Proxy *REG_SZ *//p' || true; }
msiexec 0 /i "Z:$work/older.msi" PROXY=system
[ -f "$folder/Module_Varno.exe" ] || { echo "nothing in $folder"; exit 1; }
[ "$(proxy_policy)" = system ] || { echo "PROXY=system gave the policy '$(proxy_policy)'"; exit 1; }
[ "$(version_installed)" = 0.1 ] || { echo "the older version is not registered: $(version_installed)"; exit 1; }

version=$(setting VARNO_VERSION)
msiexec 0 /i "Z:$msi"
[ "$(version_installed)" = "$version" ] || { echo "after the upgrade: '$(version_installed)'"; exit 1; }
[ "$(proxy_policy)" = system ] || { echo "the upgrade left the policy '$(proxy_policy)'"; exit 1; }
[ "$(entries | grep -c 'DisplayName')" = 1 ] || { echo "two entries after the upgrade"; exit 1; }
entries | grep -q "Publisher *REG_SZ *$(setting VARNO_PUBLISHER)$" ||
  { echo "no publisher in Apps & Features"; exit 1; }

msiexec 1 /i "Z:$work/older.msi"
[ "$(version_installed)" = "$version" ] || { echo "the older MSI went over the newer one"; exit 1; }

# The installed program, run as the host runs it, against the server of the executable tests.
[ -n "${DISPLAY:-}" ] || { echo "the windows platform under Wine needs a display (scripts/windows starts Xvfb)"; exit 1; }
# The installed connection check too, and its shortcut in every user's Start menu.
run=$(VARNO_TEST_PROGRAM='C:\Program Files\Module_Varno\Module_Varno.exe' VARNO_TEST_PLATFORM=windows \
      VARNO_TEST_CHECK_PROGRAM='C:\Program Files\Module_Varno\Module_Varno_Connexion.exe' "$emulator" "$tests" \
      --gtest_filter='ExecutableWorkflowTest.VerificationWritesTheResultDocument:ExecutableWorkflowTest.TheConnectionCheckReportsEachStep' 2>&1) ||
  { echo "$run"; exit 1; }
run=${run//$'\r'/}
if grep -q '^\[  SKIPPED \] 2 tests' <<< "$run"; then
  ran="the verification run and the connection check skipped ($(grep -a -A1 ': Skipped$' <<< "$run" | tail -1 || true))"
else
  grep -q '^\[  PASSED  \] 2 tests' <<< "$run" || { echo "$run"; exit 1; }
  ran="run, the connection check too"
fi
shortcut() { find "$WINEPREFIX/drive_c" -name 'Module_Varno – vérifier la connexion.lnk' 2>/dev/null; }
[ -n "$(shortcut)" ] || { echo "no Start-menu shortcut to the connection check"; exit 1; }

msiexec 0 /x "Z:$msi"
[ ! -e "$folder" ] || { echo "the uninstall left $folder"; exit 1; }
[ -z "$(entries)" ] || { echo "the uninstall left its entry in $uninstall_key"; exit 1; }
[ -z "$(proxy_policy)" ] || { echo "the uninstall left the proxy policy"; exit 1; }
[ -z "$(shortcut)" ] || { echo "the uninstall left the shortcut $(shortcut)"; exit 1; }
echo "msi ok: $(du -k "$msi" | cut -f1) KiB; installed with PROXY=system, upgraded from 0.1 keeping it, downgrade refused," \
     "$ran, its shortcut made; uninstalled with them"
