#!/usr/bin/env bash
# regsvr32 registers the add-in with its keys; regsvr32 /u removes them all.
#   regsvr32_check.sh WINE_WRAPPER DLL REGISTRY_VIEW(/reg:32|/reg:64)
set -u
wine=$1 dll=$2 view=$3
clsid='HKCR\CLSID\{9082CFD1-243B-4566-B7BE-BFE4957264EF}'
progid='HKCR\CarveloPPT.PPTAddin'
office='HKCU\Software\Microsoft\Office\PowerPoint\Addins\CarveloPPT.PPTAddin'
typelib='HKCR\TypeLib\{B6414E98-AFE6-4641-8CE2-D356BDC385EE}'

query() { "$wine" reg query "$@" "$view" </dev/null 2>/dev/null | tr -d '\r'; }
fail() {
  echo "FAIL: $*"
  "$wine" regsvr32 /u /s "$dll" </dev/null >/dev/null 2>&1
  exit 1
}

"$wine" regsvr32 /s "$dll" </dev/null || fail "regsvr32 exited with $?"
query "$clsid\\InprocServer32" /v ThreadingModel | grep -Eq 'ThreadingModel +REG_SZ +Apartment$' ||
  fail "no ThreadingModel Apartment"
query "$clsid\\InprocServer32" | grep -Eq 'REG_SZ +.*CarveloPPT\.dll$' || fail "no InprocServer32 file name"
query "$clsid\\ProgID" | grep -Eq 'REG_SZ +CarveloPPT\.PPTAddin$' || fail "no ProgID"
query "$progid\\Clsid" | grep -Eq 'REG_SZ +\{9082CFD1-243B-4566-B7BE-BFE4957264EF\}$' || fail "no ProgID Clsid"
query "$office" /v LoadBehavior | grep -Eq 'LoadBehavior +REG_DWORD +0x3$' || fail "no LoadBehavior 3"
query "$office" /v FriendlyName | grep -Eq 'REG_SZ +Carvelo AddIn for PowerPoint$' || fail "no FriendlyName"
query "$typelib" /s | grep -q 'CarveloPPT Library' || fail "type library not registered"

"$wine" regsvr32 /u /s "$dll" </dev/null || fail "regsvr32 /u exited with $?"
for key in "$clsid" "$progid" "$office" "$typelib"; do
  "$wine" reg query "$key" "$view" </dev/null >/dev/null 2>&1 && fail "$key left after regsvr32 /u"
done
echo "regsvr32 registered every key and regsvr32 /u removed them"
