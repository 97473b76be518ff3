#!/usr/bin/env bash
# The installer package as a user meets it, one case per run:
#   msi_check.sh CASE WINE_WRAPPER PACKAGE OLDER_PACKAGE DLL STANDIN EXAMPLES VIEW
# CASE is one of
#   per-user     install without ALLUSERS: the file under the user's programs
#                folder, every key under HKCU equal to what DllRegisterServer
#                writes (re-rooted); the stand-in loads the add-in (through its
#                merged view of the user's classes, which Wine lacks) and Quick
#                Fitting fits a picture; removal leaves the registry as before
#   per-machine  the same with ALLUSERS=1: Program Files, HKLM, and the
#                stand-in loads the add-in through COM itself
#   upgrade      the older version, then this one: one product, this DLL; the
#                older one again is refused; this one again repairs a lost DLL
#   profile      a user whose local application data lies under
#                "C:\users\José Müller": installs there and loads
# DLL is the file the package holds; OLDER_PACKAGE holds a different file.
# VIEW is the registry view of the package's bitness (/reg:64 or /reg:32).
set -euo pipefail
export LC_ALL=C.UTF-8
case_name=$1 wine=$2 package=$3 older=$4 dll=$5 standin=$6 examples=$7 view=$8

clsid='{9082CFD1-243B-4566-B7BE-BFE4957264EF}'
our_classes=("CLSID\\$clsid" 'CarveloPPT.PPTAddin' 'TypeLib\{B6414E98-AFE6-4641-8CE2-D356BDC385EE}'
  'Interface\{7677A494-E8D1-4F1E-A458-03C64C4F8681}')
addin_key='Software\Microsoft\Office\PowerPoint\Addins\CarveloPPT.PPTAddin'
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall'
work=$(mktemp -d)
prefix_c=$WINEPREFIX/drive_c

run() { "$wine" "$@" </dev/null; }
quiet() { "$wine" "$@" </dev/null >/dev/null 2>&1; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
fail() {
  echo "FAIL ($case_name): $*"
  exit 1
}

# Whatever happens, the machine is left without our product or keys.
cleanup() {
  quiet msiexec /x "$(winpath "$package")" /qn || true
  quiet msiexec /x "$(winpath "$package")" /qn ALLUSERS=1 || true
  quiet msiexec /x "$(winpath "$older")" /qn || true
  quiet regsvr32 /u /s "$(winpath "$dll")" || true
  [ -n "${restore_local_appdata:-}" ] && quiet reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v 'Local AppData' /t REG_EXPAND_SZ /d "$restore_local_appdata" /f || true
  rm -rf "$work"
}
trap cleanup EXIT

install() {  # install PACKAGE [PROPERTY=VALUE...]
  local msi=$1; shift
  run msiexec /i "$(winpath "$msi")" /qn "$@"
}

long_root() { printf '%s' "$1" | sed 's/^HKLM/HKEY_LOCAL_MACHINE/; s/^HKCU/HKEY_CURRENT_USER/'; }

# Our keys under CLASSES (a classes root) and ADDINS (a hive), as sorted
# lines "key|name|type|value", with the roots written as CLASSES and ADDINS
# and the DLL's path and folder as <DLL> and <DIR>.
our_keys() {  # our_keys CLASSES ADDINS DLL_PATH DLL_FOLDER
  local classes=$1 addins=$2 path=$3 folder=$4 key
  {
    for key in "${our_classes[@]}"; do run reg query "$classes\\$key" /s "$view" 2>/dev/null || true; done
    run reg query "$addins\\$addin_key" /s "$view" 2>/dev/null || true
  } | tr -d '\r' | CLASSES="$(long_root "$classes")\\" ADDINS="$(long_root "$addins")\\$addin_key" \
    DLL_PATH="$path" DLL_FOLDER="$folder" awk '
    BEGIN { classes = ENVIRON["CLASSES"]; addins = ENVIRON["ADDINS"]; path = ENVIRON["DLL_PATH"]; folder = ENVIRON["DLL_FOLDER"] }
    function root(k) {
      if (index(k, classes) == 1) return "CLASSES\\" substr(k, length(classes) + 1)
      if (k == addins) return "ADDINS"
      return k
    }
    /^HKEY_/ { key = root($0); next }
    /^    / {
      n = split(substr($0, 5), f, /    /)
      value = n >= 3 ? f[3] : ""
      if (tolower(value) == tolower(path)) value = "<DLL>"
      else if (tolower(value) == tolower(folder) || tolower(value "\\") == tolower(folder)) value = "<DIR>"
      print key "|" f[1] "|" f[2] "|" value
    }' | sort
}

# What DllRegisterServer writes for the same file, taken with regsvr32.
registered_keys() {
  local path; path=$(winpath "$dll")
  run regsvr32 /s "$path" || fail "regsvr32 failed"
  our_keys 'HKLM\Software\Classes' HKCU "$path" "${path%\\*}\\" > "$work/registered"
  run regsvr32 /u /s "$path" || fail "regsvr32 /u failed"
  [ -s "$work/registered" ] || fail "regsvr32 wrote none of our keys"
}

# Both hives as exported, to compare before and after.
export_hives() {  # export_hives NAME
  local hive
  for hive in HKLM HKCU; do
    run reg export "$hive\\Software" "$(winpath "$work/$1-$hive.reg")" "$view" /y >/dev/null ||
      fail "reg export $hive failed"
    iconv -f UTF-16 -t UTF-8 "$work/$1-$hive.reg" | tr -d '\r' > "$work/$1-$hive.txt"
  done
}

# Nothing in either hive that was not there before the install. (Removal
# may also take away empty parent keys, such as an empty Office\PowerPoint
# key left by an earlier regsvr32 /u.)
nothing_left() {
  export_hives after
  local hive
  for hive in HKLM HKCU; do
    diff "$work/before-$hive.txt" "$work/after-$hive.txt" | grep '^>' > "$work/left-$hive" &&
      fail "$hive\\Software holds after removal what it did not before:$(head -20 "$work/left-$hive")"
  done
  return 0
}

# The products named "Carvelo PPT" in "Apps & features", as "version" lines.
products() {
  local hive
  for hive in HKLM HKCU; do run reg query "$hive\\$uninstall_key" /s "$view" 2>/dev/null || true; done |
    tr -d '\r' | awk '/^HKEY_/ { if (name == "Carvelo PPT") print version; name = ""; version = "" }
      /^    DisplayName / { sub(/^    DisplayName +REG_SZ +/, ""); name = $0 }
      /^    DisplayVersion / { sub(/^    DisplayVersion +REG_SZ +/, ""); version = $0 }
      END { if (name == "Carvelo PPT") print version }'
}

package_property() { msiinfo export "$package" Property | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
package_version() { package_property ProductVersion; }

# "Apps & features": name, publisher, version and help link of the product.
arp_entry_complete() {
  local key="$uninstall_key\\$(package_property ProductCode)" entry
  entry=$( (run reg query "HKLM\\$key" "$view" 2>/dev/null || run reg query "HKCU\\$key" "$view" 2>/dev/null) | tr -d '\r')
  local want
  for want in "DisplayName    REG_SZ    Carvelo PPT" "Publisher    REG_SZ    Carvelo" \
    "DisplayVersion    REG_SZ    $(package_version)" "HelpLink    REG_SZ    $(package_property ARPHELPLINK)"; do
    grep -qxF "    $want" <<< "$entry" || fail "Apps & features lacks \"$want\": $entry"
  done
}

# The stand-in, started with nothing registered by hand, loads the add-in
# from HIVE, shows its toolbar, and Quick Fitting refits a stretched photo.
loads_and_fits() {  # loads_and_fits HIVE [STANDIN OPTION...]
  local hive=$1; shift
  local out="$work/standin.txt"
  run "$standin" --bars "$(winpath "$work/bars")" "$@" \
    --insert "$(winpath "$examples/coffee_600x400.png")" 60 120 600 300 --select 1 \
    --render "$(winpath "$work/before.png")" --click "Quick Fitting" --render "$(winpath "$work/after.png")" \
    --quit > "$out" 2>&1 || fail "the stand-in failed: $(cat "$out")"
  tr -d '\r' < "$out" > "$out.lf"
  grep -q "^CarveloPPT.PPTAddin from $hive.*: OnConnection 0x00000000$" "$out.lf" ||
    fail "the add-in was not loaded from $hive: $(cat "$out.lf")"
  grep -q '^clicked "Quick Fitting"$' "$out.lf" || fail "no toolbar button Quick Fitting: $(cat "$out.lf")"
  ! grep -q '^answered' "$out.lf" || fail "a message appeared: $(cat "$out.lf")"
  ! cmp -s "$work/before.png" "$work/after.png" || fail "Quick Fitting left the slide as it was"
  grep -q "^bar	Carvelo PPT	1	" "$work/bars" || fail "the toolbar Carvelo PPT was not kept visible"
  echo "loaded: $(grep '^CarveloPPT' "$out.lf")"
}

# Install in one scope, check the file and keys against regsvr32's, load,
# remove, and find the registry as before.
install_in_scope() {  # install_in_scope FOLDER CLASSES HIVE [PROPERTY...]
  local folder=$1 classes=$2 hive=$3; shift 3
  local installed="$folder\\Carvelo\\CarveloPPT.dll"
  local unix_installed="$prefix_c/${installed#C:\\}"
  unix_installed=${unix_installed//\\//}
  registered_keys
  export_hives before
  install "$package" "$@" || fail "msiexec /i failed"
  cmp -s "$unix_installed" "$dll" || fail "no $installed"
  our_keys "$classes" "$hive" "$installed" "$folder\\Carvelo\\" > "$work/installed"
  diff "$work/registered" "$work/installed" > "$work/keys.diff" ||
    fail "the package's keys differ from DllRegisterServer's: $(cat "$work/keys.diff")"
  echo "$(wc -l < "$work/installed") values, as DllRegisterServer writes them, under $classes and $hive"
  [ "$(products)" = "$(package_version)" ] || fail "Apps & features shows \"$(products)\""
  arp_entry_complete
  if [ "$hive" = HKCU ]; then
    loads_and_fits HKEY_CURRENT_USER --user-classes
  else
    loads_and_fits HKEY_LOCAL_MACHINE
  fi
  # Windows gives a removal the product's own scope; Wine needs to be told.
  run msiexec /x "$(winpath "$package")" /qn "$@" || fail "msiexec /x failed"
  [ ! -e "$unix_installed" ] && [ ! -e "$(dirname "$unix_installed")" ] || fail "files left in $folder\\Carvelo"
  [ -z "$(products)" ] || fail "still in Apps & features"
  nothing_left
  echo "removed: no file and no key left"
}

local_appdata() { run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v 'Local AppData' | tr -d '\r' | sed -n 's/^    Local AppData    REG_EXPAND_SZ    //p'; }

if [ "$view" = /reg:64 ]; then program_files='C:\Program Files'; else program_files='C:\Program Files (x86)'; fi
user=$(id -un)  # Wine names the profile folder after the Unix user

case $case_name in
  per-user)
    install_in_scope 'C:\users\'"$user"'\AppData\Local\Programs' 'HKCU\Software\Classes' HKCU
    ;;
  per-machine)
    install_in_scope "$program_files" 'HKLM\Software\Classes' HKLM ALLUSERS=1
    ;;
  upgrade)
    installed="$prefix_c/users/$user/AppData/Local/Programs/Carvelo/CarveloPPT.dll"
    install "$older" || fail "the older package did not install"
    cmp -s "$installed" "$dll" && fail "the older package holds this DLL"
    install "$package" || fail "the upgrade failed"
    cmp -s "$installed" "$dll" || fail "the upgrade did not leave this DLL"
    [ "$(products)" = "$(package_version)" ] || fail "after the upgrade Apps & features shows \"$(products)\""
    if install "$older"; then fail "the older version installed over the newer one"; fi
    cmp -s "$installed" "$dll" && [ "$(products)" = "$(package_version)" ] || fail "the refused downgrade changed the install"
    rm "$installed"
    install "$package" || fail "installing the same version again failed"
    cmp -s "$installed" "$dll" || fail "installing the same version again did not repair the DLL"
    echo "upgrade leaves one product ($(products)) with this DLL; downgrade refused; same version repairs"
    ;;
  profile)
    restore_local_appdata=$(local_appdata)
    [ -n "$restore_local_appdata" ] || fail "no Local AppData folder"
    profile='C:\users\José Müller'
    mkdir -p "$prefix_c/users/José Müller/AppData/Local"
    quiet reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
      /v 'Local AppData' /t REG_EXPAND_SZ /d "$profile\\AppData\\Local" /f
    install "$package" || fail "msiexec /i failed"
    cmp -s "$prefix_c/users/José Müller/AppData/Local/Programs/Carvelo/CarveloPPT.dll" "$dll" ||
      fail "not installed under $profile"
    loads_and_fits HKEY_CURRENT_USER --user-classes
    run msiexec /x "$(winpath "$package")" /qn || fail "msiexec /x failed"
    [ ! -e "$prefix_c/users/José Müller/AppData/Local/Programs/Carvelo" ] || fail "files left under $profile"
    rm -rf "$prefix_c/users/José Müller"
    echo "installed, loaded and removed under $profile"
    ;;
  *) fail "unknown case" ;;
esac
